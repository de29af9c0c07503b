// FTimeline: building from control tags, queries by frame, edits and writing back.
#include <gtest/gtest.h>

#include "swf/flash_actions.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_timeline.h"
#include "swf/swf_test_support.h"

namespace {

std::unique_ptr<FlashTag> Place(uint16_t depth, uint16_t character, int32_t x = 0) {
    auto p = std::make_unique<FlashTagPlaceObject2>(depth);
    p->hasCharacter = p->hasMatrix = 1;
    p->characterId = character;
    p->matrix.translateX = x;
    return p;
}

std::unique_ptr<FlashTag> Morph(uint16_t depth, uint16_t ratio) {
    auto p = std::make_unique<FlashTagPlaceObject2>(depth);
    p->move = p->hasRatio = 1;
    p->ratio = ratio;
    return p;
}

std::unique_ptr<FlashTag> Remove(uint16_t depth) { return std::make_unique<FlashTagRemoveObject2>(depth); }

std::unique_ptr<FlashTag> Show() { return std::make_unique<FlashTagShowFrame>(); }

std::unique_ptr<FlashTag> Label(const char* text) { return std::make_unique<FlashTagLabelFrame>(text); }

std::unique_ptr<FlashTag> Action(uint16_t code) {
    auto a = std::make_unique<FlashTagDoAction>();
    a->actions.records.push_back(FlashActionRecord(code).Clone());
    return a;
}

std::unique_ptr<FlashTag> Block(uint8_t b) {
    auto s = std::make_unique<FlashTagSoundStreamBlock>();
    s->data = {b};
    return s;
}

FTimeline Build(std::vector<std::unique_ptr<FlashTag>> tags) {
    FTimeline t;
    t.BuildFromTags(tags);
    return t;
}

template <typename... T>
std::vector<std::unique_ptr<FlashTag>> Tags(T... tags) {
    std::vector<std::unique_ptr<FlashTag>> v;
    (v.push_back(std::move(tags)), ...);
    return v;
}

// The codes of the tags a timeline writes.
std::vector<uint16_t> WrittenCodes(const FTimeline& t) {
    flash_ostream out;
    t.WriteFrames(out);
    flash_istream in(out.bytes());
    std::vector<uint16_t> codes;
    while (in.remaining() > 0) {
        FlashTagHeader h;
        h.Read(in);
        codes.push_back(h.code);
        in.ignore(h.length);
    }
    return codes;
}

}  // namespace

TEST(FlashTimeline, DisplayListsByFrame) {
    FTimeline t = Build(Tags(Place(1, 5), Show(), Show(), std::make_unique<FlashTagRemoveObject2>(1), Show()));
    EXPECT_EQ(t.frameCount, 3);
    std::vector<FDisplayRecord> list;
    for (int f : {0, 1}) {
        t.GetDisplayList(f, list);
        ASSERT_EQ(list.size(), 1u) << f;
        EXPECT_EQ(list[0].characterId, 5);
    }
    t.GetDisplayList(2, list);
    EXPECT_TRUE(list.empty());
    // A removal at a depth that never held anything is ignored.
    FTimeline quiet = Build(Tags(std::make_unique<FlashTagRemoveObject>(3, 4), Show()));
    EXPECT_TRUE(quiet.elements.empty());
}

TEST(FlashTimeline, LabelsAndActionsShareAFrameRecordInOrder) {
    // A DoAction then a FrameLabel make one record; a FrameLabel then a DoAction make two.
    FTimeline t = Build(Tags(Action(0x07), Label("start"), Show(), Label("mid"), Action(0x06), Show()));
    EXPECT_EQ(t.frames.count(0), 1u);
    EXPECT_EQ(t.frames.count(1), 2u);
    std::string label;
    EXPECT_TRUE(t.GetFrameLabel(0, label));
    EXPECT_EQ(label, "start");
    FlashTagDoAction actions;
    EXPECT_TRUE(t.GetFrame(0, actions));
    EXPECT_EQ(actions.actions.records[0]->code, 0x07);
    EXPECT_TRUE(t.GetFrame(1, actions));
    EXPECT_EQ(actions.actions.records[0]->code, 0x06);
    // The DoAction is written before the label of its record.
    EXPECT_EQ(WrittenCodes(t), (std::vector<uint16_t>{12, 43, 1, 43, 12, 1}));
}

