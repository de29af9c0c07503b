// Gesture animation: room for tweens, placement, tween building, the channel's edits (also in
// long random sequences) and frame-rate changes.
#include "flash/zuvo_anim.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "flash/anim_test_support.h"
#include "flash/char_test_support.h"
#include "flash/gesture_random.h"
#include "model/edit_actions.h"

namespace {

// Clips of the studio template.
enum { kIdle = 0, kNod = 1, kShrug = 2, kTalk = 3, kWave = 4, kIdleTalk = 5, kNodWave = 6 };

class AnimTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> errors;
        character = MakeTemplate(StudioClips(), errors);
        ASSERT_TRUE(errors.empty());
        anim.set_character(&character);
        SeedRandomInRange(7);
    }

    FGesture Clip(int clip, int start, int end, uint32_t type = kGestureUserClip) const {
        FGesture g(type, start, end, 1.0f);
        g.pose_name = character.get_gestures()[clip].pose;
        g.gesture_name = character.get_gestures()[clip].gesture;
        g.clip_index = clip;
        g.update_label();
        return g;
    }

    const gesture_marker_list& list() const { return *anim.get_gestures(); }

    ::testing::AssertionResult WellFormed() const { return WellFormedTrack(list()); }

    std::vector<int> Starts() const {
        std::vector<int> out;
        for (const FGesture& g : list()) out.push_back(g.start);
        return out;
    }

    zuvo_swf_char character;
    FZuvoAnim anim;
};

int CountTweens(const gesture_marker_list& l) {
    int n = 0;
    for (const FGesture& g : l) n += (g.type & FGesture::kTween) ? 1 : 0;
    return n;
}

}  // namespace

TEST(AnimRules, AcceptLength) {
    struct Case {
        int d, a, b;
        bool ok;
    };
    const Case cases[] = {{1200, 2, 1, true}, {1200, 2, 2, false}, {3000, 3, 3, true},  {450, 0, 0, false},
                          {4500, 9, 9, true}, {499, 0, 0, false},  {500, 3, 0, true},   {1500, 2, 2, true},
                          {1500, 3, 2, false}, {2500, 6, 0, true}, {4000, 7, 0, false}, {4001, 7, 0, true}};
    for (const Case& c : cases) EXPECT_EQ(FZuvoAnim::accept_length(c.d, c.a, c.b), c.ok) << c.d << " " << c.a << " " << c.b;
}

TEST(AnimRules, NeighboursOfASpan) {
    gesture_marker_list l;
    for (auto [s, e] : {std::pair{0, 1000}, {1000, 2000}, {2500, 3000}, {3200, 4000}, {5000, 6000}}) l.push_back(FGesture(1, s, e, 0));
    int previous, first, last, next;
    FZuvoAnim::find_neighbours(l, marker_base(2000, 3500, "", 0), previous, first, last, next);
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(next, 4);
    FZuvoAnim::find_neighbours(l, marker_base(4200, 4200, "", 0), previous, first, last, next);
    EXPECT_EQ(previous, 3);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);
    EXPECT_EQ(next, 4);
}

