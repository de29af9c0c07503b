// The recognition commands in the main window.
#include "app/ui/recognition_ui.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/core/command_router.h"
#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/ui/main_frame.h"
#include "app/ui/progress_dlg.h"
#include "platform/fp_guard.h"

namespace {

constexpr int kRecognitionBarId = 59508;
constexpr int kProgressPollMs = 20;

// The worker's reports, read by the GUI thread's timer; Cancel reaches the worker at its next
// report.
class threaded_progress : public CProgress {
public:
    void SetStatusText(const char* text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = text ? text : "";
        status_changed_ = true;
    }
    bool Progress(int done, int total) override {
        done_.store(done, std::memory_order_relaxed);
        total_.store(total, std::memory_order_relaxed);
        return cancel_.exchange(false);
    }
    bool TakeStatus(std::string* status) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!status_changed_) return false;
        status_changed_ = false;
        *status = status_;
        return true;
    }
    int done() const { return done_.load(std::memory_order_relaxed); }
    int total() const { return total_.load(std::memory_order_relaxed); }
    void Cancel() { cancel_ = true; }

private:
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;  // guards status_ and status_changed_
    std::string status_;
    bool status_changed_ = false;
};

}  // namespace

CRecognitionUi::CRecognitionUi(CMainFrame& frame, CCommandRouter& router, lexicon_mgr& languages,
                               std::function<CPhonarcDoc*()> active_document)
    : frame_(frame), router_(router), languages_(languages), active_(std::move(active_document)) {}

recognition_context CRecognitionUi::Context() {
    recognition_context context;
    context.languages = &languages_;
    context.script = script_ ? script_() : nullptr;
    context.run = [this](const std::string& status, RecognitionParams& params, RecognitionResult* result) {
        RunWithProgress(status, params, result);
    };
    return context;
}

void CRecognitionUi::RunWithProgress(const std::string& status, RecognitionParams& params, RecognitionResult* result) {
    threaded_progress progress;
    params.progress = &progress;
    CProgressDlg dialog(QString(), &frame_);
    dialog.SetStatusText(status.c_str());
    dialog.CreateModeless();

    std::atomic<bool> finished{false};
    QEventLoop loop;
    std::thread worker([&] {
        CFloatingPointGuard guard;
        RunRecognition(params, result);
        finished = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QTimer poll;
    poll.setInterval(kProgressPollMs);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        std::string text;
        if (progress.TakeStatus(&text)) dialog.SetStatusText(text.c_str());
        if (dialog.Progress(progress.done(), progress.total())) progress.Cancel();
        if (finished) loop.quit();
    });
    poll.start();
    if (!finished) loop.exec();
    poll.stop();
    worker.join();
    params.progress = nullptr;
}

void CRecognitionUi::Align() {
    CPhonarcDoc* doc = active_();
    if (!doc || running_) return;
    running_ = true;
    OnAlignTextWithAudio(*doc, Context());
    running_ = false;
}

void CRecognitionUi::Textless() {
    CPhonarcDoc* doc = active_();
    if (!doc || running_) return;
    running_ = true;
    OnTextlessLipsync(*doc, Context());
    running_ = false;
}

void CRecognitionUi::Install() {
    const auto needs_doc = [this](CommandState& s) { s.enabled = active_() != nullptr && !running_; };
    const auto on_doc = [this](void (*f)(CPhonarcDoc&)) {
        return [this, f] {
            if (CPhonarcDoc* d = active_()) f(*d);
        };
    };
    const auto from_doc = [this](std::function<document_command_state(const CPhonarcDoc&)> f) {
        return [this, f](CommandState& s) {
            CPhonarcDoc* d = active_();
            if (!d) {
                s.enabled = false;
                return;
            }
            const document_command_state st = f(*d);
            s.enabled = st.enabled && !running_;
            s.checked = st.checked;
            if (!st.text.empty()) s.text = st.text;
        };
    };

    router_.Add(kCmdAlignTextWithAudio, [this] { Align(); }, needs_doc);
    router_.Add(kCmdLipsyncWithText, [this] { Align(); }, needs_doc);
    router_.Add(kCmdTextlessLipsync, [this] { Textless(); }, needs_doc);
    for (const model_menu_item& item : kModelMenu) {
        const std::string resource = item.resource;
        router_.Add(
            item.id,
            [this, resource] {
                if (CPhonarcDoc* d = active_()) OnChooseBuiltInModel(*d, resource);
            },
            from_doc([resource](const CPhonarcDoc& d) { return UpdateBuiltInModel(d, resource); }));
    }
    router_.Add(kCmdModelExternal, on_doc(&OnModelExternal), from_doc(&UpdateModelExternal));
    router_.Add(kCmdChooseModel, on_doc(&OnChooseModelFile), needs_doc);
    router_.Add(kCmdSelectLanguageModelFile, on_doc(&OnSelectLanguageModelFile), needs_doc);
    router_.Add(kCmdSelectConstraintsFile, on_doc(&OnSelectConstraintsFile), needs_doc);

    QAction* align = frame_.AddCommand(kCmdAlignTextWithAudio, tr("Lipsync With Text"), "align-text-audio");
    align->setToolTip(tr("Lipsync/Align Text"));
    frame_.AddCommand(kCmdLipsyncWithText, tr("Lipsync with Text"));
    QAction* textless = frame_.AddCommand(kCmdTextlessLipsync, tr("Textless Lipsync"), "textless-lipsync");

    QMenu* lipsync = frame_.MenuOf(QStringLiteral("Lipsync"));
    if (!lipsync) {
        lipsync = new QMenu(tr("&Lipsync"), &frame_);
        frame_.menuBar()->addMenu(lipsync);
    }
    QAction* first = lipsync->actions().isEmpty() ? nullptr : lipsync->actions().first();
    lipsync->insertAction(first, align);
    lipsync->insertAction(first, textless);
    lipsync->insertSeparator(first);

    auto* models = new QMenu(tr("Acoustic Model"), lipsync);
    for (const model_menu_item& item : kModelMenu) {
        QAction* a = frame_.AddCommand(item.id, tr(item.text));
        a->setCheckable(true);
        models->addAction(a);
    }
    models->addSeparator();
    QAction* external = frame_.AddCommand(kCmdModelExternal, tr("external"));
    external->setCheckable(true);
    models->addAction(external);
    models->addAction(frame_.AddCommand(kCmdChooseModel, tr("Choose model from file....")));
    lipsync->insertMenu(first, models);
    lipsync->insertSeparator(first);
    connect(models, &QMenu::aboutToShow, &frame_, &CMainFrame::UpdateCommands);

    // The two file choices sit under the options they turn on.
    QAction* after = frame_.Action(kCmdUsePhnConstraints);
    const QList<QAction*> items = lipsync->actions();
    const qsizetype at = after ? items.indexOf(after) : -1;
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    lipsync->insertAction(before, frame_.AddCommand(kCmdSelectLanguageModelFile, tr("Select Language Model File...")));
    lipsync->insertAction(before,
                          frame_.AddCommand(kCmdSelectConstraintsFile, tr("Select Phoneme Contraints Rules File...")));

    for (QToolBar* bar : frame_.findChildren<QToolBar*>()) {
        if (bar->property("barId").toInt() != kRecognitionBarId) continue;
        QAction* existing = nullptr;
        for (QAction* a : bar->actions())
            if (a == textless) existing = a;
        bar->insertAction(existing, align);
        if (!existing) bar->addAction(textless);
        // Without an icon of the theme or our own the button would be blank: it shows its text.
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(align));
        if (button && align->icon().pixmap(QSize(24, 24)).isNull()) button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
}
