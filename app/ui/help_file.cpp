// Writing and showing the user guide.
#include "app/ui/help_file.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <utility>

#include "app/core/prompts.h"
#include "app/ui/app_icons.h"
#include "app/ui/main_frame.h"
#include "platform/safe_save.h"

namespace {
const QString kGuideFolder = QStringLiteral(":/murmurex/help");
}

std::string ExtractHelpFile(const std::string& folder) {
    InitProgramResources();
    const QString target = QString::fromStdString(folder);
    if (!QDir().mkpath(target)) return {};
    bool havePage = false;
    QDirIterator it(kGuideFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = file.readAll();
        const QString relative = source.mid(kGuideFolder.size() + 1);
        const QString path = target + '/' + relative;
        if (!QDir().mkpath(QFileInfo(path).path())) return {};
        if (!SaveBytesSafely(path.toStdString(),
                             std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
            return {};
        havePage = havePage || relative == QStringLiteral("phonarc.html");
    }
    return havePage ? folder + "/phonarc.html" : std::string();
}

namespace {

// Watches the opener to its end and reports once. Going with its parent ends the watch without a
// report (the viewer, if any, stays).
class COpenerWatch : public QObject {
public:
    COpenerWatch(QObject* parent, std::function<void(bool)> done) : QObject(parent), done_(std::move(done)) {
        // The viewer may be the opener's child and inherit its channels: pipes nobody reads
        // would stall it once full.
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.setStandardInputFile(QProcess::nullDevice());
        connect(&process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
            // A viewer kept the opener running that long: it showed the page.
            constexpr qint64 kViewerRanMs = 60 * 1000;
            Finish((status == QProcess::NormalExit && code == 0) || started_.elapsed() > kViewerRanMs);
        });
        connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) Finish(false);
        });
    }
    ~COpenerWatch() override {
        process_.disconnect();
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(1000);
        }
    }
    void Start(const QString& program, const QStringList& arguments) {
        started_.start();
        process_.start(program, arguments);
    }

private:
    void Finish(bool shown) {
        deleteLater();
        if (auto done = std::exchange(done_, nullptr)) done(shown);
    }

    std::function<void(bool)> done_;
    QProcess process_;
    QElapsedTimer started_;
};

}  // namespace

void OpenWithDesktop(const QUrl& url, QObject* context, std::function<void(bool shown)> done) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        done(QDesktopServices::openUrl(url));
        return;
    }
    auto* watch = new COpenerWatch(context, std::move(done));
    watch->setObjectName(QStringLiteral("DesktopOpener"));
    watch->Start(opener, {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
}

std::string ShowUserGuide(CMainFrame* frame, IPrompts& prompts, const PageOpener& open) {
    // The desktop's viewer cannot read the program's resources: it gets a copy in the cache.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const std::string path = ExtractHelpFile((cache.isEmpty() ? QDir::tempPath() : cache).toStdString() + "/help");
    if (path.empty()) {
        prompts.MessageBox("The user guide could not be written.", PromptButtons::Ok);
        return {};
    }
    const QString where = QString::fromStdString(path);
    if (frame) frame->statusBar()->showMessage(QObject::tr("User guide: %1").arg(where), 30000);
    open(QUrl::fromLocalFile(where), [&prompts, path](bool shown) {
        if (shown) return;
        prompts.MessageBox("No web browser showed the user guide. It was written to " + path +
                               "; open it with a web browser.",
                           PromptButtons::Ok);
    });
    return path;
}
