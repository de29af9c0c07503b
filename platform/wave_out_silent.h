// The silent wave-out device: takes written buffers at the format's byte rate on a clock and plays
// nothing. Used when no sound output opens, and with a virtual clock in tests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/wave_out.h"
#include "platform/wave_out_clock.h"

// Any thread; one mutex guards the queue and the position. Time only counts while buffers are
// queued and the device is not paused (a starved device stands still, as a sound card's position
// does). Work is done lazily when a caller looks (is_done, get_position_bytes), so no thread runs.
class wave_out_silent : public wave_out_device {
public:
    // The clock is shared so that a test can keep moving it; null means the real clock.
    wave_out_silent(const wave_format& format, std::shared_ptr<wave_out_clock> clock);
    ~wave_out_silent() override;

    int prepare(wave_header* header) override;
    int unprepare(wave_header* header) override;
    int write(wave_header* header) override;
    bool is_done(const wave_header* header) override;
    int get_position_bytes(uint32_t* bytes) override;
    int pause() override;
    int restart() override;
    int reset() override;
    int close() override;

    // An opener for the wave player: silent devices on the given clock.
    static wave_out_opener opener(std::shared_ptr<wave_out_clock> clock);

private:
    // Moves the queue on by the time since the last look. Caller holds mutex_.
    void advance_locked();

    std::mutex mutex_;
    wave_format format_;
    std::shared_ptr<wave_out_clock> clock_;
    std::deque<wave_header*> queue_;
    int64_t last_ns_ = 0;
    // Time not yet turned into whole frames, in ns x frames per second (exact, so no drift).
    int64_t credit_ = 0;
    uint64_t position_ = 0;  // bytes
    bool paused_ = false;
    bool closed_ = false;
};
