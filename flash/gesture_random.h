// The random draws of the gesture generation and placement: one process-wide seedable generator
// whose draws lie in 0 .. 32767 on every platform, so a fixed seed gives the same gestures.
#pragma once

#include <cstdint>

// A small linear congruential generator (64-bit state, 15 bits out of the high end).
class gesture_random {
public:
    static constexpr int kMax = 32767;

    explicit gesture_random(uint64_t seed = 1) { seed_with(seed); }
    void seed_with(uint64_t seed);
    // 0 .. kMax.
    int next();

private:
    uint64_t state_ = 0;
};

// Seeds the process-wide generator that RandomInRange draws from. User-interface thread.
void SeedRandomInRange(uint64_t seed);
// A seed from the clock, for generations that should differ from run to run.
uint64_t ClockSeed();
// An int in [lo, hi]; 0 when hi < lo.
int RandomInRange(int lo, int hi);
