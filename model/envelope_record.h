// A phoneme envelope as the articulator hands it out: one code's weight curve as spans with
// values. Built from the articulation keys; read by callers through the articulator.
#pragma once

#include <cstdint>

#include "model/phn_env_marker.h"

// The points array belongs to the articulator that made the record and lives until it rebuilds
// or drops its envelopes. Each point is a span: base its start, time its end (ms), value the
// code's weight over it.
struct EnvelopeRecord {
    char label[4];  // phoneme code, at most 2 characters, NUL-terminated
    int32_t start;  // ms
    int32_t end;    // ms
    int32_t count;  // number of points
    envelope_point* points;
};