TEST(FlashTimeline, GetFrameIsOnlyAQuery) {
    // Asking about a frame without actions once added an empty record to it.
    FTimeline t = Build(Tags(Label("a"), Show(), Show()));
    FlashTagDoAction actions;
    EXPECT_FALSE(t.GetFrame(1, actions));
    EXPECT_FALSE(t.GetFrame(0, actions));
    EXPECT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(WrittenCodes(t), (std::vector<uint16_t>{43, 1, 1}));
}

TEST(FlashTimeline, TrailingStillFrames) {
    FTimeline t = Build(Tags(Place(1, 5), Show(), Place(1, 5, 100), Show(), Show(), Show()));
    EXPECT_EQ(t.CountTrailingStillFrames(), -2);
    FTimeline moving = Build(Tags(Place(1, 5), Show(), Place(1, 5, 100), Show()));
    EXPECT_EQ(moving.CountTrailingStillFrames(), 0);

    struct Case {
        const char* what;
        FTimeline timeline;
        int still;
    } cases[] = {
        {"a slow morph is not still", Build(Tags(Place(1, 5), Morph(1, 0), Show(), Morph(1, 10), Show(), Morph(1, 20), Show())), 0},
        {"a removal is a change", Build(Tags(Place(1, 5), Place(2, 6), Show(), Show(), Remove(2), Show(), Show())), -1},
        {"placing what is there changes nothing", Build(Tags(Place(1, 5), Show(), Place(1, 5), Show(), Show())), -2},
        {"one frame", Build(Tags(Place(1, 5), Show())), 0},
        {"nothing placed", Build(Tags(Show(), Show(), Show())), -2},
        {"a change in a deeper depth", Build(Tags(Place(1, 5), Place(9, 6), Show(), Show(), Place(9, 6, 50), Show())), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.timeline.CountTrailingStillFrames(), c.still) << c.what;
}

TEST(FlashTimeline, TagsKeptAsReadStayInTheirFrames) {
    // A placement the model does not decode, and its removal, are written where they stood.
    auto placeObject3 = std::make_unique<FlashTag>(70);
    placeObject3->rawData = Bytes({0x06, 0x00, 3, 0, 5, 0, 0x00});
    FTimeline t = Build(Tags(Place(1, 5), std::move(placeObject3), Show(), Remove(3), Remove(1), Show()));
    EXPECT_EQ(WrittenCodes(t), (std::vector<uint16_t>{70, 26, 1, 28, 28, 1}));
    EXPECT_EQ(t.keptTags.size(), 2u);
    EXPECT_EQ(t.keptTags[1].frame, 1u);
}

TEST(FlashTimeline, EveryRatioChangeIsWrittenAndExtracted) {
    // Ratio steps below 30 look alike to the transition search, but a slow morph needs every one.
    FTimeline t = Build(Tags(Place(1, 5), Show(), Morph(1, 10), Show(), Morph(1, 20), Show(), Morph(1, 30), Show()));
    EXPECT_EQ(WrittenCodes(t), (std::vector<uint16_t>{26, 1, 26, 1, 26, 1, 26, 1}));
    FTimeline clip = t.ExtractFrames(1, 3);
    std::vector<FDisplayRecord> list;
    for (int f = 0; f < 3; ++f) {
        clip.GetDisplayList(f, list);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].ratio, 10 * (f + 1)) << f;
    }
    EXPECT_EQ(WrittenCodes(clip), (std::vector<uint16_t>{26, 1, 26, 1, 26, 1}));
}


TEST(FlashTimeline, StreamSoundBlocksByFrame) {
    auto head = std::make_unique<FlashTagSoundStreamHead>();
    head->compression = 2;
    head->sampleCount = 576;
    FTimeline t = Build(Tags(std::move(head), Show(), Show(), Block(1), Show(), Show(), Block(2), Show()));
    EXPECT_EQ(t.streamStartFrame, 2);
    ASSERT_EQ(t.streamSound.GetBlockCount(), 3u);
    EXPECT_EQ(t.streamSound.blocks[1], nullptr);
    EXPECT_GE(t.GetFrameCount(), 5);
    // Written as a SoundStreamHead2 in frame 0 and each block in its own frame.
    EXPECT_EQ(WrittenCodes(t), (std::vector<uint16_t>{45, 1, 1, 19, 1, 1, 19, 1}));
    FTimeline copy = t;
    EXPECT_EQ(copy.streamSound.blocks[2]->data, std::vector<uint8_t>{2});
    EXPECT_EQ(copy.streamSound.format.sampleCount, 576);
}

