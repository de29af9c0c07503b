// Marker lists: range erase and cut, sorted insertion, merging, edge moves and re-sorting.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>

#include "model/marker_lists.h"

namespace {

struct item {
    const char* label;
    int start, end;
};

template <class L>
L make(std::initializer_list<item> items) {
    L list;
    for (const item& i : items) {
        typename L::value_type m;
        m.start = i.start;
        m.end = i.end;
        m.label = i.label;
        list.push_back(m);
    }
    return list;
}

template <class L>
std::string describe(const L& list) {
    std::ostringstream out;
    for (const auto& m : list) out << (out.tellp() > 0 ? " " : "") << m.label << "[" << m.start << "," << m.end << "]";
    return out.str();
}

TEST(MarkerListErase, RemovesEveryMarkerThatOverlapsOrTouches) {
    struct {
        int s, e;
        const char* expected;
    } cases[] = {
        {100, 200, "d[201,300]"},
        {-1, -1, ""},
        {300, 200, "a[50,100] b[100,150] c[200,250] d[201,300]"},
        {150, 150, "a[50,100] c[200,250] d[201,300]"},
        {0, 49, "a[50,100] b[100,150] c[200,250] d[201,300]"},
        {120, 130, "a[50,100] c[200,250] d[201,300]"},  // spanning the range counts too
        {301, 400, "a[50,100] b[100,150] c[200,250] d[201,300]"},
    };
    for (const auto& c : cases) {
        og_marker_list words = make<og_marker_list>({{"a", 50, 100}, {"b", 100, 150}, {"c", 200, 250}, {"d", 201, 300}});
        std::vector<int> collected = collect_markers_in_range(words, c.s, c.e);
        size_t before = words.size();
        words.erase(c.s, c.e);
        EXPECT_EQ(describe(words), c.expected) << c.s << ".." << c.e;
        if (c.s != -1) {
            EXPECT_EQ(collected.size(), before - words.size()) << c.s << ".." << c.e;
        }
    }
}

TEST(MarkerListErase, ScanStopsAtTheFirstMarkerAfterTheRange) {
    // Out of order on purpose: the late marker after the stop is kept although it overlaps.
    event_marker_list events = make<event_marker_list>({{"a", 10, 20}, {"b", 500, 600}, {"c", 15, 18}});
    events.erase(0, 100);
    EXPECT_EQ(describe(events), "b[500,600] c[15,18]");
}

TEST(PhonemeEraseRange, TrimsSplitsAndRemoves) {
    struct {
        std::initializer_list<item> own;
        int s, e;
        const char* expected;
    } cases[] = {
        {{{"a", 50, 150}, {"b", 150, 250}}, 100, 200, "a[50,100] b[200,250]"},
        {{{"a", 120, 180}}, 100, 200, ""},
        {{{"a", 50, 250}}, 100, 200, "a[50,100] a[200,250]"},
        {{{"a", 0, 100}, {"b", 200, 300}}, 100, 200, "a[0,100] b[200,300]"},  // touching only: kept
        {{{"a", 0, 100}}, 200, 100, "a[0,100]"},
        {{{"a", 0, 100}, {"b", 100, 200}}, -1, -1, ""},
    };
    for (const auto& c : cases) {
        phn_marker_list phonemes = make<phn_marker_list>(c.own);
        phonemes.erase(c.s, c.e);
        EXPECT_EQ(describe(phonemes), c.expected) << c.s << ".." << c.e;
    }
}

TEST(PhonemeEraseRange, SplitRemainderGetsNewIdAndEnergyFollowsTheEdges) {
    phn_marker_list phonemes;
    phonemes.push_back(phn_marker(50, 250, "AA", 80.0f));
    phonemes[0].add_energy(1.0f, 50, 150);
    phonemes[0].add_energy(2.0f, 150, 250);
    uint32_t first_id = phonemes[0].id;
    uint32_t before = last_marker_id();
    phonemes.erase_range(100, 200);
    ASSERT_EQ(phonemes.size(), 2u);
    EXPECT_EQ(phonemes[0].id, first_id);
    EXPECT_EQ(phonemes[1].id, before + 1);
    EXPECT_FLOAT_EQ(phonemes[1].value, 80.0f);
    // The first half keeps its energy squeezed into [50, 100].
    ASSERT_EQ(phonemes[0].energy.size(), 2u);
    EXPECT_EQ(phonemes[0].energy[0].start, 50);
    EXPECT_EQ(phonemes[0].energy[1].end, 100);
}

TEST(ArticulationList, EraseRemovesWholeKeysButEraseRangeTrims) {
    articulation_list keys = make<articulation_list>({{"art", 0, 100}, {"art", 100, 200}, {"art", 200, 300}});
    articulation_list trimmed = keys;
    keys.erase(150, 160);
    EXPECT_EQ(describe(keys), "art[0,100] art[200,300]");
    trimmed.erase_range(150, 160);
    EXPECT_EQ(describe(trimmed), "art[0,100] art[100,150] art[160,200] art[200,300]");
}

TEST(MarkerListInsert, InsertsAfterEqualStarts) {
    og_marker_list words = make<og_marker_list>({{"a", 100, 150}, {"c", 200, 250}});
    words.insert_sorted(make<og_marker_list>({{"b", 100, 120}, {"d", 300, 310}, {"z", 0, 5}}));
    EXPECT_EQ(describe(words), "z[0,5] a[100,150] b[100,120] c[200,250] d[300,310]");

    og_marker_list empty;
    og_marker_list other = make<og_marker_list>({{"x", 5, 6}});
    empty.insert_sorted(other);
    EXPECT_EQ(describe(empty), "x[5,6]");
    EXPECT_EQ(empty[0].id, other[0].id);
}

// The one-pass range edits against the marker-by-marker edits they replace, on random lists with
// overlaps, equal starts, markers across both edges and ranges that touch nothing.
TEST(MarkerListRangeEdits, OnePassGivesWhatMarkerByMarkerEditsGave) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        og_marker_list list;
        const int n = static_cast<int>(random() % 40);
        int t = 0;
        for (int i = 0; i < n; ++i) {
            t += static_cast<int>(random() % 30);
            og_marker m(t, t + static_cast<int>(random() % 80), "w" + std::to_string(i));
            list.push_back(m);
        }
        int s = static_cast<int>(random() % 700) - 50;
        int e = s + static_cast<int>(random() % 300) - 20;
        SCOPED_TRACE(std::to_string(round) + ": [" + std::to_string(s) + ", " + std::to_string(e) + "]");

