// The wave player on a silent device with a virtual clock: buffer arithmetic, what reaches the
// device, positions, pause, the silent fallback notice, and stops from other threads.
#include "views/playback/wave_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wave_out_silent.h"
#include "views/playback/playback_test_support.h"
#include "views/playback/wave_player_event_sink.h"

namespace {

using playback_test::CountingRecording;
using playback_test::WaitFor;

// The view's buffer length: a single-precision value widened.
const double kViewBuffer = static_cast<double>(0.03f);
constexpr double kViewQueue = 4.0;

// Records every notice; checks each queued buffer holds the frames it was read from.
class RecordingSink : public IWavePlayerEventSink {
public:
    explicit RecordingSink(pcmsrc_wave_player* player = nullptr) : player_(player) {}
    void OnBufferQueued(void* data, int* frames) override {
        std::lock_guard hold(mutex);
        const int first = static_cast<int16_t*>(data)[0];
        if (first != (next_frame & 0x7FFF)) misplaced = true;
        next_frame += *frames;
        queued.push_back(*frames);
        events.push_back("queued");
    }
    void OnBufferPlayed(void*, int bytes) override {
        if (player_) player_->GetPosition();  // re-enters the player's lock on the pump thread
        std::lock_guard hold(mutex);
        played_bytes += bytes;
        events.push_back("played");
    }
    void OnPlaybackStopped() override { Add("stopped"); }
    void OnPlaybackStarted() override { Add("started"); }
    void Add(const std::string& e) {
        std::lock_guard hold(mutex);
        events.push_back(e);
    }
    int Count(const std::string& e) {
        std::lock_guard hold(mutex);
        return static_cast<int>(std::count(events.begin(), events.end(), e));
    }

    std::mutex mutex;
    std::vector<int> queued;
    std::vector<std::string> events;
    int next_frame = 0;
    int played_bytes = 0;
    bool misplaced = false;

private:
    pcmsrc_wave_player* player_;
};

struct Rig {
    std::shared_ptr<wave_out_virtual_clock> clock = std::make_shared<wave_out_virtual_clock>();
    pcmsrc_wave_player player{wave_out_silent::opener(clock)};

    // Runs the virtual clock until the pump thread has ended.
    bool PlayToEnd() {
        return WaitFor([&] { return !player.IsPlaying(); }, [&] { clock->advance_ms(30); });
    }
};

TEST(WavePlayer, BuffersAndHeadersFollowTheLengthOfThePlay) {
    struct Case {
        int frames, start, count;
        int buffer_bytes, headers;
        double latency_ms;
        std::vector<int> buffers;  // frames of each buffer written, in order
    } cases[] = {
        {24000, 0, 0, 960, 133, 29.999999329447746, std::vector<int>(50, 480)},  // 1.5 s
        {1000, 0, 0, 960, 133, 29.999999329447746, {480, 480, 40}},
        {1000, 200, 0, 960, 133, 29.999999329447746, {480, 320}},  // count 0: to the stream's end
        {20000, 100, 500, 960, 133, 29.999999329447746, {480, 20}},
        {1000, 800, 500, 960, 133, 29.999999329447746, {200}},  // past the stream's end: cut there
        {48000, 0, 0, 1920, 66, 59.99999865889549, std::vector<int>(50, 960)},  // 3 s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames from " << c.start);
        auto stream = CountingRecording(16000, c.frames);
        Rig rig;
        RecordingSink sink;
        sink.next_frame = c.start;
        rig.player.SetSink(&sink);
        ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, c.start, c.count), 0);
        EXPECT_EQ(rig.player.GetBufferBytes(), c.buffer_bytes);
        EXPECT_EQ(rig.player.GetHeaderCount(), c.headers);
        EXPECT_DOUBLE_EQ(rig.player.GetLatencyMs(), c.latency_ms);
        ASSERT_TRUE(rig.PlayToEnd());
        EXPECT_EQ(rig.player.GetHeaderCount(), c.headers);  // kept until the next stop or play
        rig.player.Stop();  // joins the ended pump and releases the device
        EXPECT_EQ(rig.player.GetHeaderCount(), 0);
        EXPECT_EQ(sink.queued, c.buffers);
        EXPECT_FALSE(sink.misplaced);
        int total = 0;
        for (int n : c.buffers) total += n;
        EXPECT_EQ(sink.played_bytes, total * 2);
        EXPECT_EQ(sink.Count("started"), 1);
        EXPECT_EQ(sink.Count("stopped"), 1);
        EXPECT_EQ(sink.events.front(), "started");
        EXPECT_EQ(sink.events.back(), "stopped");
    }
}