TEST_F(AnimTest, PreviousGestureReachesForADirectTween) {
    // nod -> wave has a three-frame hookup.
    FGesture previous = Clip(kNod, 0, 2800);
    FGesture g = Clip(kWave, 3100, 3100);
    int count = 0;
    EXPECT_EQ(anim.tween_length(previous, g, count), -300);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(previous.tween_out_clip, kWave);

    struct Case {
        int previous_start;
        int g_start;
        bool fits;
        int previous_end;  // after fitting
        int fitted_start;
        int out_clip;
    };
    const Case cases[] = {
        {0, 3100, true, 3100, 3100, kWave},      // long enough: it is extended
        {1000, 3100, true, 2800, 2800, kWave},   // too short to reach: g moves up to it
        {1000, 3400, false, 2800, 0, kWave},     // and g may not move more than 500 ms
        {0, 7800, true, 2800, 7800, -1},         // far apart: no tween asked for
    };
    for (const Case& c : cases) {
        anim.work_gestures() = {Clip(kNod, c.previous_start, 2800)};
        FGesture fitted;
        EXPECT_EQ(anim.fit_gesture(Clip(kWave, c.g_start, c.g_start), fitted), c.fits) << c.g_start;
        EXPECT_EQ(anim.work_gestures()[0].end, c.previous_end) << c.g_start;
        EXPECT_EQ(anim.work_gestures()[0].tween_out_clip, c.out_clip) << c.g_start;
        if (!c.fits) continue;
        EXPECT_EQ(fitted.start, c.fitted_start);
        EXPECT_GE(fitted.length(), 2500);
        EXPECT_LE(fitted.length(), 5000);
    }
    // A span over a work gesture does not fit.
    anim.work_gestures() = {Clip(kNod, 0, 2800)};
    FGesture fitted;
    EXPECT_FALSE(anim.fit_gesture(Clip(kWave, 2000, 2000), fitted));
}

