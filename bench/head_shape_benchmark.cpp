// Mouth shapes during playback while the GUI thread is kept busy repainting: plays a bundled
// recording with its alignment in the program's main window (offscreen; the silent device when no
// sound device opens), recomposes the timeline over and over meanwhile, and reports how often the
// head got a new shape (the gaps between shapes reaching it) and how long the repaints took.
//   head_shape_benchmark [PLAY_MS]    (default 1900 ms from the start; 0 plays the whole recording)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"
#include "views/timeline/phonarc_view.h"

namespace {

// Stands where the head is: notes when each shape arrives (GUI thread).
class ShapeClock : public IVisemeHandler {
public:
    explicit ShapeClock(QElapsedTimer& t) : timer_(t) {}
    void SetVisemeMix(const ArticulationKey*) override { at.push_back(timer_.nsecsElapsed() / 1e6); }
    void SetViseme(const char*, int32_t) override { at.push_back(timer_.nsecsElapsed() / 1e6); }
    std::vector<double> at;

private:
    QElapsedTimer& timer_;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    const int playMs = argc > 1 ? std::atoi(argv[1]) : 1900;
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("murmurex_shapes_" + std::to_string(::getpid()));
    fs::create_directories(folder / "dicts");
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    int status = 0;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        if (!app.InitInstance({})) return 1;
        CMainFrame* frame = app.MainFrame();
        frame->resize(1280, 820);
        frame->show();
        if (!app.OpenDocumentFile(MURMUREX_SOURCE_DIR "/testdata/speech/en_us_f4_0003_clean.zuvo")) return 1;
        QApplication::processEvents();
        CPhonarcView* view = app.Documents()->ActiveFrame()->View();
        QElapsedTimer clock;
        clock.start();
        ShapeClock head(clock);
        frame->SetVisemeTarget(&head);

        // Busy: every turn of the event loop recomposes the whole timeline (a zoom change each time).
        std::vector<double> repaints;
        bool out = false;
        QTimer busy;
        busy.setInterval(0);
        QObject::connect(&busy, &QTimer::timeout, [&] {
            const qint64 t0 = clock.nsecsElapsed();
            if (out) view->ZoomIn();
            else view->ZoomOut();
            out = !out;
            view->repaint();
            repaints.push_back((clock.nsecsElapsed() - t0) / 1e6);
        });
        // Plays of up to two seconds step every 14 ms, longer ones every 29 ms: play the first
        // playMs (0: from the start to the end).
        if (playMs > 0) view->SetSelection(0, static_cast<int>(view->Stream()->MsToFrames(playMs)), false);
        else view->SetSelection(0, 0, false);
        head.at.clear();
        const double start = clock.nsecsElapsed() / 1e6;
        frame->UpdateCommands();
        frame->Action(cmd::Play)->trigger();
        busy.start();
        while (view->IsPlaying()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        busy.stop();
        const double end = clock.nsecsElapsed() / 1e6;
        frame->SetVisemeTarget(nullptr);

        std::vector<double> gaps;
        for (size_t i = 1; i < head.at.size(); ++i) gaps.push_back(head.at[i] - head.at[i - 1]);
        // The time between shapes as the head sees it: a burst of late shapes counts as one.
        std::vector<double> newShapeGaps;
        double last = head.at.empty() ? start : head.at.front();
        for (double t : head.at) {
            if (t - last > 0.5) newShapeGaps.push_back(t - last);
            last = t;
        }
        std::printf("played %.0f ms; %zu shapes reached the head (%.1f ms apart on average)\n", end - start,
                    head.at.size(), head.at.empty() ? 0.0 : (end - start) / static_cast<double>(head.at.size()));
        std::printf("time between new shapes at the head: median %.1f ms, 99th percentile %.1f ms, longest %.1f ms\n",
                    Percentile(newShapeGaps, 0.5), Percentile(newShapeGaps, 0.99),
                    newShapeGaps.empty() ? 0.0 : *std::max_element(newShapeGaps.begin(), newShapeGaps.end()));
        std::printf("%zu timeline recomposes meanwhile: median %.1f ms, longest %.1f ms\n", repaints.size(),
                    Percentile(repaints, 0.5), repaints.empty() ? 0.0 : *std::max_element(repaints.begin(), repaints.end()));
        if (head.at.empty()) status = 1;
        app.MainFrame()->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
    return status;
}