TEST(FlashTimeline, ExtractFramesRebasesDisplayListsAndLabels) {
    std::vector<std::unique_ptr<FlashTag>> tags;
    for (int f = 0; f < 20; ++f) {
        if (f == 12) tags.push_back(Label("smile"));
        if (f == 0 || f == 11) tags.push_back(Place(1, 5, f * 10));
        tags.push_back(Show());
    }
    FTimeline t = Build(std::move(tags));
    FTimeline clip = t.ExtractFrames(10, 5);
    EXPECT_EQ(clip.frameCount, 5);
    std::string label;
    EXPECT_TRUE(clip.GetFrameLabel(2, label));
    EXPECT_EQ(label, "smile");
    const auto& records = clip.elements[1].records;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].frame, 0);
    EXPECT_EQ(records[1].frame, 1);
    EXPECT_EQ(records[1].matrix.translateX, 110);
    EXPECT_TRUE(clip.backgroundColors.empty());
    EXPECT_EQ(t.ExtractFrames(10, -1).frames.size(), 1u);
    EXPECT_TRUE(t.ExtractFrames(10, 0).elements[1].records.empty());
}

TEST(FlashTimeline, ShiftDepthsAndDisplayListEdits) {
    FTimeline t = Build(Tags(Place(1, 5), Place(5, 6), Place(9, 7), Show()));
    t.ShiftDepths(5, 10);
    std::vector<uint16_t> depths;
    for (const auto& [d, e] : t.elements) depths.push_back(d);
    EXPECT_EQ(depths, (std::vector<uint16_t>{1, 15, 19}));
    std::vector<FDisplayRecord> list;
    t.GetDisplayList(0, list);
    EXPECT_EQ(list[2].depth, 19);
    t.ShiftDepths(1, -1);
    EXPECT_EQ(t.elements.begin()->first, 0);

    // SetDisplayList empties the depths the list leaves out.
    FDisplayRecord r;
    r.flags = kDisplayHasCharacter;
    r.characterId = 8;
    r.depth = 15;
    t.SetDisplayList(1, {r});
    t.GetDisplayList(1, list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].characterId, 8);
    FTimeline::RenumberDisplayDepths(list);
    EXPECT_EQ(list[0].depth, 1);
    t.ReplaceID(8, 3);
    t.GetDisplayList(1, list);
    EXPECT_EQ(list[0].characterId, 3);
}

TEST(FlashTimeline, WritingRebuildsTheSameTimeline) {
    auto bg = std::make_unique<FlashTagBackgroundColor>(1, 2, 3);
    FTimeline t = Build(Tags(std::move(bg), Label("a"), Place(1, 5), Place(2, 6), Show(), Place(1, 5, 40),
                             std::make_unique<FlashTagRemoveObject2>(2), Show(), Action(0x07)));
    flash_ostream out;
    t.WriteFrames(out);
    FlashTagEnd().Write(out);
    flash_istream in(out.bytes());
    std::vector<std::unique_ptr<FlashTag>> tags;
    ReadFlashTags(in, tags, nullptr);
    FTimeline back;
    back.BuildFromTags(tags);
    EXPECT_EQ(back.GetFrameCount(), t.GetFrameCount());
    for (int f = 0; f <= t.GetFrameCount(); ++f) {
        std::vector<FDisplayRecord> a, b;
        t.GetDisplayList(f, a);
        back.GetDisplayList(f, b);
        EXPECT_TRUE(DisplayListsEqual(a, b)) << f;
    }
    EXPECT_EQ(back.backgroundColors.at(0), FlashRGBA(1, 2, 3));
    FlashTagDoAction last;
    EXPECT_TRUE(back.GetFrame(2, last));
    flash_ostream again;
    back.WriteFrames(again);
    FlashTagEnd().Write(again);
    EXPECT_EQ(again.bytes(), out.bytes());
}
