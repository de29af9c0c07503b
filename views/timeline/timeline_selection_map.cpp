// The selection and the time map of a timeline view.
#include "views/timeline/timeline_selection_map.h"

#include <algorithm>
#include <climits>

#include "app/core/phonarc_doc.h"

timeline_selection_map::timeline_selection_map(CPhonarcDoc& doc, TimeMap& map) : doc_(doc), map_(map) {
    doc_.SetSelectionSource(this);
}

timeline_selection_map::~timeline_selection_map() {
    // Leaving clears the document's source when it is this one.
    doc_.RemoveView(this);
}

bool timeline_selection_map::GetSelection(int* start, int* end) {
    *start = start_;
    *end = end_;
    return true;
}

timeline_selection_map::Edge timeline_selection_map::EdgeWithin(int from, int to) const {
    if (from <= start_ && start_ <= to) return kStartEdge;
    if (from <= end_ && end_ <= to) return kEndEdge;
    return kNoEdge;
}

void timeline_selection_map::DragEdge(Edge edge, int sample) {
    if (edge == kNoEdge) return;
    (edge == kEndEdge ? end_ : start_) = std::max(sample, 0);
}

bool timeline_selection_map::OrderEnds() {
    if (end_ >= start_) return false;
    std::swap(start_, end_);
    return true;
}

bool timeline_selection_map::Outside(int from, int to) const {
    const int lo = std::min(start_, end_), hi = std::max(start_, end_);
    return to < lo || from > hi;
}

bool timeline_selection_map::EndNear(int sample) const {
    const int spp = map_.samplesPerPixel;
    const int lo = std::max(sample - spp, 0), hi = sample + spp;
    return (lo <= start_ && start_ <= hi) || (lo <= end_ && end_ <= hi);
}

void timeline_selection_map::ResetZoom(int streamLength, int sampleRate, int width) {
    map_.samplesPerPixel = InitialSamplesPerPixel(streamLength, sampleRate, std::max(width, 1));
    map_.firstSample = 0;
}

int timeline_selection_map::Scroll(ScrollCode code, int trackPosition, int pageWidth, int streamLength) {
    const int spp = std::max(map_.samplesPerPixel, 1);
    int64_t pos = map_.firstSample / spp;
    switch (code) {
        case kLineLeft: pos -= 10; break;
        case kLineRight: pos += 10; break;
        case kPageLeft: pos -= pageWidth / 2; break;
        case kPageRight: pos += pageWidth / 2; break;
        case kThumbPosition:
        case kThumbTrack: pos = trackPosition; break;
        case kLeftEnd: pos = 0; break;
        case kRightEnd: pos = streamLength / spp; break;
        case kEndScroll: return static_cast<int>(pos);
    }
    if (pos < 0) pos = 0;
    map_.firstSample = static_cast<int>(std::min<int64_t>(pos * spp, INT32_MAX));
    return static_cast<int>(pos);
}

bool timeline_selection_map::Hides(int sample, int width) const {
    const int64_t first = map_.firstSample;
    return sample < first || sample > first + int64_t{width} * std::max(map_.samplesPerPixel, 1);
}

bool timeline_selection_map::ZoomIn() {
    if (map_.samplesPerPixel <= 1) return false;
    map_.samplesPerPixel >>= 1;
    return true;
}

bool timeline_selection_map::ZoomOut() {
    if (map_.samplesPerPixel >= kZoomOutLimit) return false;
    map_.samplesPerPixel <<= 1;
    return true;
}

bool timeline_selection_map::KeepStartInView(int64_t span) {
    if (!(map_.firstSample < start_ && map_.firstSample + span < start_)) return false;
    map_.firstSample = static_cast<int>(start_ - span / 3);
    return true;
}
