// Word, punctuation and markup-event markers: a labelled span with no value. Held by the word
// and event lists and written to the results file as "word", "punct" and "xml" records.
#pragma once

#include <string>

#include "model/marker_base.h"

class og_marker : public marker_base {
public:
    og_marker() = default;
    og_marker(int start, int end, const std::string& text) : marker_base(start, end, text.c_str(), 0.0f) {}

    // Copied with the marker; nothing in the model reads it.
    int32_t extra = 0;
};
