// The selection and the time map of a timeline view: which samples are selected, which sample the
// left edge shows and how many samples a pixel column holds. The document asks it for the
// selection its commands work on; the view draws and scrolls from it.
#pragma once

#include <cstdint>

#include "app/core/document_host.h"
#include "views/timeline/timeline_layout.h"

class CPhonarcDoc;

// GUI thread only. The map is the view's (its channels read it while they draw); the selection
// is kept here. Joins the document as its selection source for as long as it lives.
class timeline_selection_map : public document_view {
public:
    enum Edge { kNoEdge = 0, kEndEdge = 1, kStartEdge = 2 };
    // Codes of horizontal scrolling.
    enum ScrollCode { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumbPosition, kThumbTrack, kLeftEnd, kRightEnd, kEndScroll };
    static constexpr int kZoomOutLimit = 1 << 30;  // doubling past this would overflow the maps

    timeline_selection_map(CPhonarcDoc& doc, TimeMap& map);
    ~timeline_selection_map() override;
    timeline_selection_map(const timeline_selection_map&) = delete;
    timeline_selection_map& operator=(const timeline_selection_map&) = delete;

    // The ends as they are (reversed while a drag crosses them); always true.
    bool GetSelection(int* start, int* end) override;
    int Start() const { return start_; }
    int End() const { return end_; }
    void Select(int start, int end) {
        start_ = start;
        end_ = end;
    }
    // The end a press over the samples [from, to] grabs: the start before the end; none when
    // neither lies there.
    Edge EdgeWithin(int from, int to) const;
    // A drag moves one end to the sample (never below 0).
    void DragEdge(Edge edge, int sample);
    // Puts reversed ends in order; whether they were reversed.
    bool OrderEnds();
    // Whether [from, to] lies wholly outside the selection.
    bool Outside(int from, int to) const;
    // Whether an end lies within a column of the sample.
    bool EndNear(int sample) const;

    // ---- the time map ----
    const TimeMap& Map() const { return map_; }
    // The whole recording across width columns (at most 25 seconds), from its start.
    void ResetZoom(int streamLength, int sampleRate, int width);
    // Scrolls as the code says; pageWidth is the channel area's width. Returns the new scroll
    // position in columns.
    int Scroll(ScrollCode code, int trackPosition, int pageWidth, int streamLength);
    // Whether the sample lies outside the width columns shown from the first sample.
    bool Hides(int sample, int width) const;
    // Halves the samples per column down to 1; false when it was 1 already.
    bool ZoomIn();
    // Doubles the samples per column up to the limit; false at it.
    bool ZoomOut();
    // After zooming in: a selection start right of the span of samples shown comes into view a
    // third of the span in; whether the view moved.
    bool KeepStartInView(int64_t span);
    // The column range the selection covers, inverted over the area.
    BandRect Rect(const BandRect& area) const { return SelectionRect(map_, start_, end_, area); }

private:
    CPhonarcDoc& doc_;
    TimeMap& map_;
    int start_ = 0;
    int end_ = 0;
};
