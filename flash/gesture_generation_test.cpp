// Gesture generation: the seedable range draws, pause, emphasis and anim-tag gestures, thinning,
// pose changes, and both pipelines on a stored phoneme track.
#include "flash/gesture_generation.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "flash/anim_test_support.h"
#include "flash/char_test_support.h"
#include "flash/gesture_random.h"
#include "flash/zuvo_anim.h"
#include "model/app_sync_results.h"
#include "model/sync_results_file.h"

namespace {

app_sync_results Phonemes(std::initializer_list<std::tuple<const char*, int, int, float>> list) {
    app_sync_results track;
    for (const auto& [label, s, e, v] : list) track.phonemes.push_back(phn_marker(s, e, label, v));
    return track;
}

FGesture Point(uint32_t type, int t, float value = 1.0f) { return FGesture(type, t, t, value); }

gesture_marker_list List(std::initializer_list<FGesture> gestures) { return gesture_marker_list(gestures); }

std::vector<int> StartsOf(const gesture_marker_list& l) {
    std::vector<int> out;
    for (const FGesture& g : l) out.push_back(g.start);
    return out;
}

app_sync_results StoredTrack() {
    std::ifstream in(std::string(MURMUREX_TESTDATA_DIR) + "/flash/speech_track.zuvo");
    sync_results_file file;
    std::ostringstream errors;
    EXPECT_TRUE(file.read(in, errors)) << errors.str();
    return file.results;
}

// What a generated track shows, for comparing two generations.
std::vector<std::string> Describe(const gesture_marker_list& l) {
    std::vector<std::string> out;
    for (const FGesture& g : l)
        out.push_back(std::to_string(g.type) + " " + std::to_string(g.start) + " " + std::to_string(g.end) + " " +
                      g.label + " " + std::to_string(g.clip_index) + " " + std::to_string(g.tweens.size()));
    return out;
}

}  // namespace

TEST(GestureRandom, SeededDrawsAreReproducibleAndCoverTheRange) {
    gesture_random a(1), b(1), c(2);
    std::vector<int> first;
    int low = gesture_random::kMax, high = 0;
    bool differs = false;
    for (int i = 0; i < 20000; ++i) {
        const int x = a.next();
        EXPECT_EQ(x, b.next());
        differs = differs || x != c.next();
        low = std::min(low, x);
        high = std::max(high, x);
        if (i < 5) first.push_back(x);
    }
    EXPECT_TRUE(differs);
    EXPECT_LT(low, 100);
    EXPECT_GT(high, gesture_random::kMax - 100);
    EXPECT_LE(high, gesture_random::kMax);
    EXPECT_GE(low, 0);
    // The same on every platform and library.
    EXPECT_EQ(first, (std::vector<int>{6611, 32559, 6843, 5914, 5392}));
}

TEST(GestureRandom, RandomInRange) {
    EXPECT_EQ(RandomInRange(5, 4), 0);
    EXPECT_EQ(RandomInRange(3, 3), 3);
    SeedRandomInRange(11);
    bool seen_lo = false, seen_hi = false;
    for (int i = 0; i < 2000; ++i) {
        const int x = RandomInRange(-2, 2);
        ASSERT_GE(x, -2);
        ASSERT_LE(x, 2);
        seen_lo = seen_lo || x == -2;
        seen_hi = seen_hi || x == 2;
        const int wide = RandomInRange(INT_MIN, INT_MAX);
        (void)wide;  // must not overflow
    }
    EXPECT_TRUE(seen_lo && seen_hi);
    SeedRandomInRange(99);
    std::vector<int> one, two;
    for (int i = 0; i < 10; ++i) one.push_back(RandomInRange(2500, 5000));
    SeedRandomInRange(99);
    for (int i = 0; i < 10; ++i) two.push_back(RandomInRange(2500, 5000));
    EXPECT_EQ(one, two);
}

