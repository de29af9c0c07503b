// Clocks for the silent wave-out device: the real monotonic clock, and a virtual clock that tests
// move by hand so that playback runs exactly as far as they say.
#pragma once

#include <atomic>
#include <cstdint>

// Nanoseconds on some fixed origin; never goes back. Any thread.
class wave_out_clock {
public:
    virtual ~wave_out_clock() = default;
    virtual int64_t now_ns() = 0;
};

// std::chrono::steady_clock.
class wave_out_steady_clock : public wave_out_clock {
public:
    int64_t now_ns() override;
};

// Starts at 0 and moves only by advance. Any thread.
class wave_out_virtual_clock : public wave_out_clock {
public:
    int64_t now_ns() override { return now_.load(); }
    void advance_ns(int64_t ns) { now_.fetch_add(ns); }
    void advance_ms(double ms) { advance_ns(static_cast<int64_t>(ms * 1e6)); }

private:
    std::atomic<int64_t> now_{0};
};
