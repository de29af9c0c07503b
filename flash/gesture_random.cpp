// Process-wide generator of the gesture generation and its range draws.
#include "flash/gesture_random.h"

#include <chrono>

void gesture_random::seed_with(uint64_t seed) {
    // Mixing the seed keeps small neighbouring seeds from starting on similar sequences.
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    state_ = z ^ (z >> 31);
}

int gesture_random::next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>((state_ >> 48) & kMax);
}

namespace {
gesture_random& generator() {
    static gesture_random g;
    return g;
}
}  // namespace

void SeedRandomInRange(uint64_t seed) { generator().seed_with(seed); }

uint64_t ClockSeed() {
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

int RandomInRange(int lo, int hi) {
    int64_t n = static_cast<int64_t>(hi) - lo + 1;
    if (n < 1) return 0;
    double r = generator().next() / (gesture_random::kMax + 1.0);
    return static_cast<int>(lo + static_cast<int64_t>(r * static_cast<double>(n)));
}