TEST_F(AnimTest, FitToNextEndsBeforeTheNextGesture) {
    // Close, with a short transition: reach the next gesture and ask for a tween.
    FGesture g = Clip(kIdle, 0, 0), next = Clip(kTalk, 3000, 6000);
    int count = 0;
    EXPECT_TRUE(anim.fit_to_next(g, next, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(g.end, 3000);
    EXPECT_EQ(g.tween_out_clip, kTalk);
    // Far: an end of its own.
    g = Clip(kIdle, 0, 0);
    EXPECT_TRUE(anim.fit_to_next(g, next = Clip(kTalk, 9000, 9500), count));
    EXPECT_GE(g.end, 2500);
    EXPECT_LE(g.end, 5000);
    EXPECT_EQ(g.tween_out_clip, -1);
    // nod -> shrug needs eight frames: end early enough for them and 1500 ms more, or give up.
    g = Clip(kNod, 0, 0);
    EXPECT_TRUE(anim.fit_to_next(g, next = Clip(kShrug, 6500, 9000), count));
    EXPECT_GE(g.end, 2500);
    EXPECT_LE(g.end, 6500 - 2 * 83 - 1500);
    g = Clip(kNod, 0, 0);
    EXPECT_FALSE(anim.fit_to_next(g, next = Clip(kShrug, 4000, 9000), count));
}

TEST_F(AnimTest, AddedGesturesGetTweensAndDeletingDropsThem) {
    ASSERT_TRUE(anim.add_gesture(Clip(kIdle, 0, 3000)));
    ASSERT_TRUE(anim.add_gesture(Clip(kTalk, 3100, 6000)));
    // idle reached for talk and gave the three hookup frames back as a tween.
    ASSERT_EQ(list().size(), 3u);
    const FGesture& tween = list()[1];
    EXPECT_EQ(tween.type, FGesture::kTween);
    EXPECT_EQ(tween.value, 100.0f);
    EXPECT_EQ(tween.label, ":T:");
    EXPECT_EQ(list()[0].end, 2850);
    EXPECT_EQ(tween.start, 2850);
    EXPECT_EQ(tween.end, 3100);
    ASSERT_EQ(tween.tweens.size(), 3u);
    const int bounds[] = {2850, 2933, 3016, 3100};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(tween.tweens[k].gesture_index, static_cast<uint32_t>(kIdleTalk));
        EXPECT_EQ(tween.tweens[k].extra, static_cast<uint32_t>(k));
        EXPECT_EQ(tween.tweens[k].start, bounds[k]);
        EXPECT_EQ(tween.tweens[k].end, bounds[k + 1]);
    }
    EXPECT_TRUE(WellFormed());

    ASSERT_TRUE(anim.add_gesture(Clip(kIdle, 6100, 9000)));
    ASSERT_EQ(list().size(), 5u);
    EXPECT_EQ(CountTweens(list()), 2);
    EXPECT_TRUE(WellFormed());

    const uint32_t middle = list()[2].id;
    EXPECT_TRUE(anim.delete_gesture(middle));
    EXPECT_EQ(list().size(), 2u);
    EXPECT_EQ(CountTweens(list()), 0);
    EXPECT_EQ(list()[0].end, 2850);
    EXPECT_EQ(list()[1].start, 6100);
    EXPECT_FALSE(anim.delete_gesture(middle));
}

TEST_F(AnimTest, FrameRateChangeScalesTweens) {
    anim.add_gesture(Clip(kIdle, 0, 3000));
    anim.add_gesture(Clip(kTalk, 3100, 6000));
    anim.add_gesture(Clip(kIdle, 6100, 9000));
    ASSERT_EQ(CountTweens(list()), 2);
    auto tween_lengths = [&] {
        std::vector<int> out;
        for (const FGesture& g : list())
            if (g.type & FGesture::kTween) {
                out.push_back(g.length());
                for (const auto& step : g.tweens) out.push_back(step.length());
            }
        return out;
    };
    const std::vector<int> at12 = tween_lengths();
    anim.set_frame_rate(24);
    EXPECT_EQ(anim.get_frame_rate(), 24);
    const std::vector<int> at24 = tween_lengths();
    ASSERT_EQ(at24.size(), at12.size());
    for (size_t i = 0; i < at12.size(); ++i) EXPECT_NEAR(at24[i] * 2, at12[i], 2) << i;
    EXPECT_TRUE(WellFormed());
    // Each tween still ends where the gesture after it starts.
    EXPECT_EQ(list()[1].end, 3100);
    EXPECT_EQ(list()[1].start, 2975);

    anim.set_frame_rate(12);
    EXPECT_EQ(tween_lengths(), at12);
    EXPECT_TRUE(WellFormed());
}

TEST_F(AnimTest, MovingEdgesRespectsFramesAndNeighbours) {
    anim.add_gesture(Clip(kNod, 0, 3000));
    anim.add_gesture(Clip(kShrug, 10000, 13000));
    ASSERT_EQ(list().size(), 2u);
    const uint32_t first = list()[0].id, second = list()[1].id;
    const std::vector<int> starts = Starts();

    EXPECT_FALSE(anim.move_gesture_end(first, 50));  // less than a frame after its start
    EXPECT_EQ(list()[0].end, 3000);
    EXPECT_TRUE(anim.move_gesture_end(first, 9000));  // within 1500 ms of the next: stays
    EXPECT_EQ(list()[0].end, 3000);
    EXPECT_TRUE(anim.move_gesture_end(first, 8000));
    EXPECT_EQ(list()[0].end, 8000);
    EXPECT_TRUE(anim.move_gesture_end(first, 200));
    EXPECT_EQ(list()[0].end, 200);

    EXPECT_FALSE(anim.move_gesture_start(second, 12950));
    EXPECT_TRUE(anim.move_gesture_start(second, 1000));  // too close to the first: stays
    EXPECT_EQ(list()[1].start, 10000);
    EXPECT_TRUE(anim.move_gesture_start(second, 2000));
    EXPECT_EQ(list()[1].start, 2000);
    EXPECT_TRUE(anim.move_gesture_start(second, 12000));
    EXPECT_EQ(list()[1].start, 12000);

    EXPECT_FALSE(anim.move_gesture_start(12345678, 0));
    EXPECT_FALSE(anim.move_gesture_end(12345678, 0));
    EXPECT_FALSE(anim.set_gesture_clip(12345678, kIdle));
    EXPECT_FALSE(anim.set_gesture_clip(first, 99));
    EXPECT_EQ(list().size(), 2u);
    EXPECT_EQ(starts[0], list()[0].start);
}

TEST_F(AnimTest, ChangingAClipRebuildsBothTweens) {
    anim.add_gesture(Clip(kIdle, 0, 3000));
    anim.add_gesture(Clip(kTalk, 3100, 6000));
    anim.add_gesture(Clip(kIdle, 6100, 9000));
    ASSERT_EQ(list().size(), 5u);
    const uint32_t id = list()[2].id;
    ASSERT_TRUE(anim.set_gesture_clip(id, kWave));
    const int i = list().index_of_id(id);
    ASSERT_EQ(i, 2);
    const FGesture& g = list()[i];
    EXPECT_EQ(g.type, kGestureUserClip);
    EXPECT_EQ(g.clip_index, kWave);
    EXPECT_EQ(g.label, "talk:wave");
    EXPECT_EQ(list().size(), 5u);
    EXPECT_EQ(CountTweens(list()), 2);
    // idle -> wave goes back through idle, over the hookup and into wave: seven frames.
    EXPECT_EQ(list()[1].tweens.size(), 7u);
    EXPECT_EQ(list()[1].label, ":T:wave");
    EXPECT_EQ(list()[3].tweens.size(), 8u);
    EXPECT_EQ(list()[3].label, "wave:T:");
    EXPECT_TRUE(WellFormed());

    // A kept gesture stays kept.
    FGesture kept = Clip(kShrug, 20000, 23000, kGestureUserKept);
    anim.add_gesture(kept);
    ASSERT_TRUE(anim.set_gesture_clip(kept.id, kNod));
    EXPECT_EQ(list()[list().index_of_id(kept.id)].type, kGestureUserClip | kGestureUserKept);
}

TEST_F(AnimTest, RandomEditSequencesKeepTheTrackWellFormed) {
    int steps_with_tweens = 0;
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        anim = FZuvoAnim();
        anim.set_character(&character);
        SeedRandomInRange(seed);
        std::mt19937 rng(seed);
        auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        auto any_id = [&]() -> uint32_t {
            if (list().empty()) return 0;
            return list()[uniform(0, static_cast<int>(list().size()) - 1)].id;
        };
        for (int step = 0; step < 400; ++step) {
            const int op = uniform(0, 9);
            if (op <= 2) {
                // Half of the new gestures go just after an existing one, where tweens are asked for.
                int start = uniform(0, 30000);
                if (!list().empty() && uniform(0, 1) == 0) start = list()[uniform(0, static_cast<int>(list().size()) - 1)].end + uniform(0, 800);
                const int length = uniform(0, 3) == 0 ? 0 : uniform(100, 6000);
                const uint32_t type = uniform(0, 4) == 0 ? kGestureUserKept : FGesture::kPose;
                EXPECT_TRUE(anim.add_gesture(Clip(uniform(kIdle, kWave), start, start + length, type)));
            } else if (op == 3) {
                if (uint32_t id = any_id()) {
                    EXPECT_TRUE(anim.set_gesture_clip(id, uniform(kIdle, kNodWave)));
                }
            } else if (op == 4 || op == 5) {
                if (uint32_t id = any_id()) anim.move_gesture_start(id, list()[list().index_of_id(id)].start + uniform(-3000, 3000));
            } else if (op == 6 || op == 7) {
                if (uint32_t id = any_id()) anim.move_gesture_end(id, list()[list().index_of_id(id)].end + uniform(-3000, 3000));
            } else if (op == 8) {
                if (uint32_t id = any_id()) {
                    EXPECT_TRUE(anim.delete_gesture(id));
                }
            } else {
                const int rates[] = {6, 12, 15, 24, 30};
                anim.set_frame_rate(rates[uniform(0, 4)]);
            }
            ASSERT_TRUE(WellFormed()) << "after step " << step << " (operation " << op << ")";
            steps_with_tweens += CountTweens(list()) > 0 ? 1 : 0;
        }
    }
    // The sequences did reach the tween rules.
    EXPECT_GT(steps_with_tweens, 100);
}