        // Erasing overlaps one by one, up to the first marker that starts after e.
        og_marker_list expected = list;
        if (s <= e) {
            for (size_t i = 0; i < expected.size();) {
                if (expected[i].start > e) break;
                if (overlaps_range(expected[i], s, e))
                    expected.erase(expected.begin() + static_cast<long>(i));
                else
                    ++i;
            }
        }
        og_marker_list erased = list;
        erased.erase(s, e);
        EXPECT_EQ(describe(erased), describe(expected));

        // Cutting phonemes: inside ones go, edges trimmed, one across the whole range split.
        phn_marker_list phonemes;
        for (const og_marker& w : list) phonemes.emplace_back(w.start, w.end, w.label.c_str(), 50.0f);
        phn_marker_list cut_expected = phonemes;
        if (s <= e) {
            for (size_t i = 0; i < cut_expected.size(); ++i) {
                phn_marker& m = cut_expected[i];
                if (m.end < s || m.start > e) continue;
                if (s <= m.start && m.end <= e) {
                    cut_expected.erase(cut_expected.begin() + static_cast<long>(i--));
                } else if (m.start < s && m.end > e) {
                    const int old_end = m.end;
                    m.set_end(s);
                    phn_marker rest = m;
                    cut_expected.insert(cut_expected.begin() + static_cast<long>(++i), rest);
                    cut_expected[i].set_start(e);
                    cut_expected[i].set_end(old_end);
                } else if (m.start < s) {
                    m.set_end(s);
                } else {
                    m.set_start(e);
                }
            }
        }
        phn_marker_list cut = phonemes;
        cut.erase_range(s, e);
        EXPECT_EQ(describe(cut), describe(cut_expected));

        // Sorted insertion of an unsorted list: after every marker with an equal or smaller start.
        std::vector<og_marker> other;
        for (int i = 0; i < 10; ++i) {
            const int at = static_cast<int>(random() % 600);
            other.push_back(og_marker(at, at + 10, "n" + std::to_string(i)));
        }
        // (An empty list takes the other as it comes.)
        expected = list;
        if (list.empty()) expected.assign(other.begin(), other.end());
        for (const og_marker& m : list.empty() ? std::vector<og_marker>() : other) {
            auto at = std::upper_bound(expected.begin(), expected.end(), m.start,
                                       [](int v, const og_marker& x) { return v < x.start; });
            expected.insert(at, m);
        }
        og_marker_list inserted = list;
        inserted.insert_sorted(other);
        EXPECT_EQ(describe(inserted), describe(expected));
    }
}

