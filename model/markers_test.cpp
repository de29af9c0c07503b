// Marker kinds: serial ids, energy rescaling, gesture labels and phoneme code checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/art_marker.h"
#include "model/gesture_marker.h"
#include "model/og_marker.h"
#include "model/phn_env_marker.h"
#include "model/phn_marker.h"
#include "model/phoneme_codes.h"

namespace {

// Ids are compared with the counter as it stands, so the test does not depend on how many
// markers other tests made before it.
TEST(MarkerIds, ConstructorsTakeTheNextIdAndCopiesKeepIt) {
    uint32_t before = last_marker_id();
    marker_base a;
    EXPECT_EQ(a.id, before + 1);
    marker_base copy(a);
    EXPECT_EQ(copy.id, a.id);
    og_marker word(0, 10, "hi");
    EXPECT_EQ(word.id, before + 2);
    marker_base assigned;
    assigned = a;
    EXPECT_EQ(assigned.id, a.id);
    std::vector<phn_marker> v(1);
    uint32_t held = v[0].id;
    v.reserve(100);  // moving inside the vector keeps the id
    EXPECT_EQ(v[0].id, held);
    EXPECT_EQ(last_marker_id(), held);
}

TEST(MarkerBase, NullLabelIsEmptyAndSpareWordIsMinusOne) {
    marker_base m(1, 2, nullptr, 3.0f);
    EXPECT_EQ(m.label, "");
    EXPECT_EQ(m.spare, -1);
    m.set_label("ab");
    EXPECT_STREQ(m.get_label(), "ab");
    m.set_label(nullptr);
    EXPECT_EQ(m.get_label_str(), "");
}

TEST(MarkerKinds, ConstructorValues) {
    phn_env_marker env(0, 100, "AA");
    EXPECT_FLOAT_EQ(env.value, 50.0f);
    EXPECT_TRUE(env.points.empty());

    ArticulationKey key{};
    key.count = 1;
    key.start = 10;
    key.end = 20;
    art_marker art(key);
    EXPECT_EQ(art.label, "art");
    EXPECT_EQ(art.start, 10);
    EXPECT_EQ(art.end, 20);
    EXPECT_FLOAT_EQ(art.value, 0.0f);

    FGesture g(FGesture::kPose, 0, 500, 42.5f);
    float extra_as_float;
    std::memcpy(&extra_as_float, &g.extra, sizeof extra_as_float);
    EXPECT_FLOAT_EQ(extra_as_float, 42.5f);
    EXPECT_EQ(g.label, "pose");
    EXPECT_EQ(g.clip_index, -1);
    EXPECT_EQ(g.tween_in_clip, -1);
    EXPECT_EQ(g.tween_out_clip, -1);

    g.pose_name = "idle";
    g.gesture_name = "nod";
    g.clip_index = 7;
    tween_gesture_marker step(g, 3);
    EXPECT_EQ(step.pose_name, "idle");
    EXPECT_EQ(step.gesture_name, "nod");
    EXPECT_EQ(step.gesture_index, 7u);
    EXPECT_EQ(step.extra, 3u);
    EXPECT_EQ(step.start, 0);
    EXPECT_EQ(step.end, 500);
    EXPECT_FLOAT_EQ(step.value, 0.0f);
    EXPECT_FLOAT_EQ(tween_gesture_marker("p", "g", 1, 2, 0, 10).value, 100.0f);
}

struct span {
    int start, end;
};

struct rescale_case {
    const char* what;
    int start, end;
    std::vector<span> subs;
    bool move_end;  // else move the start
    int new_edge;
    std::vector<span> expected;
};

TEST(PhonemeEnergy, EdgeMovesRescaleSubMarkers) {
    const rescale_case cases[] = {
        {"half length by the end", 0, 100, {{0, 30}, {30, 60}, {60, 100}}, true, 50, {{0, 15}, {15, 30}, {30, 50}}},
        {"double length by the end", 0, 100, {{0, 30}, {30, 60}, {60, 100}}, true, 200, {{0, 60}, {60, 120}, {120, 200}}},
        {"half length by the start", 0, 100, {{0, 30}, {30, 60}, {60, 100}}, false, 50, {{50, 65}, {65, 80}, {80, 100}}},
        {"gaps close up", 100, 200, {{110, 120}, {150, 170}}, true, 200, {{100, 110}, {110, 200}}},
        {"a sub-marker truncated to nothing is dropped", 0, 100, {{0, 2}, {2, 98}, {98, 100}}, true, 40, {{0, 38}, {38, 40}}},
        {"pinning keeps a short last sub-marker", 0, 100, {{0, 98}, {98, 100}}, true, 10, {{0, 9}, {9, 10}}},
        {"start moved past the end gives negative lengths, all dropped", 0, 100, {{0, 50}, {50, 100}}, false, 150, {}},
    };
    for (const rescale_case& c : cases) {
        SCOPED_TRACE(c.what);
        phn_marker p(c.start, c.end, "AA", 1.0f);
        for (const span& s : c.subs) p.add_energy(5.0f, s.start, s.end);
        if (c.move_end)
            p.set_end(c.new_edge);
        else
            p.set_start(c.new_edge);
        ASSERT_EQ(p.energy.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(p.energy[i].start, c.expected[i].start) << "sub " << i;
            EXPECT_EQ(p.energy[i].end, c.expected[i].end) << "sub " << i;
        }
    }
}

TEST(PhonemeEnergy, ZeroLengthPhonemeMovesWithoutRescaling) {
    phn_marker p(100, 100, "s", 1.0f);
    p.add_energy(1.0f, 100, 130);
    p.set_start(50);
    EXPECT_EQ(p.start, 50);
    EXPECT_EQ(p.energy[0].start, 100);
    EXPECT_EQ(p.energy[0].end, 130);
}

TEST(PhonemeEnergy, SubMarkersTakeNewIdsAndEmptyLabels) {
    phn_marker p(0, 10, "s", 1.0f);
    uint32_t before = last_marker_id();
    p.add_energy(3.0f, 0, 10);
    EXPECT_EQ(p.energy[0].id, before + 1);
    EXPECT_EQ(p.energy[0].label, "");
    EXPECT_FLOAT_EQ(p.energy[0].value, 3.0f);
}

TEST(GestureLabel, FromNamesOrType) {
    struct {
        uint32_t type;
        const char* pose;
        const char* gesture;
        const char* expected;
    } cases[] = {
        {2, "", "", "emph"},        {1, "", "", "light"},     {4, "", "", "pause"},
        {8, "", "", "pose"},        {16, "", "", "tween"},    {2, "idle", "nod", "idle:nod"},
        {2, "idle", "", "idle"},    {2, "", "nod", "nod"},    {3, "", "", "previous"},
        {128, "", "", "previous"},
    };
    for (const auto& c : cases) {
        FGesture g;
        g.type = c.type;
        g.label = "previous";
        g.pose_name = c.pose;
        g.gesture_name = c.gesture;
        g.update_label();
        EXPECT_EQ(g.label, c.expected) << "type " << c.type << " pose '" << c.pose << "' gesture '" << c.gesture << "'";
    }
}

TEST(PhonemeCodes, InventoryStringMatchesTheCodes) {
    std::string joined;
    for (const char* c : kPhonemeCodes) joined += c;
    EXPECT_EQ(joined, kPhonemeInventory);
}

TEST(PhonemeCodes, Validate) {
    struct {
        const char* codes;
        bool ok;
        int pos;
    } cases[] = {
        {"", true, 0},     {"AAE", true, 2},  {"Q", false, 0},   {"xAAq", false, 3},
        {"HC", true, 0},   {"Rw", true, 0},   {"A", true, 0},    {"xmp", true, 2},
        {"AAQ", false, 2},  // a final upper-case letter is a one-letter code
    };
    for (const auto& c : cases) {
        int pos = -5;
        bool ok = validate_phoneme_codes(c.codes, &pos);
        EXPECT_EQ(ok, c.ok) << c.codes;
        EXPECT_EQ(pos, c.pos) << c.codes;
    }
}

TEST(PhonemeCodes, Parse) {
    struct {
        const char* codes;
        bool ok;
        int pos;
        std::vector<std::string> out;
    } cases[] = {
        {"", true, 0, {}},
        {"AA, b  CH", true, 7, {"AA", "b", "CH"}},
        {"AA Rw", false, 3, {"AA"}},
        {"HC", false, 0, {}},
        {"x,m", true, 2, {"x", "m"}},
        {"OY ", true, 2, {"OY"}},
    };
    for (const auto& c : cases) {
        std::vector<phoneme_code> out;
        int pos = -5;
        EXPECT_EQ(parse_phoneme_codes(c.codes, out, &pos), c.ok) << c.codes;
        EXPECT_EQ(pos, c.pos) << c.codes;
        std::vector<std::string> got;
        for (const phoneme_code& p : out) got.emplace_back(p.data());
        EXPECT_EQ(got, c.out) << c.codes;
    }
}

TEST(PhonemeCodes, CopyTakesAtMostTwoCharacters) {
    char dest[3] = {'?', '?', '?'};
    copy_phoneme_code(dest, "AAX");
    EXPECT_STREQ(dest, "AA");
    copy_phoneme_code(dest, "s");
    EXPECT_STREQ(dest, "s");
    copy_phoneme_code(dest, "");
    EXPECT_STREQ(dest, "");
}

}  // namespace
