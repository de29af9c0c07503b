// Articulation key markers: an ArticulationKey on the timeline, labelled "art". Held by the
// articulation list of a result track and written as "phn_vis" records.
#pragma once

#include <cstring>

#include "model/articulation_key.h"
#include "model/marker_base.h"

class art_marker : public marker_base {
public:
    art_marker() : marker_base(0, 0, "art", 0.0f) { std::memset(&key, 0, sizeof key); }
    explicit art_marker(const ArticulationKey& k) : marker_base(k.start, k.end, "art", 0.0f), key(k) {}

    ArticulationKey key;
};
