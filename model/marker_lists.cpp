// Editing operations of the marker lists: phoneme and word edge moves, phoneme merging, event
// re-sorting and gesture filtering.
#include "model/marker_lists.h"

#include <algorithm>

bool clamp_set_end(marker_base& m, int time) {
    m.set_end(std::max(time, static_cast<int>(m.start)));
    return true;
}

// ---- phonemes ----

void phn_marker_list::erase(int s, int e) {
    if (s == -1 && e == -1) {
        clear();
        return;
    }
    erase_range(s, e);
}

void phn_marker_list::merge(const phn_marker_list& other) {
    int a, b;
    get_list_extent(other, &a, &b);
    erase_range(a, b);
    insert_sorted(other);
    if (a >= b) return;

    // A phoneme shorter than this is swallowed by the incoming phoneme next to it.
    constexpr int kShortPhoneme = 30;

    for (size_t i = 0; i < size(); ++i) {
        if ((*this)[i].start != a) continue;
        if (i > 0) {
            phn_marker& p = (*this)[i - 1];
            phn_marker& m = (*this)[i];
            if (p.label == m.label || p.end - p.start < kShortPhoneme) {
                m.set_start(p.start);
                marker_list::erase(begin() + (i - 1));
            }
        }
        break;
    }
    for (size_t i = 0; i < size(); ++i) {
        if ((*this)[i].end != b) continue;
        if (i + 1 < size()) {
            phn_marker& m = (*this)[i];
            phn_marker& n = (*this)[i + 1];
            if (n.label == m.label || n.end - n.start < kShortPhoneme) {
                m.set_end(n.end);
                marker_list::erase(begin() + (i + 1));
            }
        }
        break;
    }
}

bool phn_marker_list::move_end(phn_marker* p, int new_end) {
    if (!p || new_end <= p->start || new_end == p->end) return false;
    size_t i = static_cast<size_t>(p - data());
    if (i + 1 >= size()) {
        p->set_end(new_end);
        return true;
    }
    phn_marker& n = (*this)[i + 1];
    int old_end = p->end;
    if (new_end > old_end && new_end >= n.end) {
        p->set_end(new_end);
        size_t j = i + 1;
        while (j < size() && (*this)[j].end <= new_end) ++j;
        marker_list::erase(begin() + (i + 1), begin() + j);
        if (i + 1 < size() && (*this)[i + 1].start < new_end) (*this)[i + 1].set_start(new_end);
    } else if (n.start == old_end) {
        n.set_start(new_end);
        p->set_end(new_end);
    } else {
        p->set_end(new_end);
        if (n.start <= new_end) n.set_start(new_end);
    }
    return true;
}

bool phn_marker_list::move_start(phn_marker* p, int new_start) {
    if (!p || new_start < 0 || new_start >= p->end) return false;
    size_t i = static_cast<size_t>(p - data());
    if (i == 0) {
        p->set_start(new_start);
        return true;
    }
    if (new_start >= p->start) {
        phn_marker& prev = (*this)[i - 1];
        if (prev.end >= p->start) prev.set_end(new_start);
        p->set_start(new_start);
        return true;
    }
    p->set_start(new_start);
    size_t f = 0;
    while (f < i && (*this)[f].end < new_start) ++f;
    if (f < i && (*this)[f].start < new_start) {
        (*this)[f].set_end(new_start);
        ++f;
    }
    if (f < i) marker_list::erase(begin() + f, begin() + i);
    return true;
}

namespace {

// Moves a marker by delta through its list's edge moves, the growing edge first; the marker is
// found again by id because the first move may have erased markers before it.
template <class L, class M>
bool move_by(L& list, M* m, int delta) {
    if (!m) return false;
    int new_end = m->end + delta;
    int new_start = m->start + delta;
    if (new_end < 6) return false;
    if (new_start < 0) new_start = 0;
    uint32_t id = m->id;
    if (delta > 0) {
        list.move_end(m, new_end);
        if (M* again = list.find_id(id)) list.move_start(again, new_start);
    } else {
        list.move_start(m, new_start);
        if (M* again = list.find_id(id)) list.move_end(again, new_end);
    }
    return true;
}

}  // namespace

bool phn_marker_list::move(phn_marker* p, int delta) { return move_by(*this, p, delta); }

// ---- words ----

