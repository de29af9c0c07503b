// Writing and showing the user guide.
#include "app/ui/help_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QStatusBar>

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

std::string ShowUserGuide(CMainFrame* frame, IPrompts& prompts, const std::function<bool(const QUrl&)>& open) {
    // The desktop's viewer cannot read the program's resources: it gets a copy in the cache.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const std::string path = ExtractHelpFile((cache.isEmpty() ? QDir::tempPath() : cache).toStdString() + "/help");
    if (path.empty()) {
        prompts.MessageBox("The user guide could not be written.", PromptButtons::Ok);
        return {};
    }
    const QString where = QString::fromStdString(path);
    if (frame) frame->statusBar()->showMessage(QObject::tr("User guide: %1").arg(where), 30000);
    if (!open(QUrl::fromLocalFile(where)))
        prompts.MessageBox("No program to show the user guide was found. The guide was written to " + path +
                               "; open it with a web browser.",
                           PromptButtons::Ok);
    return path;
}
