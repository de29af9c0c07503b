// The dialogs' value logic: progress percent on long recordings, the Delete mask, gesture fields,
// phoneme lists and the phoneme test text.
#include "app/core/dialog_values.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "model/gesture_marker.h"

namespace {

TEST(ProgressMeter, PositionIn64BitsAndPercentTextOnlyWhenItChanges) {
    progress_meter m;
    // 22 minutes at 16 kHz: done x 100 overflows 32 bits.
    const int64_t total = 22LL * 60 * 16000;
    ASSERT_TRUE(m.Report(total - 16000, total));
    EXPECT_EQ(m.position(), 99);
    EXPECT_EQ(m.PercentTextToShow(), std::optional<std::string>("99%"));
    EXPECT_EQ(m.PercentTextToShow(), std::nullopt);  // unchanged: not rewritten
    m.Report(total, total);
    EXPECT_EQ(m.PercentTextToShow(), std::optional<std::string>("100%"));
    EXPECT_FALSE(m.Report(5, 0));  // a total of 0 leaves the position
    EXPECT_EQ(m.position(), 100);
    EXPECT_EQ(PercentText(0), "0%");

    m.RequestCancel();
    m.RequestCancel();
    EXPECT_TRUE(m.TakeCancelRequest());
    EXPECT_FALSE(m.TakeCancelRequest());  // two presses are one request
    EXPECT_TRUE(m.was_cancelled());
}

TEST(DeleteMask, BoxesAndMask) {
    // Without an audio selection "Selection only" is disabled, unchecked and never in the mask.
    delete_boxes b = DeleteBoxesFromMask(0x3F, false);
    EXPECT_FALSE(b.selection_enabled);
    EXPECT_FALSE(b.selection_only);
    EXPECT_TRUE(b.all);
    EXPECT_EQ(DeleteMaskFromBoxes(b), 0x3Eu);
    EXPECT_EQ(DeleteMaskFromBoxes(DeleteBoxesFromMask(0x3F, true)), 0x3Fu);

    const struct {
        bool delete_boxes::*box;
        uint32_t mask;
    } singles[] = {{&delete_boxes::events, 0x10},    {&delete_boxes::words, 0x08}, {&delete_boxes::phonemes, 0x04},
                   {&delete_boxes::articulation, 0x02}, {&delete_boxes::gestures, 0x20}};
    for (const auto& c : singles) {
        delete_boxes one;
        one.*c.box = true;
        EXPECT_EQ(DeleteMaskFromBoxes(one), c.mask);
    }

    delete_boxes some = DeleteBoxesFromMask(kDeleteWords, true);
    some.all = true;
    delete_boxes after = DeleteBoxesAfterAllClicked(some);
    EXPECT_TRUE(after.articulation && after.phonemes && after.words && after.events && after.gestures);
    after.all = false;
    EXPECT_EQ(DeleteMaskFromBoxes(DeleteBoxesAfterAllClicked(after)), kDeleteSelectionOnly);
    // "All" leaves "Selection only" as the user set it.
    after.selection_only = false;
    after.all = true;
    EXPECT_EQ(DeleteMaskFromBoxes(DeleteBoxesAfterAllClicked(after)), kDeleteAllKinds);
}

TEST(DeleteMask, WithAudioSelectedTheDialogOpensOnTheSelection) {
    // A whole-file delete saved last time keeps its kinds but not its scope: the next Delete over
    // a selection must not reach the whole recording unless the user unticks the box again.
    for (const uint32_t saved : {0u, uint32_t{kDeletePhonemes}, uint32_t{kDeleteAllKinds}, 0x3Fu}) {
        SCOPED_TRACE(saved);
        const delete_boxes b = DeleteBoxesFromMask(saved, true);
        EXPECT_TRUE(b.selection_enabled);
        EXPECT_TRUE(b.selection_only);
        EXPECT_EQ(DeleteMaskFromBoxes(b), (saved & kDeleteAllKinds) | kDeleteSelectionOnly);
    }
}

TEST(GestureFields, NamesStrippedAndEndFromDuration) {
    FGesture g(FGesture::kPose, 1000, 1500, 20.0f);
    g.set_label("wave");
    gesture_fields f = GestureFieldsFromGesture(g);
    EXPECT_EQ(f.name, "wave");  // no names yet: the label
    EXPECT_EQ(f.duration, "500");
    f.name = "big|wave\r\n";
    f.pose = "stand|ing";
    f.duration = "750ms";
    ApplyGestureFields(f, &g);
    EXPECT_EQ(g.gesture_name, "bigwave");
    EXPECT_EQ(g.pose_name, "standing");
    EXPECT_EQ(g.type, 32u);
    EXPECT_EQ(g.end, 1750);
    EXPECT_EQ(g.label, "standing:bigwave");
    float value = 0;
    std::memcpy(&value, &g.extra, sizeof value);
    EXPECT_FLOAT_EQ(value, 100.0f);
}

TEST(PhonemeList, AppendAddsACommaOnlyWhenNeeded) {
    EXPECT_EQ(AppendPhonemeToList("", "b"), "b");
    EXPECT_EQ(AppendPhonemeToList("AA", "b"), "AA,b");
    EXPECT_EQ(AppendPhonemeToList("AA,", "b"), "AA,b");
    EXPECT_EQ(SearchWidthFromField("2"), 200);
    EXPECT_EQ(SearchWidthFromField("0.5"), -1);
    EXPECT_EQ(ParseDialogInt("abc"), 0);
}

TEST(PhonemeTest, OneLinePerWordWithItsPhonemes) {
    CTranscriber* t = nullptr;
    ASSERT_EQ(CreateDefaultTranscriber("", 0, &t), 0);  // letter-to-sound rules only
    const std::string out = PhonemeTestText(t, "hello world");
    DestroyTranscriber(t);
    const size_t first = out.find("\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(out.find("\r\nhello=", first - 1), std::string::npos) << out;
    EXPECT_NE(out.find("\r\nworld="), std::string::npos) << out;
    // One pronunciation in a slot: "(" phonemes " )".
    EXPECT_NE(out.find("hello="), std::string::npos);
    EXPECT_NE(out.find(" )\r\n"), std::string::npos) << out;
}

}  // namespace