bool og_marker_list::move_end(og_marker* m, int new_end) {
    if (!m || new_end <= m->start) return false;
    m->set_end(new_end);
    size_t i = static_cast<size_t>(m - data());
    if (i + 1 >= size() || new_end < (*this)[i + 1].start) return true;
    int boundary = new_end;
    for (size_t j = i + 1; j < size() && boundary > (*this)[j].start; ++j) {
        og_marker& f = (*this)[j];
        int half = (f.end - f.start) / 2;
        f.set_start(boundary);
        f.set_end(boundary + half);
        boundary += half;
    }
    return true;
}

bool og_marker_list::move_start(og_marker* m, int new_start) {
    if (!m || new_start < 0 || new_start >= m->end) return false;
    size_t i = static_cast<size_t>(m - data());
    if (i == 0 || new_start >= m->start) {
        m->set_start(new_start);
        return true;
    }
    m->set_start(new_start);
    int boundary = new_start;
    for (size_t j = i; j-- > 0;) {
        og_marker& p = (*this)[j];
        if (p.end <= boundary) break;
        int half = (p.end - p.start) / 2;
        int ns = std::max(boundary - half, 0);
        p.set_start(ns);
        p.set_end(boundary);
        boundary = ns;
    }
    return true;
}

bool og_marker_list::move(og_marker* m, int delta) { return move_by(*this, m, delta); }

// ---- events ----

bool event_marker_list::move_start(og_marker* m, int new_start) {
    if (!m || new_start > m->end) return false;
    m->set_start(new_start);
    resort(m);
    return true;
}

bool event_marker_list::shift(og_marker* m, int delta) {
    if (!m) return false;
    m->set_start(m->start + delta);
    m->set_end(m->end + delta);
    resort(m);
    return true;
}

bool event_marker_list::resort(og_marker* m) {
    if (!m) return false;
    size_t i = static_cast<size_t>(m - data());
    bool out_of_order = (i > 0 && m->start < (*this)[i - 1].start) || (i + 1 < size() && m->start > (*this)[i + 1].start);
    if (!out_of_order) return false;
    std::stable_sort(begin(), end(), [](const og_marker& a, const og_marker& b) { return a.start < b.start; });
    return true;
}

// ---- gestures ----

gesture_marker_list gesture_marker_list::filter(uint32_t include_mask, uint32_t exclude_mask) const {
    gesture_marker_list out;
    for (const FGesture& g : *this) {
        if (include_mask != 0 && (g.type & include_mask) == 0) continue;
        if (exclude_mask != 0 && (g.type & exclude_mask) != 0) continue;
        out.push_back(g);
    }
    return out;
}

namespace {
// Drops the steps outside [start, end] and trims the ones across an edge.
void clip_tweens(FGesture& g) {
    auto& steps = g.tweens;
    for (auto& t : steps) {
        t.start = std::max(t.start, g.start);
        t.end = std::min(t.end, g.end);
    }
    steps.erase(std::remove_if(steps.begin(), steps.end(), [](const tween_gesture_marker& t) { return t.end <= t.start; }),
                steps.end());
}
}  // namespace

bool gesture_marker_list::move_start(FGesture* g, int new_start) {
    if (!g || new_start < 0 || new_start >= g->end) return false;
    g->set_start(new_start);
    clip_tweens(*g);
    resort(g);
    return true;
}

bool gesture_marker_list::move_end(FGesture* g, int new_end) {
    if (!g || new_end <= g->start) return false;
    g->set_end(new_end);
    clip_tweens(*g);
    resort(g);
    return true;
}

bool gesture_marker_list::move(FGesture* g, int delta) {
    if (!g) return false;
    delta = std::max(delta, -g->start);
    g->set_start(g->start + delta);
    g->set_end(g->end + delta);
    for (auto& t : g->tweens) {
        t.start += delta;
        t.end += delta;
    }
    resort(g);
    return true;
}

bool gesture_marker_list::resort(FGesture* g) {
    if (!g) return false;
    const size_t i = static_cast<size_t>(g - data());
    const bool out_of_order =
        (i > 0 && g->start < (*this)[i - 1].start) || (i + 1 < size() && g->start > (*this)[i + 1].start);
    if (!out_of_order) return false;
    std::stable_sort(begin(), end(), [](const FGesture& a, const FGesture& b) { return a.start < b.start; });
    return true;
}
