// The viseme player: the shape chosen for a window in both modes, and the animation thread
// driven by a wave player on a virtual clock, whose shapes reach the handler through the post queue.
#include "views/playback/viseme_player.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/app_sync_results.h"
#include "model/pub_queue.h"
#include "platform/wave_out_silent.h"
#include "views/playback/playback_test_support.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/wave_player.h"

namespace {

using playback_test::shape_log;

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

// This thread stands for the GUI thread: it dispatches the post queue, and the shape log is the
// process-wide handler.
class VisemePlayerTest : public ::testing::Test {
protected:
    void SetUp() override { SetVisemeHandler(&shape); }
    void TearDown() override {
        SetVisemeHandler(nullptr);
        pub_queue::destroy_instance();
    }
    // Waits, dispatching, until the log holds more than count shapes.
    bool WaitForShapesBeyond(std::size_t count) {
        return playback_test::WaitFor([&] { return shape.shapes.size() > count; }, [] { pub_queue::dispatch(); });
    }

    shape_log shape;
};

TEST_F(VisemePlayerTest, ShowsTheShapeOfTheWindow) {
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
        shape.shapes.clear();
        CVisemePlayer player;
        player.Start(nullptr, track, c.mode);  // no clock: copies the lists, runs no thread
        player.Show(c.from, c.to);
        EXPECT_TRUE(shape.shapes.empty()) << "shown before the post queue was dispatched";
        pub_queue::dispatch();
        EXPECT_EQ(shape.shapes, (std::vector<shape_log::shape>{{c.label, c.amount}}));
    }
}

TEST_F(VisemePlayerTest, FollowsTheClockAndStopsHarmlesslyAfterItsDeviceClosed) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    auto stream = playback_test::CountingRecording(16000, 16000);
    CVisemePlayer idle;
    idle.Stop();  // never started
    idle.Stop();

    CVisemePlayer player;
    ASSERT_EQ(wave.Play(stream.get(), static_cast<double>(0.03f), 4.0, 3200, 0), 0);  // from 200 ms
    player.Start(&wave, Track(), false);
    // Position 200, latency 29: the window 200-229 lies on b.
    ASSERT_TRUE(WaitForShapesBeyond(0));
    EXPECT_EQ(shape.shapes.front(), (shape_log::shape{"b", 20}));
    wave.Stop();  // the device closes while the animation still runs
    ASSERT_TRUE(WaitForShapesBeyond(shape.shapes.size() + 2));
    player.Stop();
    player.Stop();
    EXPECT_FALSE(shape.off_thread) << "a shape was shown on the player's thread";
}

// The owner rests the head right after the stop; a shape the thread sent before it must not
// arrive later and open the mouth again.
TEST_F(VisemePlayerTest, StopDropsTheShapesNotShownYet) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    auto stream = playback_test::CountingRecording(16000, 16000);
    CVisemePlayer player;
    ASSERT_EQ(wave.Play(stream.get(), static_cast<double>(0.03f), 4.0, 3200, 0), 0);
    player.Start(&wave, Track(), false);
    ASSERT_TRUE(playback_test::WaitFor([] { return pub_queue::pending_count() > 0; }));
    player.Stop();
    pub_queue::dispatch();
    EXPECT_TRUE(shape.shapes.empty());
    // A new start sends again.
    player.Start(&wave, Track(), false);
    EXPECT_TRUE(WaitForShapesBeyond(0));
    player.Stop();
    wave.Stop();
}

// A shape goes to the handler set when it is delivered: while the frame is gone (no handler) the
// shapes are dropped, and a new handler gets the later ones.
TEST_F(VisemePlayerTest, ShapesGoToTheHandlerOfTheirDelivery) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    auto stream = playback_test::CountingRecording(16000, 16000);
    CVisemePlayer player;
    ASSERT_EQ(wave.Play(stream.get(), static_cast<double>(0.03f), 4.0, 0, 0), 0);
    player.Start(&wave, Track(), false);
    auto first = std::make_unique<shape_log>();
    SetVisemeHandler(first.get());
    ASSERT_TRUE(playback_test::WaitFor([&] { return !first->shapes.empty(); }, [] { pub_queue::dispatch(); }));
    SetVisemeHandler(nullptr);
    first.reset();  // the frame is gone; the player keeps sending
    ASSERT_TRUE(playback_test::WaitFor([] { return pub_queue::pending_count() > 0; }));
    pub_queue::dispatch();
    SetVisemeHandler(&shape);
    EXPECT_TRUE(WaitForShapesBeyond(0));
    player.Stop();
    wave.Stop();
    EXPECT_FALSE(shape.off_thread);
}

}  // namespace
