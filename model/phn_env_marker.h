// Phoneme envelope markers: a phoneme label with a curve of (time, value) points. Made by the
// articulator's envelope pass and the results-file reader; written as "phn_env" records.
#pragma once

#include <vector>

#include "model/marker_base.h"

struct envelope_point {
    envelope_point() = default;
    envelope_point(int32_t b, int32_t t, float v) : base(b), time(t), value(v) {}

    int32_t base = 0;  // the marker's start when read from a file; not written
    int32_t time = 0;  // ms
    float value = 0.0f;
};

class phn_env_marker : public marker_base {
public:
    phn_env_marker() = default;
    phn_env_marker(int start, int end, const char* label) : marker_base(start, end, label, 50.0f) {}

    std::vector<envelope_point> points;
};
