// The time marker that every lip-sync result is made of, and the process-wide serial id that
// lets lists find a marker again after edits move it. Base of every marker kind of the model.
#pragma once

#include <cstdint>
#include <string>

// Takes the next serial id (the first one issued in a process is 1). Markers are made on the
// user-interface thread; the counter is atomic only so that a stray other thread cannot tear it.
uint32_t next_marker_id();
// The last id issued (0 before the first marker).
uint32_t last_marker_id();

// A span of integer milliseconds with a label and a 32-bit value. Plain value type: lists copy
// markers and copying keeps the id. Used on the user-interface thread.
class marker_base {
public:
    marker_base();
    marker_base(int start, int end, const char* label, float value);
    marker_base(const marker_base&) = default;
    marker_base& operator=(const marker_base&) = default;
    virtual ~marker_base() = default;

    virtual void set_start(int t) { start = t; }
    virtual void set_end(int t) { end = t; }
    virtual const char* get_label() const { return label.c_str(); }
    virtual const std::string& get_label_str() const { return label; }

    // A null pointer gives an empty label.
    void set_label(const char* text) { label = text ? text : ""; }

    int length() const { return end - start; }

    int32_t start;
    int32_t end;
    std::string label;
    // Energy or weight for phonemes, envelopes, tween steps and gestures; 0 for the other kinds.
    float value;
    uint32_t id;
    int32_t spare = -1;
};