TEST(MarkerListExtent, EmptyListGivesAnEmptyRange) {
    int lo, hi;
    get_list_extent(og_marker_list(), &lo, &hi);
    EXPECT_EQ(lo, 1000000000);
    EXPECT_EQ(hi, -100000000);
    get_list_extent(make<og_marker_list>({{"a", 100, 200}, {"b", 50, 150}, {"c", 300, 250}}), &lo, &hi);
    EXPECT_EQ(lo, 50);
    EXPECT_EQ(hi, 300);
}

TEST(PhonemeMerge, CutsInsertsAndAbsorbsEdgeNeighbours) {
    struct {
        const char* what;
        std::initializer_list<item> own, incoming;
        const char* expected;
    } cases[] = {
        {"left neighbour with the same label joins, long right neighbour stays",
         {{"x", 0, 500}, {"AA", 500, 1000}},
         {{"x", 300, 420}, {"b", 420, 600}},
         "x[0,420] b[420,600] AA[600,1000]"},
        {"right neighbour with the same label joins",
         {{"s", 0, 100}, {"AA", 100, 1000}},
         {{"AA", 50, 300}},
         "s[0,50] AA[50,1000]"},
        {"short left neighbour is swallowed",
         {{"m", 80, 120}, {"n", 120, 1000}},
         {{"b", 100, 200}},
         "b[80,200] n[200,1000]"},
        {"short right neighbour is swallowed",
         {{"m", 0, 100}, {"n", 100, 220}, {"p", 220, 400}},
         {{"b", 50, 200}},
         "m[0,50] b[50,220] p[220,400]"},
        {"nothing incoming changes nothing", {{"m", 0, 100}}, {}, "m[0,100]"},
        {"into an empty list", {}, {{"b", 0, 100}}, "b[0,100]"},
    };
    for (const auto& c : cases) {
        phn_marker_list own = make<phn_marker_list>(c.own);
        own.merge(make<phn_marker_list>(c.incoming));
        EXPECT_EQ(describe(own), c.expected) << c.what;
    }
}

TEST(WordMerge, ReplacesWordsOverTheIncomingExtent) {
    og_marker_list words = make<og_marker_list>({{"a", 0, 100}, {"b", 100, 200}, {"c", 300, 400}});
    words.merge(make<og_marker_list>({{"n", 150, 250}}));
    EXPECT_EQ(describe(words), "a[0,100] n[150,250] c[300,400]");
    words.merge(og_marker_list());
    EXPECT_EQ(describe(words), "a[0,100] n[150,250] c[300,400]");
}

// A word that only touches the incoming extent is the neighbour of what was aligned again and
// stays; one that shares any time with it goes. Punctuation and markup merge the same way.
TEST(WordMerge, KeepsMarkersThatOnlyTouchTheIncomingExtent) {
    struct {
        const char* what;
        std::initializer_list<item> own, incoming;
        const char* expected;
    } cases[] = {
        {"the words either side of a word aligned again",
         {{"Yang", 0, 270}, {"spragg", 270, 584}, {"on", 584, 735}},
         {{"spragg", 270, 584}},
         "Yang[0,270] spragg[270,584] on[584,735]"},
        {"several incoming words, touching at both ends",
         {{"a", 0, 100}, {"b", 100, 200}, {"c", 200, 300}, {"d", 300, 400}},
         {{"x", 100, 150}, {"y", 150, 300}},
         "a[0,100] x[100,150] y[150,300] d[300,400]"},
        {"one millisecond into the extent at either end goes",
         {{"a", 0, 101}, {"b", 101, 199}, {"c", 199, 300}},
         {{"n", 100, 200}},
         "n[100,200]"},
        {"a word spanning the extent goes",
         {{"a", 0, 500}},
         {{"n", 100, 200}},
         "n[100,200]"},
        {"a point inside goes, points on the edges stay",
         {{"p", 100, 100}, {"q", 150, 150}, {"r", 200, 200}},
         {{"n", 100, 200}},
         "p[100,100] n[100,200] r[200,200]"},
        {"an incoming point removes a word across it only",
         {{"a", 0, 100}, {"b", 100, 200}, {"c", 150, 300}},
         {{"n", 200, 200}},
         "a[0,100] b[100,200] n[200,200]"},
    };
    for (const auto& c : cases) {
        og_marker_list words = make<og_marker_list>(c.own);
        words.merge(make<og_marker_list>(c.incoming));
        EXPECT_EQ(describe(words), c.expected) << c.what;
        event_marker_list events = make<event_marker_list>(c.own);
        events.merge(make<event_marker_list>(c.incoming));
        EXPECT_EQ(describe(events), c.expected) << c.what;
    }
}

enum class op { start, end, move };

