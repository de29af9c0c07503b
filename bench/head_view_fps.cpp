// head_view_fps: frames per second of the 3D head view while it plays. Shows the default actor in a
// 400x400 view and drives it from a second thread as the viseme player does (a new mix or viseme
// every 10 ms, relayed to the GUI thread through the post queue), then counts the frames painted. Needs an X server with OpenGL (run it under
// xvfb-run with Mesa for the software figure).
//
//   head_view_fps [SECONDS] [--unthrottled]
//
// --unthrottled sends visemes as fast as the thread can, to find the most frames the view draws.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <GL/gl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/ui/post_queue_wake.h"
#include "model/articulation_key.h"
#include "model/phoneme_codes.h"
#include "model/pub_queue.h"
#include "views/heads/d3d/d3d_viseme_view.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_relay.h"

namespace {

class counting_view : public CD3dVisemeView {
public:
    std::atomic<int> frames{0};
    double paint_ms = 0;

protected:
    void paintGL() override {
        QElapsedTimer t;
        t.start();
        CD3dVisemeView::paintGL();
        paint_ms += t.nsecsElapsed() / 1e6;
        ++frames;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    double seconds = 5;
    bool unthrottled = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--unthrottled") == 0) unthrottled = true;
        else seconds = std::atof(argv[i]);
    }
    counting_view view;
    std::string error;
    if (!view.LoadBuiltInHead(kHighPolyHeadId, &error)) {
        std::fprintf(stderr, "head_view_fps: %s\n", error.c_str());
        return 1;
    }
    view.resize(400, 400);
    view.show();
    app.processEvents();
    view.makeCurrent();
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("OpenGL renderer: %s\n", renderer ? renderer : "unknown");
    view.doneCurrent();

    InstallPostQueueWake();
    SetVisemeHandler(&view);
    viseme_relay relay;
    std::atomic<bool> stop{false};
    std::atomic<long> visemes{0};
    std::thread player([&] {
        for (long i = 0; !stop; ++i) {
            const char* code = kPhonemeCodes[i / 8 % kPhonemeCodeCount];
            if (i % 2) {
                relay.PostViseme(code, static_cast<int32_t>(i * 13 % 101));
            } else {
                ArticulationKey key{};
                key.count = 2;
                std::strncpy(key.pairs[0].code, code, 3);
                std::strncpy(key.pairs[1].code, kPhonemeCodes[(i / 8 + 1) % kPhonemeCodeCount], 3);
                key.pairs[0].weight = 0.6f;
                key.pairs[1].weight = 0.4f;
                relay.PostVisemeMix(&key);
            }
            ++visemes;
            if (!unthrottled) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            } else {
                // As many as the GUI thread takes: the queue does not run away.
                while (!stop && pub_queue::pending_count() > 100) std::this_thread::yield();
            }
        }
    });
    const int start_frames = view.frames;
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    stop = true;
    player.join();
    SetVisemeHandler(nullptr);
    RemovePostQueueWake();
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const int frames = view.frames - start_frames;
    std::printf("head view, default actor, 400x400: %d frames in %.2f s = %.1f frames/s (%ld visemes sent, %.2f ms per paint)\n",
                frames, elapsed, frames / elapsed, visemes.load(), frames ? view.paint_ms / view.frames : 0.0);
    return 0;
}
