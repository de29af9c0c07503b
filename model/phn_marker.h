// Phoneme markers with their energy sub-markers, which are kept laid end to end inside the
// phoneme whenever its edges move. Made by the engine import, the results file and the editors.
#pragma once

#include <vector>

#include "model/marker_base.h"

class phn_marker : public marker_base {
public:
    phn_marker() = default;
    phn_marker(int start, int end, const char* label, float value) : marker_base(start, end, label, value) {}

    // Moving an edge rescales the sub-markers by new length / old length (nothing for a
    // phoneme of length 0).
    void set_start(int t) override;
    void set_end(int t) override;

    // Appends a sub-marker with an empty label and a new id.
    void add_energy(float value, int start, int end);

    // Lays the sub-markers end to end from the start, each length scaled by the factor, pins the
    // first to the start and the last to the end, and drops those left with no length.
    void rescale_energy(float factor);

    std::vector<marker_base> energy;
    int32_t extra = 0;
};