TEST_F(AnimTest, TweenLongerThanItsGestureIsNotBuilt) {
    anim.add_gesture(Clip(kIdle, 0, 3000));
    anim.add_gesture(Clip(kTalk, 3100, 6000));
    ASSERT_EQ(list().size(), 3u);
    // Shorten idle to 150 ms in front of its tween, then slow down: the three hookup frames now
    // take 500 ms, more than idle has.
    ASSERT_TRUE(anim.move_gesture_start(list()[0].id, 2700));
    ASSERT_EQ(CountTweens(list()), 1);
    anim.set_frame_rate(6);
    EXPECT_TRUE(WellFormed());
    EXPECT_EQ(CountTweens(list()), 0);
    EXPECT_EQ(list()[0].start, 2700);
    EXPECT_EQ(list()[0].end, 3100);
}

TEST_F(AnimTest, SnapshotsCopyTheTrackAndShareTheTemplate) {
    anim.add_gesture(Clip(kIdle, 0, 3000));
    anim.add_gesture(Clip(kTalk, 3100, 6000));
    anim_copy<FZuvoAnim> before(anim);
    std::unique_ptr<anim_snapshot> copy = before.clone();
    ASSERT_TRUE(anim.delete_gesture(list()[0].id));
    const FZuvoAnim& kept = static_cast<anim_copy<FZuvoAnim>&>(*copy).anim;
    EXPECT_EQ(kept.get_gestures()->size(), 3u);
    EXPECT_EQ(kept.get_character(), &character);
    EXPECT_EQ(list().size(), 1u);  // the tween left at the front went with it
}