struct move_case {
    const char* what;
    std::initializer_list<item> own;
    int index;
    op kind;
    int arg;
    bool result;
    const char* expected;
};

template <class L>
void run_moves(const move_case* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const move_case& c = cases[i];
        L list = make<L>(c.own);
        auto* m = &list[c.index];
        bool r = c.kind == op::start ? list.move_start(m, c.arg) : c.kind == op::end ? list.move_end(m, c.arg) : list.move(m, c.arg);
        EXPECT_EQ(r, c.result) << c.what;
        EXPECT_EQ(describe(list), c.expected) << c.what;
    }
}

TEST(WordMoves, PushNeighboursAndHalveThem) {
    const move_case cases[] = {
        {"end into the next word pushes it and halves it", {{"a", 0, 100}, {"b", 100, 200}}, 0, op::end, 140, true,
         "a[0,140] b[140,190]"},
        {"pushing runs on while words overlap", {{"a", 0, 100}, {"b", 100, 200}, {"c", 200, 260}}, 0, op::end, 250, true,
         "a[0,250] b[250,300] c[300,330]"},
        {"end before the next start moves alone", {{"a", 0, 100}, {"b", 150, 200}}, 0, op::end, 120, true,
         "a[0,120] b[150,200]"},
        {"end at or before the start is refused", {{"a", 100, 200}}, 0, op::end, 100, false, "a[100,200]"},
        {"start to the left pushes the previous word", {{"a", 0, 100}, {"b", 100, 200}}, 1, op::start, 60, true,
         "a[10,60] b[60,200]"},
        {"pushed start stops at 0", {{"a", 0, 100}, {"b", 100, 200}}, 1, op::start, 20, true, "a[0,20] b[20,200]"},
        {"start to the right moves alone", {{"a", 0, 100}, {"b", 100, 200}}, 1, op::start, 150, true,
         "a[0,100] b[150,200]"},
        {"negative start is refused", {{"a", 10, 100}}, 0, op::start, -1, false, "a[10,100]"},
        {"start at the end is refused", {{"a", 10, 100}}, 0, op::start, 100, false, "a[10,100]"},
        {"move leaving the end below 6 is refused", {{"a", 0, 10}}, 0, op::move, -5, false, "a[0,10]"},
        {"move below 0 starts at 0", {{"a", 0, 50}}, 0, op::move, -20, true, "a[0,30]"},
        {"move right", {{"a", 0, 50}, {"b", 100, 200}}, 0, op::move, 20, true, "a[20,70] b[100,200]"},
    };
    run_moves<og_marker_list>(cases, std::size(cases));
}

TEST(PhonemeMoves, NeighbourRules) {
    const move_case cases[] = {
        {"end of the last phoneme", {{"a", 0, 100}}, 0, op::end, 150, true, "a[0,150]"},
        {"end equal to the old end is refused", {{"a", 0, 100}}, 0, op::end, 100, false, "a[0,100]"},
        {"end at the start is refused", {{"a", 50, 100}}, 0, op::end, 50, false, "a[50,100]"},
        {"growing over a whole phoneme erases it and trims the one after", {{"a", 0, 100}, {"b", 100, 150}, {"c", 150, 300}},
         0, op::end, 200, true, "a[0,200] c[200,300]"},
        {"adjacent boundary moves for both", {{"a", 0, 100}, {"b", 100, 300}}, 0, op::end, 150, true, "a[0,150] b[150,300]"},
        {"adjacent boundary moves left for both", {{"a", 0, 100}, {"b", 100, 300}}, 0, op::end, 50, true, "a[0,50] b[50,300]"},
        {"end into a gap leaves the next alone", {{"a", 0, 100}, {"b", 200, 300}}, 0, op::end, 150, true, "a[0,150] b[200,300]"},
        {"end past the next start trims it", {{"a", 0, 100}, {"b", 200, 300}}, 0, op::end, 250, true, "a[0,250] b[250,300]"},
        {"start of the first phoneme", {{"a", 100, 200}}, 0, op::start, 50, true, "a[50,200]"},
        {"start to the right drags an adjacent previous end", {{"a", 0, 100}, {"b", 100, 200}}, 1, op::start, 150, true,
         "a[0,150] b[150,200]"},
        {"start to the right leaves a previous phoneme before a gap", {{"a", 0, 80}, {"b", 100, 200}}, 1, op::start, 150,
         true, "a[0,80] b[150,200]"},
        {"start to the left trims and erases what it covers", {{"a", 0, 100}, {"b", 100, 150}, {"c", 150, 300}}, 2,
         op::start, 50, true, "a[0,50] c[50,300]"},
        {"start at the end is refused", {{"a", 0, 100}}, 0, op::start, 100, false, "a[0,100]"},
        {"move right keeps the neighbours joined", {{"a", 0, 100}, {"b", 100, 200}}, 1, op::move, 50, true,
         "a[0,150] b[150,250]"},
        {"move left over a neighbour", {{"a", 0, 100}, {"b", 100, 200}, {"c", 200, 300}}, 2, op::move, -150, true,
         "a[0,50] c[50,150]"},
    };
    run_moves<phn_marker_list>(cases, std::size(cases));
}

