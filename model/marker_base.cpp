// Marker base class and the serial id counter.
#include "model/marker_base.h"

#include <atomic>

namespace {
std::atomic<uint32_t> marker_counter{0};
}

uint32_t next_marker_id() { return marker_counter.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t last_marker_id() { return marker_counter.load(std::memory_order_relaxed); }

marker_base::marker_base() : start(0), end(0), value(0.0f), id(next_marker_id()) {}

marker_base::marker_base(int start_ms, int end_ms, const char* text, float v)
    : start(start_ms), end(end_ms), label(text ? text : ""), value(v), id(next_marker_id()) {}
