// Opening as a user waits for it: a ten-minute recording with a results file of its whole
// alignment, opened through the program's main window (offscreen unless QT_QPA_PLATFORM says
// otherwise), from the open call to the timeline's first paint having been handled. Wall and CPU
// time per run, several runs, each in a fresh application object.
//   window_open_benchmark [RUNS]
#include <QApplication>
#include <QElapsedTimer>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "bench/document_inputs.h"
#include "model/pub_queue.h"
#include "views/timeline/phonarc_view.h"

namespace {

// Notes the first paint event that reaches a timeline view.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<CPhonarcView*>(watched)) painted = true;
        return false;
    }
    bool painted = false;
};

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string zuvo = bench_inputs::MakeInputs(bench_inputs::Utterance(), 10);
    const bench_inputs::fs::path folder = bench_inputs::fs::path(zuvo).parent_path() / "program";
    bench_inputs::fs::create_directories(folder / "dicts");
    std::vector<double> wall, cpu;
    for (int k = 0; k <= runs; ++k) {  // the first run warms the caches and is not counted
        CMemoryProfileStore profile;
        CScriptedPrompts prompts;
        {
            CPhonarcApp app(profile, prompts, folder.string());
            if (!app.InitInstance({})) return 1;
            app.MainFrame()->resize(1280, 820);
            app.MainFrame()->show();
            QApplication::processEvents();
            PaintWatch watch;
            qt.installEventFilter(&watch);
            QElapsedTimer timer;
            timer.start();
            const double cpu0 = ProcessCpu();
            if (!app.OpenDocumentFile(zuvo)) return 1;
            while (!watch.painted) QApplication::processEvents();
            const double seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
            const double used = ProcessCpu() - cpu0;
            qt.removeEventFilter(&watch);
            if (k > 0) {
                wall.push_back(seconds);
                cpu.push_back(used);
            }
            app.MainFrame()->close();
            app.ExitInstance();
        }
        pub_queue::destroy_instance();
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("ten-minute recording with its results file, open to first painted timeline (%d runs)\n", runs);
    std::printf("wall (s): min %.3f  median %.3f  max %.3f\n", wall.front(), wall[wall.size() / 2], wall.back());
    std::printf("cpu  (s): min %.3f  median %.3f  max %.3f\n", cpu.front(), cpu[cpu.size() / 2], cpu.back());
    return 0;
}