TEST(EventMoves, ResortInsteadOfPushing) {
    event_marker_list events = make<event_marker_list>({{"a", 0, 10}, {"b", 100, 110}, {"c", 200, 210}});
    EXPECT_FALSE(events.resort(&events[1]));
    EXPECT_TRUE(events.shift(&events[0], 150));
    EXPECT_EQ(describe(events), "b[100,110] a[150,160] c[200,210]");
    EXPECT_FALSE(events.shift(nullptr, 5));
    EXPECT_FALSE(events.move_start(&events[0], 111));
    EXPECT_TRUE(events.move_start(&events[2], 110));  // a start may reach the end
    EXPECT_EQ(describe(events), "b[100,110] c[110,210] a[150,160]");
    EXPECT_TRUE(clamp_set_end(events[0], 50));
    EXPECT_EQ(events[0].end, 100);
}

TEST(GestureFilter, IncludeAndExcludeMasks) {
    gesture_marker_list gestures;
    for (uint32_t type : {1u, 2u, 8u | 128u, 16u, 8u}) {
        FGesture g(type, 0, 10, 0.0f);
        gestures.push_back(g);
    }
    auto types = [](const gesture_marker_list& l) {
        std::vector<uint32_t> t;
        for (const FGesture& g : l) t.push_back(g.type);
        return t;
    };
    EXPECT_EQ(types(gestures.filter(0, 0)), (std::vector<uint32_t>{1, 2, 136, 16, 8}));
    EXPECT_EQ(types(gestures.filter(8, 0)), (std::vector<uint32_t>{136, 8}));
    EXPECT_EQ(types(gestures.filter(8, 128)), (std::vector<uint32_t>{8}));
    EXPECT_EQ(types(gestures.filter(0, 16 | 1)), (std::vector<uint32_t>{2, 136, 8}));
}

TEST(GestureMoves, ResortCarryAndTrimTheSteps) {
    gesture_marker_list gestures;
    for (int start : {0, 1000, 2000}) {
        FGesture g(FGesture::kPose, start, start + 500, 0.0f);
        g.label = std::string(1, static_cast<char>('a' + start / 1000));
        gestures.push_back(g);
    }
    FGesture& b = gestures[1];
    b.tweens.emplace_back("p", "g1", 0, 0, 1000, 1200);
    b.tweens.emplace_back("p", "g2", 1, 0, 1200, 1500);
    const uint32_t id = b.id;

    EXPECT_TRUE(gestures.move(&gestures[1], 1500));  // past c: re-sorted, steps carried along
    EXPECT_EQ(describe(gestures), "a[0,500] c[2000,2500] b[2500,3000]");
    FGesture* moved = gestures.find_id(id);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->tweens[0].start, 2500);
    EXPECT_EQ(moved->tweens[1].end, 3000);

    EXPECT_TRUE(gestures.move_start(moved, 2750));  // the first step goes, the second is trimmed
    moved = gestures.find_id(id);
    ASSERT_EQ(moved->tweens.size(), 1u);
    EXPECT_EQ(moved->tweens[0].start, 2750);
    EXPECT_TRUE(gestures.move_end(moved, 2800));
    EXPECT_EQ(moved->tweens[0].end, 2800);

    struct refused {
        const char* what;
        bool (gesture_marker_list::*op)(FGesture*, int);
        int arg;
    };
    for (const refused& r : {refused{"start at end", &gesture_marker_list::move_start, 2800},
                             refused{"negative start", &gesture_marker_list::move_start, -1},
                             refused{"end at start", &gesture_marker_list::move_end, 2750}}) {
        EXPECT_FALSE((gestures.*r.op)(gestures.find_id(id), r.arg)) << r.what;
    }
    EXPECT_FALSE(gestures.move(nullptr, 5));
    EXPECT_FALSE(gestures.move_end(nullptr, 5));

    EXPECT_TRUE(gestures.move(&gestures[0], -300));  // kept at 0 with its length
    EXPECT_EQ(describe(gestures), "a[0,500] c[2000,2500] b[2750,2800]");
}

}  // namespace