TEST_F(AnimTest, ChoosingClipsAndPoses) {
    std::set<int> idle, talk, unknown;
    for (int i = 0; i < 300; ++i) {
        bool alternatives = false;
        idle.insert(anim.pick_clip("idle", alternatives));
        EXPECT_TRUE(alternatives);
        talk.insert(anim.pick_clip("talk", alternatives));
        unknown.insert(anim.pick_clip("nobody", alternatives));
    }
    EXPECT_EQ(idle, (std::set<int>{kNod, kShrug}));  // never the pose's own declaration
    EXPECT_EQ(talk, (std::set<int>{kTalk, kWave}));
    EXPECT_EQ(unknown.size(), 7u);  // any clip, hookups included

    // The clip just used is not picked again while there is another.
    anim.last_clip = kNod;
    for (int i = 0; i < 50; ++i) {
        FGesture g(FGesture::kPose, 0, 0, 1.0f);
        g.pose_name = "idle";
        ASSERT_TRUE(anim.resolve_gesture(g));
        EXPECT_EQ(g.clip_index, kShrug);
        EXPECT_EQ(g.label, "idle:shrug");
    }
    // With two poses the pose never repeats; poses then carry over to gestures without one.
    gesture_marker_list l;
    for (int t = 0; t < 20; ++t) l.push_back(FGesture(t % 3 == 0 ? FGesture::kPose : FGesture::kPause, t * 1000, t * 1000, 1.0f));
    anim.assign_poses(l);
    std::string previous_change;
    std::string current;
    for (const FGesture& g : l) {
        ASSERT_FALSE(g.pose_name.empty());
        if (g.type == FGesture::kPose) {
            EXPECT_NE(g.pose_name, previous_change);
            previous_change = current = g.pose_name;
        } else {
            EXPECT_EQ(g.pose_name, current.empty() ? character.default_pose : current);
        }
    }

    // Without variety (one clip per pose) any clip of the template may come.
    std::vector<std::string> errors;
    zuvo_swf_char plain = MakeTemplate({{"G(idle)", {1, 2}}, {"G(talk)", {3, 4}}}, errors);
    FZuvoAnim other;
    other.set_character(&plain);
    std::set<int> any;
    bool alternatives = false;
    for (int i = 0; i < 100; ++i) any.insert(other.pick_clip("idle", alternatives));
    EXPECT_EQ(any, (std::set<int>{0, 1}));
    EXPECT_EQ(FZuvoAnim().pick_clip("idle", alternatives), -1);
}