TEST(GestureGenerators, PauseGestures) {
    // Only the second pause is long enough; it lasts 500 ms.
    gesture_marker_list g = MakePauseGestures(
        Phonemes({{"x", 0, 300, 0}, {"AA", 300, 400, 10}, {"x", 400, 900, 0}, {"b", 900, 950, 10}}), 6000.0f, 400.0f, 4);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].type, FGesture::kPause);
    EXPECT_EQ(g[0].start, 400);
    EXPECT_EQ(g[0].end, 900);
    EXPECT_EQ(g[0].value, 500.0f);
    // A quiet phoneme of 126 ms or more is a pause too; a final silence never closes.
    g = MakePauseGestures(Phonemes({{"m", 0, 200, 2}, {"AA", 200, 300, 10}, {"x", 300, 2300, 0}}), 6000.0f, 200.0f, 4);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].start, 0);
    EXPECT_EQ(g[0].end, 200);
    g = MakePauseGestures(Phonemes({{"m", 0, 125, 2}, {"AA", 125, 300, 10}}), 6000.0f, 100.0f, 4);
    EXPECT_TRUE(g.empty());
}

TEST(GestureGenerators, EmphasisFromVowelEnergy) {
    // 40, 40, 100: mean 60, sd 28.28; only the loud one, and only one sd above.
    const app_sync_results track = Phonemes({{"AA", 0, 100, 40},
                                             {"EH", 200, 300, 40},
                                             {"IY", 400, 500, 100},
                                             {"AA", 600, 700, 30},   // not above 30
                                             {"AA", 800, 830, 90},   // not longer than 30 ms
                                             {"b", 900, 1000, 100}}); // not a vowel
    gesture_marker_list g = MakeEmphasisGestures(track, 0.5f);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].type, FGesture::kLight);
    EXPECT_EQ(g[0].start, 400);
    EXPECT_EQ(g[0].end, 500);
    EXPECT_NEAR(g[0].value, 40.0f, 1e-4);

    app_sync_results loud;
    for (int i = 0; i < 10; ++i) loud.phonemes.push_back(phn_marker(i * 200, i * 200 + 100, "AH", 40));
    loud.phonemes.push_back(phn_marker(3000, 3100, "OW", 200));
    g = MakeEmphasisGestures(loud, 0.5f);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].type, FGesture::kEmphasis);
    EXPECT_EQ(g[0].start, 3000);

    EXPECT_TRUE(MakeEmphasisGestures(Phonemes({{"b", 0, 100, 90}}), 0.5f).empty());
    EXPECT_TRUE(IsVowelPhoneme("OY"));
    EXPECT_TRUE(IsVowelPhoneme("r"));
    EXPECT_FALSE(IsVowelPhoneme("aa"));
    EXPECT_FALSE(IsVowelPhoneme("x"));
}

TEST(GestureGenerators, AnimTags) {
    struct Case {
        const char* label;
        bool ok;
        const char* pose;
        const char* gesture;
        int end;
    };
    const Case cases[] = {
        {"<anim pose=\"arms\" hold=\"1200\"/>", true, "arms", "", 2200},
        {"<anim pose=\"talk\" gest=\"wave\"/>", true, "talk", "wave", 1000},
        {"<anim gest=\"wave\"/>", false, "", "wave", 1000},
        {"<cut ms=\"10\"/>", false, "", "", 1000},
        {"shrug", true, "shrug", "", 1000},
        {"", false, "", "", 1000},
        {"<anim pose=\"arms\" hold=\"99999999999\"/>", true, "arms", "", INT_MAX},
    };
    for (const Case& c : cases) {
        FGesture g(kGestureAnimTag, 1000, 1000, 0.0f);
        g.pose_name = "left over";
        EXPECT_EQ(ParseAnimLabel(c.label, g), c.ok) << c.label;
        EXPECT_EQ(g.pose_name, c.pose) << c.label;
        EXPECT_EQ(g.gesture_name, c.gesture) << c.label;
        EXPECT_EQ(g.end, c.end) << c.label;
    }

    app_sync_results track;
    track.xml_events.push_back(og_marker(1000, 1000, "<anim pose=\"arms\" hold=\"1200\"/>"));
    track.xml_events.push_back(og_marker(5000, 5000, "<cut ms=\"5000\"/>"));
    track.xml_events.push_back(og_marker(9000, 9000, "talk"));
    gesture_marker_list g = MakeAnimTagGestures(track, 300.0f);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].type, kGestureAnimTag);
    EXPECT_EQ(g[0].end, 2200);
    EXPECT_EQ(g[0].value, 0.0f);
    EXPECT_EQ(g[1].pose_name, "talk");
    EXPECT_EQ(g[1].value, 2.0f);  // the marker's index
}

