// One articulation key: up to ten weighted phoneme codes over a span. Made by the articulator,
// held whole by art_marker, read by the head views.
#pragma once

#include <cstdint>

struct ArticulationPair {
    char code[4];  // phoneme code, NUL-terminated
    float weight;
};

struct ArticulationKey {
    static constexpr int kMaxPairs = 10;

    int32_t count;  // pairs in use, 0 to 10
    ArticulationPair pairs[kMaxPairs];
    int32_t start;  // ms
    int32_t end;    // ms
};
