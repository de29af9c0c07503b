// The silent wave-out device on a virtual clock: buffers are consumed at the byte rate, in order,
// only while queued and not paused; reset, unprepare and close keep their contracts.
#include "platform/wave_out_silent.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

wave_format Mono16(uint32_t rate) { return {1, rate, rate * 2, 2, 16}; }

struct Fixture {
    std::shared_ptr<wave_out_virtual_clock> clock = std::make_shared<wave_out_virtual_clock>();
    wave_out_silent device{Mono16(16000), clock};
    std::vector<char> data = std::vector<char>(960 * 3);
    wave_header headers[3];

    Fixture() {
        for (int i = 0; i < 3; ++i) {
            headers[i].data = data.data() + i * 960;
            headers[i].buffer_length = 960;  // 30 ms
            device.prepare(&headers[i]);
        }
    }
    uint32_t Position() {
        uint32_t bytes = 12345;
        EXPECT_EQ(device.get_position_bytes(&bytes), kWaveOutOk);
        return bytes;
    }
};

TEST(WaveOutSilent, ConsumesQueuedBuffersInOrderOnTheClock) {
    Fixture f;
    f.clock->advance_ms(500);  // time before the first write does not count
    for (auto& h : f.headers) ASSERT_EQ(f.device.write(&h), kWaveOutOk);
    EXPECT_EQ(f.Position(), 0u);
    f.clock->advance_ms(29.99);
    EXPECT_FALSE(f.device.is_done(&f.headers[0]));
    f.clock->advance_ms(0.01);
    EXPECT_TRUE(f.device.is_done(&f.headers[0]));
    EXPECT_FALSE(f.device.is_done(&f.headers[1]));
    EXPECT_EQ(f.Position(), 960u);
    // Fractions of a frame add up exactly over many small steps.
    for (int i = 0; i < 1000; ++i) f.clock->advance_ns(31250);  // 1000 x 1/32 ms = 31.25 ms = 500 frames
    EXPECT_EQ(f.Position(), 960u + 1000u);
    // Starved: the position stays at the end of what was written.
    f.clock->advance_ms(1000);
    EXPECT_EQ(f.Position(), 3u * 960);
    for (auto& h : f.headers) EXPECT_TRUE(f.device.is_done(&h));
}

TEST(WaveOutSilent, PauseHoldsThePositionAndRestartGoesOn) {
    Fixture f;
    ASSERT_EQ(f.device.write(&f.headers[0]), kWaveOutOk);
    f.clock->advance_ms(10);
    ASSERT_EQ(f.device.pause(), kWaveOutOk);
    f.clock->advance_ms(100);
    EXPECT_EQ(f.Position(), 320u);
    ASSERT_EQ(f.device.restart(), kWaveOutOk);
    f.clock->advance_ms(10);
    EXPECT_EQ(f.Position(), 640u);
}

TEST(WaveOutSilent, ResetUnprepareAndCloseKeepTheirContracts) {
    Fixture f;
    wave_header unprepared;
    unprepared.data = f.data.data();
    unprepared.buffer_length = 2;
    EXPECT_EQ(f.device.write(&unprepared), kWaveOutUnprepared);

    ASSERT_EQ(f.device.write(&f.headers[0]), kWaveOutOk);
    ASSERT_EQ(f.device.write(&f.headers[1]), kWaveOutOk);
    f.clock->advance_ms(40);
    EXPECT_EQ(f.device.unprepare(&f.headers[1]), kWaveOutStillPlaying);
    EXPECT_EQ(f.device.close(), kWaveOutStillPlaying);

    ASSERT_EQ(f.device.reset(), kWaveOutOk);
    EXPECT_EQ(f.Position(), 0u);
    EXPECT_TRUE(f.device.is_done(&f.headers[1]));
    EXPECT_EQ(f.device.unprepare(&f.headers[1]), kWaveOutOk);
    EXPECT_EQ(f.device.close(), kWaveOutOk);
    uint32_t bytes = 0;
    EXPECT_EQ(f.device.get_position_bytes(&bytes), kWaveOutInvalidHandle);
}

TEST(WaveOutFormat, AcceptsOnlyConsistentPcm) {
    struct Case {
        wave_format format;
        int expected;
    } cases[] = {
        {Mono16(16000), kWaveOutOk},
        {{2, 44100, 44100 * 4, 4, 16}, kWaveOutOk},
        {{1, 8000, 8000, 1, 8}, kWaveOutOk},
        {{1, 16000, 32000, 2, 24}, kWaveOutBadFormat},
        {{0, 16000, 0, 0, 16}, kWaveOutBadFormat},
        {{2, 16000, 32000, 2, 16}, kWaveOutBadFormat},  // block align of one channel
        {{1, 0, 0, 2, 16}, kWaveOutBadFormat},
    };
    for (const Case& c : cases) EXPECT_EQ(check_wave_format(c.format), c.expected) << c.format.channels;
}

TEST(WaveOutOpen, FallsBackToSilenceWhenTheSoundSystemIsNotWanted) {
    std::unique_ptr<wave_out_device> device;
    wave_out_open_result r = open_wave_out(Mono16(16000), &device, true);
    EXPECT_EQ(r.code, kWaveOutOk);
    EXPECT_TRUE(r.silent);
    EXPECT_FALSE(r.fallback_reason.empty());
    EXPECT_NE(dynamic_cast<wave_out_silent*>(device.get()), nullptr);
    EXPECT_EQ(open_wave_out({1, 16000, 48000, 3, 24}, &device, true).code, kWaveOutBadFormat);
}

}  // namespace
