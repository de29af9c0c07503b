// The recognition run on a worker thread under the progress dialog.
#include "app/ui/recognition_commands_ui.h"

#include <QEventLoop>
#include <atomic>
#include <thread>

#include "app/ui/main_frame.h"
#include "app/ui/post_queue_wake.h"
#include "app/ui/progress_dlg.h"
#include "model/messaging.h"
#include "model/pub_queue.h"
#include "platform/fp_guard.h"

namespace {


// The worker's reports, on their way to the GUI thread through the post queue: the newest
// progress (an older one still waiting is dropped), every status text in order, and the end.
class recognition_report : public pub_message {
public:
    enum kind_t { status, progress, finished };
    recognition_report(uint32_t type, kind_t k) : pub_message(type), kind(k) {}
    kind_t kind;
    std::string text;
    int done = 0;
    int total = 0;
};

// Progress reports have a type of their own: only they are dropped when a newer one comes.
uint32_t ReportType() {
    static const int type = pub_register_message("RecognitionUi::Report");
    return static_cast<uint32_t>(type);
}
uint32_t ProgressReportType() {
    static const int type = pub_register_message("RecognitionUi::Progress");
    return static_cast<uint32_t>(type);
}

// The worker's side: posts its reports and answers whether to cancel. Cancel is set from the GUI
// thread the moment it is pressed, since a long script is transcribed and expanded without a
// report, and stays set: every later question ends the run too.
class threaded_progress : public CProgress, public publisher {
public:
    void SetStatusText(const char* text) override {
        auto* m = new recognition_report(ReportType(), recognition_report::status);
        m->text = text ? text : "";
        post(m);
    }
    bool Progress(int done, int total) override {
        // A total of 0 only asks whether to cancel: nothing to show.
        if (total == 0) return cancel_.load();
        pub_queue::remove_publisher(this, static_cast<int>(ProgressReportType()));
        auto* m = new recognition_report(ProgressReportType(), recognition_report::progress);
        m->done = done;
        m->total = total;
        post(m);
        return cancel_.load();
    }
    void Finished() { post(new recognition_report(ReportType(), recognition_report::finished)); }
    void Cancel() { cancel_ = true; }

private:
    std::atomic<bool> cancel_{false};
};

// The GUI thread's side: applies the reports to the dialog and ends the wait at the end.
class progress_receiver : public subscriber {
public:
    progress_receiver(CProgressDlg& dialog, threaded_progress& worker, QEventLoop& loop)
        : dialog_(dialog), worker_(worker), loop_(loop) {}
    void notify(publisher*, pub_message* message) override {
        const auto* r = static_cast<const recognition_report*>(message);
        switch (r->kind) {
            case recognition_report::status:
                dialog_.SetStatusText(r->text.c_str());
                break;
            case recognition_report::progress:
                // The dialog handles waiting events here, so Cancel may be pressed meanwhile.
                if (dialog_.Progress(r->done, r->total)) worker_.Cancel();
                break;
            case recognition_report::finished:
                finished = true;
                loop_.quit();
                break;
        }
        message->release();
    }
    bool finished = false;

private:
    CProgressDlg& dialog_;
    threaded_progress& worker_;
    QEventLoop& loop_;
};

}  // namespace

CRecognitionUi::CRecognitionUi(CMainFrame& frame, lexicon_mgr& languages) : frame_(frame), languages_(languages) {}

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
    // The commands that change what a run reads are disabled until it ends.
    running_ = true;
    // The worker's reports come through the post queue, which wakes this thread when they are posted.
    InstallPostQueueWake();
    threaded_progress progress;
    params.progress = &progress;
    CProgressDlg dialog(QString(), &frame_);
    dialog.SetStatusText(status.c_str());
    // Bound before the dialog shows: showing it handles waiting events, Cancel among them.
    QObject::connect(&dialog, &CProgressDlg::cancelRequested, [&progress] { progress.Cancel(); });
    dialog.CreateModeless();

    QEventLoop loop;
    progress_receiver receiver(dialog, progress, loop);
    progress.subscribe(&receiver);
    std::thread worker([&] {
        CFloatingPointGuard guard;
        RunRecognition(params, result);
        progress.Finished();
    });
    if (!receiver.finished) loop.exec();
    worker.join();
    running_ = false;
    params.progress = nullptr;
    // The keys go back to the document's window (no window manager hands it back on its own).
    dialog.hide();
    frame_.activateWindow();
}
