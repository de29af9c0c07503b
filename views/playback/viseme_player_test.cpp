// The viseme player: the shape chosen for a window in both modes, and the animation thread
// driven by a wave player on a virtual clock.
#include "views/playback/viseme_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <string>

#include "model/app_sync_results.h"
#include "platform/wave_out_silent.h"
#include "views/playback/playback_test_support.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/wave_player.h"

namespace {

// Remembers the last call: a label and amount, or "mix" and the key's start as the amount.
class LastShape : public IVisemeHandler {
public:
    void SetVisemeMix(const ArticulationKey* key) override { Set("mix", key->start); }
    void SetViseme(const char* label, int32_t amount) override { Set(label, amount); }
    void Set(const std::string& l, int a) {
        std::lock_guard hold(mutex);
        label = l;
        amount = a;
        ++calls;
    }
    std::mutex mutex;
    std::string label;
    int amount = -1;
    int calls = 0;
};

ArticulationKey Key(int start, int end) {
    ArticulationKey k{};
    k.count = 1;
    k.pairs[0] = {"AA", 1.0f};
    k.start = start;
    k.end = end;
    return k;
}

app_sync_results Track() {
    app_sync_results t;
    t.phonemes.emplace_back(0, 100, "a", 10.0f);
    t.phonemes.emplace_back(100, 300, "b", 20.0f);
    phn_marker c(400, 500, "c", 50.7f);
    c.add_energy(80.0f, 420, 440);
    t.phonemes.push_back(c);
    t.articulation.emplace_back(Key(0, 150));
    t.articulation.emplace_back(Key(150, 300));
    return t;
}

TEST(VisemePlayer, ShowsTheShapeOfTheWindow) {
    struct Case {
        bool mode;
        int from, to;
        const char* label;
        int amount;
    } cases[] = {
        {false, 90, 120, "b", 20},   // overlaps 10 and 20
        {false, 90, 110, "a", 10},   // equal overlaps: the earlier
        {false, 310, 339, "x", 0},   // in a gap
        {false, 300, 329, "x", 0},   // touching b only: an overlap of 0 never wins
        {false, 425, 454, "c", 80},  // inside the energy sub-marker
        {false, 380, 409, "c", 50},  // outside every sub-marker: the energy, truncated
        {true, 100, 129, "mix", 0},  // middle 114
        {true, 140, 169, "mix", 150},
        {true, 290, 319, "x", 0},    // past the last key
    };
    const app_sync_results track = Track();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " window " << c.from << "-" << c.to);
        LastShape shape;
        CVisemePlayer player(&shape);
        player.Start(nullptr, track, c.mode);  // no clock: copies the lists, runs no thread
        player.Show(c.from, c.to);
        EXPECT_EQ(shape.label, c.label);
        EXPECT_EQ(shape.amount, c.amount);
    }
}

TEST(VisemePlayer, FollowsTheClockAndStopsHarmlesslyAfterItsDeviceClosed) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    auto stream = playback_test::CountingRecording(16000, 16000);
    LastShape shape;
    CVisemePlayer idle(&shape);
    idle.Stop();  // never started
    idle.Stop();

    CVisemePlayer player(&shape);
    ASSERT_EQ(wave.Play(stream.get(), static_cast<double>(0.03f), 4.0, 3200, 0), 0);  // from 200 ms
    player.Start(&wave, Track(), false);
    // Position 200, latency 29: the window 200-229 lies on b.
    ASSERT_TRUE(playback_test::WaitFor([&] {
        std::lock_guard hold(shape.mutex);
        return shape.label == "b";
    }));
    wave.Stop();  // the device closes while the animation still runs
    const int calls = [&] {
        std::lock_guard hold(shape.mutex);
        return shape.calls;
    }();
    ASSERT_TRUE(playback_test::WaitFor([&] {
        std::lock_guard hold(shape.mutex);
        return shape.calls > calls + 2;
    }));
    player.Stop();
    player.Stop();
}

// The player without a handler of its own calls the process-wide one (the main frame). A frame
// being destroyed replaces it with null; that must wait until a call in progress has left it,
// and no call may reach it afterwards.
class SlowShape : public IVisemeHandler {
public:
    void SetVisemeMix(const ArticulationKey*) override { Call(); }
    void SetViseme(const char*, int32_t) override { Call(); }
    void Call() {
        inside = true;
        while (!release) std::this_thread::yield();
        inside = false;
        ++calls;
    }
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    std::atomic<int> calls{0};
};

TEST(VisemePlayer, ReplacingTheProcessWideHandlerWaitsForTheCallInProgress) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    auto stream = playback_test::CountingRecording(16000, 16000);
    auto handler = std::make_unique<SlowShape>();
    SetVisemeHandler(handler.get());
    CVisemePlayer player;
    ASSERT_EQ(wave.Play(stream.get(), static_cast<double>(0.03f), 4.0, 0, 0), 0);
    player.Start(&wave, Track(), false);
    ASSERT_TRUE(playback_test::WaitFor([&] { return handler->inside.load(); }));
    std::atomic<bool> replaced{false};
    std::thread frameGoes([&] {
        SetVisemeHandler(nullptr);
        replaced = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(replaced) << "the handler was replaced while it was being called";
    handler->release = true;
    frameGoes.join();
    EXPECT_FALSE(handler->inside);
    const int calls = handler->calls;
    handler.reset();  // the frame is gone; the player keeps running without a handler
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    player.Stop();
    wave.Stop();
    EXPECT_EQ(calls, 1);
}

}  // namespace
