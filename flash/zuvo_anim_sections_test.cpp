// The gesture section of the results file: round trips of gestures and tweens, and the reader's
// errors.
#include <gtest/gtest.h>

#include <sstream>

#include "flash/char_test_support.h"
#include "flash/zuvo_anim.h"

namespace {

class GestureSectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> errors;
        character = MakeTemplate(StudioClips(), errors);
        ASSERT_TRUE(errors.empty());
        anim.set_character(&character);
    }
    zuvo_swf_char character;
    FZuvoAnim anim;
};

FGesture Named(uint32_t type, int start, int end, const char* pose, const char* gesture) {
    FGesture g(type, start, end, 100.0f);
    g.pose_name = pose;
    g.gesture_name = gesture;
    g.update_label();
    return g;
}

TEST_F(GestureSectionTest, GesturesAndTweensRoundTrip) {
    anim.set_frame_rate(15);  // rebuilds tweens: before the gestures
    gesture_marker_list& list = *anim.get_gestures();
    list.push_back(Named(128, 0, 900, "idle", "nod"));
    FGesture tween = Named(FGesture::kTween, 900, 1100, "", "");
    tween.tweens.emplace_back("idle", "", 0, 5, 900, 1000);
    tween.tweens.emplace_back("talk", "wave", 4, 2, 1000, 1100);
    list.push_back(tween);
    list.push_back(Named(384, 1100, 2000, "talk", ""));

    std::ostringstream out;
    anim.write_gesture_section(out);
    EXPECT_EQ(out.str(),
              "frame_rate 15\n"
              "gesture 0 900 128 0 nod|idle\n"
              "tween 900 1000 16 5 |idle\n"
              "tween 1000 1100 16 2 wave|talk\n"
              "tween_end 900 1100 16 0 |\n"
              "gesture 1100 2000 384 0 |talk\n");

    FZuvoAnim back;
    back.set_character(&character);
    std::istringstream in(out.str());
    std::ostringstream errors;
    ASSERT_TRUE(back.read_gesture_section(in, errors));
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(back.get_frame_rate(), 15);
    const gesture_marker_list& read = *back.get_gestures();
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].clip_index, 1);  // idle:nod in the template
    EXPECT_EQ(read[0].type, 128u);
    EXPECT_EQ(read[1].label, "tween");
    ASSERT_EQ(read[1].tweens.size(), 2u);
    EXPECT_EQ(read[1].tweens[1].pose_name, "talk");
    EXPECT_EQ(read[1].tweens[1].gesture_name, "wave");
    EXPECT_EQ(read[1].tweens[1].gesture_index, 4u);
    EXPECT_EQ(read[1].tweens[1].extra, 2u);
    EXPECT_EQ(read[1].tweens[0].start, 900);
    EXPECT_EQ(read[2].pose_name, "talk");
    EXPECT_EQ(read[2].gesture_name, "");
    EXPECT_EQ(read[2].clip_index, 3);

    std::ostringstream again;
    back.write_gesture_section(again);
    EXPECT_EQ(again.str(), out.str());
}

TEST_F(GestureSectionTest, ReaderStopsAtWhatItCannotRead) {
    struct Case {
        const char* text;
        size_t kept;
        const char* error;
    };
    const Case cases[] = {
        // The base file's own gesture keyword is not one of this section's.
        {"gest 0 10 1 0 a|b\ngesture 0 10 1 0 a|b\n", 0, "Error: Line[1]: unrecognized marker 'gest'\n"},
        {"gesture 0 10 1 0 nod|idle\nbogus\ngesture 20 30 1 0 x|y\n", 1,
         "Error: Line[2]: unrecognized marker 'bogus'\n"},
        {"gesture 0 10 1 0 nod|idle\ngesture 5 x\n", 1, "Error: Line[2]: damaged 'gesture' record\n"},
        {"gesture 0 99999999999 1 0 a|b\n", 0, "Error: Line[1]: damaged 'gesture' record\n"},
        {"frame_rate fast\n", 0, "Error: Line[1]: damaged 'frame_rate' record\n"},
        {"", 0, ""},
        {"gesture 0 10 1 0   nod|idle  \r\n  \n", 1, ""},
    };
    for (const Case& c : cases) {
        FZuvoAnim a;
        a.set_character(&character);
        std::istringstream in(c.text);
        std::ostringstream errors;
        EXPECT_EQ(a.read_gesture_section(in, errors), c.error[0] == 0) << c.text;
        EXPECT_EQ(errors.str(), c.error) << c.text;
        EXPECT_EQ(a.get_gestures()->size(), c.kept) << c.text;
    }
}

TEST_F(GestureSectionTest, NamesWithoutBarOrPose) {
    std::istringstream in("gesture 0 10 1 0 wave\ngesture 20 30 1 0 |talk\ngesture 40 50 1 0 nod|\n");
    std::ostringstream errors;
    ASSERT_TRUE(anim.read_gesture_section(in, errors));
    const gesture_marker_list& l = *anim.get_gestures();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].gesture_name, "wave");
    EXPECT_EQ(l[0].pose_name, "");
    EXPECT_EQ(l[0].clip_index, 4);  // any pose
    EXPECT_EQ(l[1].pose_name, "talk");
    EXPECT_EQ(l[1].clip_index, 3);
    EXPECT_EQ(l[2].gesture_name, "nod");
    EXPECT_EQ(l[2].pose_name, "");
}

}  // namespace