TEST(WavePlayer, PositionFollowsTheDeviceFromTheStartAndHoldsWhilePaused) {
    auto stream = CountingRecording(16000, 48000);
    Rig rig;
    RecordingSink sink(&rig.player);
    rig.player.SetSink(&sink);
    ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, 8000, 0), 0);
    EXPECT_EQ(rig.player.GetPosition(), 8000);
    EXPECT_EQ(rig.player.GetPositionMs(), 500);
    // The device can only have played what the pump gave it: wait for 180 ms of 60 ms buffers
    // before the clock moves 100 ms (a loaded machine runs the pump late).
    ASSERT_TRUE(WaitFor([&] { return sink.Count("queued") >= 3; }));
    rig.clock->advance_ms(100);
    EXPECT_EQ(rig.player.GetPosition(), 9600);

    rig.player.TogglePause();
    EXPECT_TRUE(rig.player.IsPaused());
    rig.clock->advance_ms(1000);
    EXPECT_EQ(rig.player.GetPosition(), 9600);
    rig.player.TogglePause();
    EXPECT_FALSE(rig.player.IsPaused());
    rig.clock->advance_ms(50);
    EXPECT_EQ(rig.player.GetPositionMs(), 650);

    rig.player.Stop();
    EXPECT_FALSE(rig.player.IsPlaying());
    EXPECT_EQ(rig.player.GetPosition(), 8000);  // no device: the play's start
}

TEST(WavePlayer, PlaysWithoutASink) {
    auto stream = CountingRecording(16000, 5000);
    Rig rig;
    ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), 0);
    EXPECT_TRUE(rig.PlayToEnd());
}

TEST(WavePlayer, ReportsOpenFailuresAndTellsOnceThatItFellBackToSilence) {
    auto stream = CountingRecording(16000, 100);
    int tries = 0;
    pcmsrc_wave_player failing([&](const wave_format&, std::unique_ptr<wave_out_device>*) {
        ++tries;
        return wave_out_open_result{kWaveOutBadDevice, false, ""};
    });
    EXPECT_EQ(failing.Play(nullptr, kViewBuffer, kViewQueue, 0, 0), 7);
    EXPECT_EQ(tries, 0);
    EXPECT_EQ(failing.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), kWaveOutBadDevice);
    EXPECT_FALSE(failing.IsPlaying());

    auto clock = std::make_shared<wave_out_virtual_clock>();
    auto silent = wave_out_silent::opener(clock);
    pcmsrc_wave_player player([&](const wave_format& f, std::unique_ptr<wave_out_device>* out) {
        wave_out_open_result r = silent(f, out);
        r.fallback_reason = "no output device";
        return r;
    });
    std::vector<std::string> notices;
    player.SetSilentFallbackNotice([&](const std::string& reason) { notices.push_back(reason); });
    for (int i = 0; i < 2; ++i) ASSERT_EQ(player.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), 0);
    EXPECT_EQ(notices, std::vector<std::string>{"no output device"});
    EXPECT_TRUE(player.IsSilent());
}

// A sink that holds the pump inside OnBufferQueued until released.
class BlockingSink : public RecordingSink {
public:
    void OnBufferQueued(void* data, int* frames) override {
        RecordingSink::OnBufferQueued(data, frames);
        inside = true;
        while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<bool> inside{false}, released{false};
};

TEST(WavePlayer, StopFromAnotherThreadDuringANoticeEndsWithOneStoppedNoticeBeforeItReturns) {
    auto stream = CountingRecording(16000, 48000);
    Rig rig;
    BlockingSink sink;
    rig.player.SetSink(&sink);
    ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return sink.inside.load(); }));
    std::thread stopper([&] {
        rig.player.Stop();
        sink.Add("stop returned");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(sink.Count("stop returned"), 0);  // waits for the pump
    sink.released = true;
    stopper.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rig.player.Stop();  // twice is harmless
    std::lock_guard hold(sink.mutex);
    ASSERT_GE(sink.events.size(), 3u);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "stopped"), 1);
    EXPECT_EQ(sink.events[sink.events.size() - 2], "stopped");
    EXPECT_EQ(sink.events.back(), "stop returned");
}

// A sink that stops its own player from inside a notice, on the pump thread.
class SelfStoppingSink : public RecordingSink {
public:
    explicit SelfStoppingSink(pcmsrc_wave_player* player) : player_(player) {}
    void OnBufferQueued(void* data, int* frames) override {
        RecordingSink::OnBufferQueued(data, frames);
        player_->Stop();
    }

private:
    pcmsrc_wave_player* player_;
};

TEST(WavePlayer, StopFromItsOwnSinkOnlyAsksThePumpToEnd) {
    auto stream = CountingRecording(16000, 48000);
    Rig rig;
    SelfStoppingSink sink(&rig.player);
    rig.player.SetSink(&sink);
    ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return sink.Count("stopped") == 1; }));
    rig.player.Stop();  // the owner's stop joins the ended pump and releases the device
    EXPECT_EQ(sink.Count("queued"), 1);
    EXPECT_EQ(rig.player.GetHeaderCount(), 0);
}

TEST(WavePlayer, StopRightAfterPlayDoesNotWaitForTheAudio) {
    // The clock never moves, so a pump that outlived the stop request would never drain.
    auto stream = CountingRecording(16000, 48000);
    Rig rig;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(rig.player.Play(stream.get(), kViewBuffer, kViewQueue, 0, 0), 0);
        auto stopped = std::async(std::launch::async, [&] { rig.player.Stop(); });
        if (stopped.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            rig.clock->advance_ms(1e6);  // lets the stray pump finish so the test can end
            FAIL() << "Stop waited for the play to end (round " << i << ")";
        }
        ASSERT_FALSE(rig.player.IsPlaying());
    }
}

}  // namespace
