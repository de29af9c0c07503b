// The marker lists: one vector-based list per marker kind, kept in order of start time, with the
// range erase, sorted insertion, merging and edge moves that the editors and result tracks use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "model/art_marker.h"
#include "model/gesture_marker.h"
#include "model/og_marker.h"
#include "model/phn_env_marker.h"
#include "model/phn_marker.h"

class ISyncResultsCollection;

// Extent of an empty list: an empty range.
inline constexpr int kEmptyExtentMin = 1000000000;
inline constexpr int kEmptyExtentMax = -100000000;

// Whether a marker overlaps the inclusive range [s, e]; touching it at one end counts.
template <class M>
bool overlaps_range(const M& m, int s, int e) {
    return (m.start >= s && m.start <= e) || (m.end >= s && m.end <= e) || (m.start < s && m.end > e);
}

// The smallest and largest start or end of all markers of a list.
template <class L>
void get_list_extent(const L& list, int* min_time, int* max_time) {
    int lo = kEmptyExtentMin, hi = kEmptyExtentMax;
    for (const auto& m : list) {
        lo = std::min({lo, static_cast<int>(m.start), static_cast<int>(m.end)});
        hi = std::max({hi, static_cast<int>(m.start), static_cast<int>(m.end)});
    }
    *min_time = lo;
    *max_time = hi;
}

// Indices of the markers that overlap [s, e], in list order; the scan stops at the first marker
// that starts after e. Empty when s > e.
template <class L>
std::vector<int> collect_markers_in_range(const L& list, int s, int e) {
    std::vector<int> out;
    if (s > e) return out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].start > e) break;
        if (overlaps_range(list[i], s, e)) out.push_back(static_cast<int>(i));
    }
    return out;
}

// Sets the end to the larger of time and the start; always true.
bool clamp_set_end(marker_base& m, int time);

// Common base of the lists. Held by value; copying copies the markers with their ids.
// User-interface thread only.
template <class M>
class marker_list : public std::vector<M> {
public:
    using std::vector<M>::vector;
    using std::vector<M>::erase;
    virtual ~marker_list() = default;

    // s = e = -1 empties the list; otherwise every marker overlapping [s, e] goes.
    virtual void erase(int s, int e) {
        if (s == -1 && e == -1) {
            this->clear();
            return;
        }
        remove_overlapping(s, e);
    }

    // Inserts each marker of other after every marker with an equal or smaller start.
    void insert_sorted(const std::vector<M>& other) {
        if (this->empty()) {
            std::vector<M>::operator=(other);
            return;
        }
        const auto by_start = [](const M& a, const M& b) { return a.start < b.start; };
        if (!std::is_sorted(this->begin(), this->end(), by_start)) {
            // Not in order: one binary search per marker, as ever.
            this->reserve(this->size() + other.size());
            for (const M& m : other) {
                auto at = std::upper_bound(this->begin(), this->end(), m.start,
                                           [](int t, const M& x) { return t < x.start; });
                this->insert(at, m);
            }
            return;
        }
        // One stable merge: inserting marker by marker moves the tail each time, and a whole new
        // alignment over a long recording would take seconds.
        std::vector<M> incoming(other);
        std::stable_sort(incoming.begin(), incoming.end(), by_start);
        std::vector<M> merged;
        merged.reserve(this->size() + incoming.size());
        std::merge(std::make_move_iterator(this->begin()), std::make_move_iterator(this->end()),
                   std::make_move_iterator(incoming.begin()), std::make_move_iterator(incoming.end()),
                   std::back_inserter(merged), by_start);
        std::vector<M>::operator=(std::move(merged));
    }

    // Index of the marker with the given serial id, or -1.
    int index_of_id(uint32_t id) const {
        for (size_t i = 0; i < this->size(); ++i)
            if ((*this)[i].id == id) return static_cast<int>(i);
        return -1;
    }

    M* find_id(uint32_t id) {
        int i = index_of_id(id);
        return i < 0 ? nullptr : &(*this)[i];
    }

protected:
    // Removes every marker overlapping [s, e] up to the first that starts after e; nothing when
    // s > e. One pass: erasing one by one would move the tail once per marker.
    void remove_overlapping(int s, int e) {
        if (s > e) return;
        auto stop = this->begin();
        while (stop != this->end() && stop->start <= e) ++stop;
        auto kept = std::remove_if(this->begin(), stop, [&](const M& m) { return overlaps_range(m, s, e); });
        std::vector<M>::erase(kept, stop);
    }

    // Cuts the other list's extent out, then inserts its markers in start order. A marker that
    // only touches the extent (ends at its start or starts at its end) is a neighbour, such as
    // the word after a selection that was aligned again, and stays.
    void merge_over_extent(const marker_list& other) {
        if (other.empty()) return;
        int a, b;
        get_list_extent(other, &a, &b);
        auto stop = this->begin();
        while (stop != this->end() && stop->start < b) ++stop;
        auto kept = std::remove_if(this->begin(), stop, [&](const M& m) { return m.start < b && m.end > a; });
        std::vector<M>::erase(kept, stop);
        insert_sorted(other);
    }

