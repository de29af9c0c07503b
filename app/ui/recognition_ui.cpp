// The recognition commands in the main window.
#include "app/ui/recognition_ui.h"

#include "app/core/command_ids.h"

#include <QAction>
#include <QEventLoop>
#include <QTimer>
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
    // The keys go back to the document's window (no window manager hands it back on its own).
    dialog.hide();
    frame_.activateWindow();
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

    router_.Add(cmd::AlignTextWithAudio, [this] { Align(); }, needs_doc);
    router_.Add(cmd::LipsyncWithText, [this] { Align(); }, needs_doc);
    router_.Add(cmd::TextlessLipsync, [this] { Textless(); }, needs_doc);
    for (const model_menu_item& item : kModelMenu) {
        const std::string resource = item.resource;
        router_.Add(
            item.id,
            [this, resource] {
                if (CPhonarcDoc* d = active_()) OnChooseBuiltInModel(*d, resource);
            },
            from_doc([resource](const CPhonarcDoc& d) { return UpdateBuiltInModel(d, resource); }));
    }
    router_.Add(cmd::ModelExternal, on_doc(&OnModelExternal), from_doc(&UpdateModelExternal));
    router_.Add(cmd::ChooseModel, on_doc(&OnChooseModelFile), needs_doc);
    router_.Add(cmd::SelectLanguageModelFile, on_doc(&OnSelectLanguageModelFile), needs_doc);
    router_.Add(cmd::SelectConstraintsFile, on_doc(&OnSelectConstraintsFile), needs_doc);
}