TEST(GestureGenerators, ThinningKeepsTheBestOfEachWindow) {
    struct Case {
        const char* what;
        gesture_marker_list in;
        float gap;
        std::vector<int> kept;
    };
    FGesture long_one(4, 0, 4000, 1.0f), reaching(1, 1000, 9000, 1.0f);
    const Case cases[] = {
        {"higher type wins", List({Point(4, 100), Point(2, 600)}), 2000.0f, {100}},
        {"far enough apart", List({Point(4, 100), Point(2, 2600)}), 2000.0f, {100, 2600}},
        {"later and better", List({Point(1, 100), Point(8, 900)}), 2000.0f, {900}},
        {"higher value at equal type", List({Point(4, 100, 1.0f), Point(4, 500, 3.0f), Point(4, 800, 2.0f)}), 2000.0f, {500}},
        {"earlier at a tie", List({Point(4, 100, 3.0f), Point(4, 500, 3.0f)}), 2000.0f, {100}},
        {"reaching in from before is passed over", List({long_one, reaching, Point(2, 9500)}), 2000.0f, {0, 9500}},
        {"empty", List({}), 2000.0f, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(StartsOf(ThinGestures(c.in, c.gap)), c.kept) << c.what;

    // Merging takes the first list's gesture at equal starts.
    FGesture a = Point(4, 1000), b = Point(4, 1000);
    a.label = "from a";
    gesture_marker_list merged = MergeGestures(List({b}), List({a}), 100.0f);
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_NE(merged[0].label, "from a");
    merged = MergeGestures(List({a}), List({b}), 100.0f);
    EXPECT_EQ(merged[0].label, "from a");
    EXPECT_EQ(StartsOf(MergeGestures(List({Point(4, 0), Point(4, 5000)}), List({Point(4, 2500)}), 100.0f)),
              (std::vector<int>{0, 2500, 5000}));
}

TEST(GestureGenerators, PoseChangesAndTrailingPoses) {
    SeedRandomInRange(5);
    gesture_marker_list l;
    for (int t = 0; t <= 40000; t += 700) l.push_back(FGesture(4, t, t + 100, 1.0f));
    const int next = MarkPoseChanges(l, 5000.0f, 8000.0f);
    int last_change = 0;
    int changes = 0;
    for (const FGesture& g : l) {
        if (g.type != FGesture::kPose) {
            EXPECT_EQ(g.type, FGesture::kPause);
            continue;
        }
        EXPECT_EQ(g.label, "pose");
        // The first may come within 5000 ms of the start; each later one 5000 to 8000 ms after
        // the end of the one before, at the first gesture (700 ms apart) past that time.
        if (changes++ == 0) {
            EXPECT_LE(g.start, 5000 + 700);
        } else {
            EXPECT_GT(g.start - last_change, 5000);
            EXPECT_LE(g.start - last_change, 8000 + 700);
        }
        last_change = g.end;
    }
    EXPECT_GE(changes, 4);
    EXPECT_GE(next, last_change + 5000);
    EXPECT_LE(next, last_change + 8000);

    struct Case {
        gesture_marker_list in;
        int first;
    };
    const Case cases[] = {{List({}), 10000}, {List({FGesture(4, 8000, 9000, 1.0f)}), 14000},
                          {List({FGesture(4, 6000, 7000, 1.0f)}), 10000}};
    for (const Case& c : cases) {
        gesture_marker_list out = AddTrailingPoseGestures(c.in, 10000, 5000, 7500);
        const size_t added = out.size() - c.in.size();
        EXPECT_TRUE(added == 3 || added == 4);
        EXPECT_EQ(out[c.in.size()].start, c.first);
        for (size_t i = c.in.size(); i < out.size(); ++i) {
            EXPECT_EQ(out[i].type, FGesture::kPose);
            EXPECT_EQ(out[i].start, out[i].end);
            EXPECT_EQ(out[i].value, 1.0f);
            if (i > c.in.size()) {
                EXPECT_GE(out[i].start - out[i - 1].start, 5000);
                EXPECT_LE(out[i].start - out[i - 1].start, 7500);
            }
        }
    }
}

TEST(GestureGeneration, WithoutTemplateOnStoredTrack) {
    const app_sync_results track = StoredTrack();
    ASSERT_GT(track.phonemes.size(), 300u);
    SeedRandomInRange(3);
    gesture_marker_list g = GenerateGesturesWithoutTemplate(track, true);
    ASSERT_GT(g.size(), 5u);
    bool pose = false, other = false, tag = false;
    for (size_t i = 0; i < g.size(); ++i) {
        EXPECT_EQ(g[i].start, g[i].end);
        if (i > 0) {
            EXPECT_LT(g[i - 1].start, g[i].start);
        }
        pose = pose || g[i].type == FGesture::kPose;
        other = other || g[i].type != FGesture::kPose;
        tag = tag || g[i].type == kGestureAnimTag;
    }
    EXPECT_TRUE(pose && other);
    SeedRandomInRange(3);
    EXPECT_EQ(Describe(GenerateGesturesWithoutTemplate(track, true)), Describe(g));
    SeedRandomInRange(3);
    gesture_marker_list untagged = GenerateGesturesWithoutTemplate(track, false);
    for (const FGesture& x : untagged) EXPECT_NE(x.type, kGestureAnimTag);
    (void)tag;
}

TEST(GestureGeneration, WithTemplateOnStoredTrack) {
    const app_sync_results track = StoredTrack();
    const int duration = track.phonemes.back().end;
    std::vector<std::string> errors;
    zuvo_swf_char character = MakeTemplate(StudioClips(), errors);
    const int clips = static_cast<int>(character.get_gestures().size());

    auto generate = [&](uint64_t seed, FZuvoAnim& anim) {
        anim.set_character(&character);
        anim.extract_gestures(track, duration, seed);
        return *anim.get_gestures();
    };
    for (uint64_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        FZuvoAnim anim;
        gesture_marker_list g = generate(seed, anim);
        ASSERT_GT(g.size(), 5u);
        EXPECT_TRUE(WellFormedTrack(g));
        int tweens = 0;
        for (const FGesture& x : g) {
            if (x.type & FGesture::kTween) {
                ++tweens;
                for (const auto& step : x.tweens) EXPECT_LT(step.gesture_index, static_cast<uint32_t>(clips));
                continue;
            }
            ASSERT_GE(x.clip_index, 0);
            ASSERT_LT(x.clip_index, clips);
            EXPECT_EQ(x.pose_name, character.get_gestures()[x.clip_index].pose);
            EXPECT_EQ(x.gesture_name, character.get_gestures()[x.clip_index].gesture);
            EXPECT_GE(x.length(), 500);
            EXPECT_EQ(x.tween_in_clip, -1);
            EXPECT_EQ(x.tween_out_clip, -1);
        }
        EXPECT_FALSE(anim.get_auto_gestures().empty());
        EXPECT_TRUE(anim.work_gestures().empty());
        // The trailing pose changes step on past the speech; the animation stops with it.
        EXPECT_LE(g.back().end, duration);
        for (const FGesture& x : anim.get_auto_gestures()) EXPECT_LE(x.end, duration);

        FZuvoAnim again;
        EXPECT_EQ(Describe(generate(seed, again)), Describe(g));
        (void)tweens;
    }
}

TEST(GestureGeneration, KeptAndUserGesturesSurviveRegeneration) {
    const app_sync_results track = StoredTrack();
    std::vector<std::string> errors;
    zuvo_swf_char character = MakeTemplate(StudioClips(), errors);
    FZuvoAnim anim;
    anim.set_character(&character);
    FGesture kept(kGestureUserKept, 12000, 15500, 1.0f);
    kept.pose_name = "talk";
    kept.gesture_name = "wave";
    kept.clip_index = 4;
    anim.add_gesture(kept);
    anim.extract_gestures(track, track.phonemes.back().end, 21);
    const gesture_marker_list& g = *anim.get_gestures();
    const int i = g.index_of_id(kept.id);
    ASSERT_GE(i, 0);
    EXPECT_EQ(g[i].start, 12000);
    EXPECT_TRUE(WellFormedTrack(g));
    // No generated gesture landed on it.
    for (const FGesture& x : g)
        if (x.id != kept.id && !(x.type & FGesture::kTween)) {
            EXPECT_TRUE(x.end <= 12000 || x.start >= g[i].end);
        }
}

TEST(GestureGeneration, NeedsATemplate) {
    FZuvoAnim anim;
    anim.extract_gestures(StoredTrack(), 50000, 1);
    EXPECT_TRUE(anim.get_gestures()->empty());
}