    // Cuts [s, e] out of the markers: inside ones go, ones across an edge are trimmed, one that
    // spans the whole range is split in two (the second half gets a new id).
    // One pass from the first marker the range touches: erasing one by one would move the tail
    // once per marker.
    void cut_range(int s, int e) {
        if (s > e) return;
        const auto untouched = [&](const M& m) { return m.end < s || m.start > e; };
        auto first = std::find_if_not(this->begin(), this->end(), untouched);
        if (first == this->end()) return;
        std::vector<M> out;
        out.reserve(this->size() + 1);
        std::move(this->begin(), first, std::back_inserter(out));
        for (auto it = first; it != this->end(); ++it) {
            M& m = *it;
            if (untouched(m)) {
                out.push_back(std::move(m));
            } else if (s <= m.start && m.end <= e) {
                // inside: goes
            } else if (m.start < s && m.end > e) {
                int old_end = m.end;
                m.set_end(s);
                M rest = m;
                rest.id = next_marker_id();
                out.push_back(std::move(m));
                rest.set_start(e);
                rest.set_end(old_end);
                out.push_back(std::move(rest));
            } else if (m.start < s) {
                m.set_end(s);
                out.push_back(std::move(m));
            } else {
                m.set_start(e);
                out.push_back(std::move(m));
            }
        }
        std::vector<M>::operator=(std::move(out));
    }
};

class phn_marker_list : public marker_list<phn_marker> {
public:
    using marker_list::marker_list;
    using marker_list::erase;

    // s = e = -1 empties the list; otherwise erase_range.
    void erase(int s, int e) override;
    // Trims and splits phonemes at the edges of [s, e]; energy follows the edges.
    void erase_range(int s, int e) { cut_range(s, e); }
    // Cuts the other's extent out, inserts its phonemes and lets each incoming edge phoneme absorb
    // a neighbour with the same label or shorter than 30 ms.
    void merge(const phn_marker_list& other);

    bool move_start(phn_marker* p, int new_start);
    bool move_end(phn_marker* p, int new_end);
    bool move(phn_marker* p, int delta);

    // Adds a phoneme record to the sink for every phoneme overlapping [s, e]
    // (s = e = -1: the whole list).
    void export_markers(ISyncResultsCollection* sink, int s, int e) const;
};

// Words. Moving an edge into a neighbour pushes the neighbour and halves it.
class og_marker_list : public marker_list<og_marker> {
public:
    using marker_list::marker_list;

    // Removes own words that share time with the other's extent, then inserts the other's in order.
    void merge(const marker_list<og_marker>& other) { merge_over_extent(other); }

    bool move_start(og_marker* m, int new_start);
    bool move_end(og_marker* m, int new_end);
    bool move(og_marker* m, int delta);
};

// Punctuation and markup events. Moves re-sort the list instead of pushing neighbours.
class event_marker_list : public marker_list<og_marker> {
public:
    using marker_list::marker_list;

    void merge(const marker_list<og_marker>& other) { merge_over_extent(other); }

    // Refused when the new start is after the end.
    bool move_start(og_marker* m, int new_start);
    // Refused for a null marker.
    bool shift(og_marker* m, int delta);
    // Stable-sorts the list when the marker is out of order with a neighbour; true when sorted.
    bool resort(og_marker* m);
};

class gesture_marker_list : public marker_list<FGesture> {
public:
    using marker_list::marker_list;

    // Gestures whose type has a bit of include (any when 0) and no bit of exclude (none when 0).
    gesture_marker_list filter(uint32_t include_mask, uint32_t exclude_mask) const;

    // Edits of the gesture channel. Gestures may overlap, so a move never pushes a neighbour; the
    // list is re-sorted instead. A tween gesture's steps stay inside it: a whole move carries them
    // along, an edge move trims them (a step left with no length goes). A moved gesture may land
    // elsewhere in the list: find it again by id.
    // Refused for a null gesture, a start below 0 or not before the end.
    bool move_start(FGesture* g, int new_start);
    // Refused for a null gesture or an end not after the start.
    bool move_end(FGesture* g, int new_end);
    // Moves start, end and steps by delta, kept from starting below 0; refused for a null gesture.
    bool move(FGesture* g, int delta);
    // Stable-sorts the list when the gesture is out of order with a neighbour; true when sorted.
    bool resort(FGesture* g);
};

// Articulation keys. The virtual erase removes overlapping keys whole; erase_range trims them.
class articulation_list : public marker_list<art_marker> {
public:
    using marker_list::marker_list;

    void erase_range(int s, int e) { cut_range(s, e); }
};

class envelope_list : public marker_list<phn_env_marker> {
public:
    using marker_list::marker_list;
};
