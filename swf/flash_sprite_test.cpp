// Sprites, button records, DefineButton and DefineButton2.
#include <gtest/gtest.h>

#include "swf/flash_actions.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_sprite.h"
#include "swf/swf_test_support.h"

namespace {

class CountingVisitor : public FDefinedVisitor {
public:
    void VisitPlaceObject2(FlashTagPlaceObject2&) override { ++places; }
    void VisitShowFrame(FlashTagShowFrame&) override { ++shows; }
    void VisitEnd(FlashTagEnd&) override { ++ends; }
    int places = 0, shows = 0, ends = 0;
};

std::vector<uint8_t> TwoFrameSprite() {
    flash_ostream body;
    FlashTagPlaceObject2 a(1);
    a.hasCharacter = a.hasMatrix = 1;
    a.characterId = 5;
    a.Write(body);
    FlashTagShowFrame().Write(body);
    FlashTagPlaceObject2 b(2);
    b.hasCharacter = b.hasMatrix = 1;
    b.characterId = 6;
    b.Write(body);
    FlashTagShowFrame().Write(body);
    FlashTagEnd().Write(body);
    flash_ostream out;
    WriteTagHeader(out, 39, static_cast<uint32_t>(body.size() + 4));
    WriteU16(out, 9);
    WriteU16(out, 2);
    WriteBytes(out, body.bytes());
    return out.bytes();
}

FlashActionRecord Stop() { return FlashActionRecord(0x07); }

}  // namespace

TEST(FlashSprite, ReadsItsTimelineAndWritesItBack) {
    std::vector<uint8_t> bytes = TwoFrameSprite();
    FlashTagSprite sprite = ReadTagBack<FlashTagSprite>(bytes);
    EXPECT_EQ(sprite.characterId, 9);
    EXPECT_EQ(sprite.frameCount, 2);
    EXPECT_EQ(sprite.tags.size(), 5u);
    EXPECT_EQ(sprite.timeline.GetFrameCount(), 2);
    std::vector<FDisplayRecord> list;
    sprite.timeline.GetDisplayList(1, list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].characterId, 6);
    std::vector<uint8_t> written = WrittenBytes(sprite);
    EXPECT_EQ(written, bytes);
    EXPECT_EQ(std::vector<uint8_t>(written.end() - 2, written.end()), Bytes({0, 0}));

    CountingVisitor v;
    sprite.AcceptTags(v);
    EXPECT_EQ(v.places, 2);
    EXPECT_EQ(v.shows, 2);
    EXPECT_EQ(v.ends, 1);

    // The stored frame count is written, not the timeline's.
    sprite.frameCount = 7;
    EXPECT_EQ(WrittenBytes(sprite)[4], 7);
}

TEST(FlashSprite, NestedTagsStayInsideTheBody) {
    // Without its End tag the sprite ends with its body, and the tag after it is read normally.
    std::vector<uint8_t> bytes = TwoFrameSprite();
    bytes.resize(bytes.size() - 2);
    bytes[0] = static_cast<uint8_t>((bytes[0] & ~63) | ((bytes[0] & 63) - 2));
    bytes = Concat(bytes, Bytes({0x40, 0x00}));  // ShowFrame
    flash_istream in(bytes);
    RecordingVisitor v;
    std::vector<std::unique_ptr<FlashTag>> tags;
    testing::internal::CaptureStderr();
    ReadFlashTags(in, tags, &v);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(static_cast<FlashTagSprite*>(tags[0].get())->tags.size(), 4u);
    EXPECT_EQ(tags[1]->code, 1);
    EXPECT_TRUE(v.extra.empty());

    // A nested tag cut by the end of the body fails the sprite.
    std::vector<uint8_t> cut = TwoFrameSprite();
    cut[0] = static_cast<uint8_t>((cut[0] & ~63) | ((cut[0] & 63) - 5));
    cut.resize(cut.size() - 5);
    RecordingVisitor cutVisitor;
    bool more = true;
    testing::internal::CaptureStderr();
    ReadOneTag(cut, 6, &cutVisitor, &more);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(more);
    EXPECT_EQ(cutVisitor.tooFar.size(), 1u);
}

TEST(FlashSprite, DeeplyNestedSpritesFailInsteadOfExhaustingTheStack) {
    std::vector<uint8_t> body = Bytes({0x00, 0x00});  // End
    for (int level = 0; level < 100; ++level) {
        flash_ostream out;
        WriteTagHeader(out, 39, static_cast<uint32_t>(body.size() + 4));
        WriteU16(out, static_cast<uint16_t>(level));
        WriteU16(out, 1);
        WriteBytes(out, body);
        body = out.bytes();
    }
    RecordingVisitor v;
    bool more = true;
    testing::internal::CaptureStderr();
    ReadOneTag(body, 6, &v, &more);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(more);
    EXPECT_EQ(v.tooFar.size(), 1u);
}

TEST(FlashSprite, ReplaceIdFollowsPlacementsAndButtonRecords) {
    FlashTagSprite sprite = ReadTagBack<FlashTagSprite>(TwoFrameSprite());
    sprite.ReplaceID(5, 8);
    std::vector<FDisplayRecord> list;
    sprite.timeline.GetDisplayList(0, list);
    EXPECT_EQ(list[0].characterId, 8);
    EXPECT_EQ(static_cast<FlashTagPlaceObject2*>(sprite.tags[0].get())->characterId, 8);
    EXPECT_EQ(sprite.characterId, 9);

    // Buttons follow too: a record left on the old id would show another character.
    FlashTagDefineButton button;
    button.characterId = 5;
    button.records.resize(2);
    button.records[0].characterId = 5;
    button.records[1].characterId = 6;
    EXPECT_EQ(button.ReplaceID(5, 8), 5);
    EXPECT_EQ(button.characterId, 8);
    EXPECT_EQ(button.records[0].characterId, 8);
    EXPECT_EQ(button.records[1].characterId, 6);
    FlashTagDefineButton2 button2;
    button2.characterId = 1;
    button2.records.resize(1);
    button2.records[0].characterId = 5;
    button2.ReplaceID(5, 8);
    EXPECT_EQ(button2.records[0].characterId, 8);
}

TEST(FlashSprite, ButtonRecordAndDefineButton) {
    FlashTagDefineButton button;
    button.characterId = 2;
    FlashButtonRecord r;
    r.stateFlags = 0x0F;
    r.characterId = 3;
    r.depth = 1;
    button.records.push_back(r);
    button.actions.records.push_back(Stop().Clone());
    std::vector<uint8_t> bytes = WrittenBytes(button);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()),
              Bytes({0x0F, 0x03, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x07, 0x00}));
    FlashTagDefineButton back = ReadTagBack<FlashTagDefineButton>(bytes);
    ASSERT_EQ(back.records.size(), 1u);
    EXPECT_EQ(back.records[0].characterId, 3);
    EXPECT_EQ(back.actions.records.size(), 1u);
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashSprite, Button2OffsetsAndConditionActions) {
    FlashTagDefineButton2 button;
    button.characterId = 3;
    FlashButtonRecord r;
    r.stateFlags = 1;
    r.characterId = 1;
    r.depth = 1;
    button.records.push_back(r);  // a version-1 colour transform, written with alpha as version 2
    button.conditionActions[0x0008].records.push_back(Stop().Clone());
    std::vector<uint8_t> one = WrittenBytes(button);
    // Record: 1 + 2 + 2 + MATRIX 2 + CXFORMWITHALPHA, then the 0 byte.
    flash_ostream cx;
    FlashColorTransform t;
    t.SetVersion(2);
    t.Write(cx);
    size_t r_len = 7 + cx.size() + 1;
    EXPECT_EQ(one[2 + 3] | one[2 + 4] << 8, int(r_len + 2));
    // The only condition action has size 0, then its word and actions.
    EXPECT_EQ(std::vector<uint8_t>(one.end() - 6, one.end()), Bytes({0, 0, 0x08, 0, 0x07, 0}));
    FlashTagDefineButton2 back = ReadTagBack<FlashTagDefineButton2>(one);
    ASSERT_EQ(back.conditionActions.count(0x0008), 1u);
    EXPECT_EQ(back.records[0].colorTransform.GetVersion(), 2);
    EXPECT_EQ(WrittenBytes(back), one);

    // Two entries: the first size covers its own field, the word and the actions with their End.
    button.conditionActions[0x0004].records.push_back(FlashActionRecord(0x06).Clone());
    button.conditionActions[0x0004].records.push_back(Stop().Clone());
    std::vector<uint8_t> two = WrittenBytes(button);
    size_t first = 2 + 3 + r_len + 2;  // header, id, menu, offset, records
    EXPECT_EQ(two[first] | two[first + 1] << 8, 2 + 2 + 3);
    back = ReadTagBack<FlashTagDefineButton2>(two);
    EXPECT_EQ(back.conditionActions.size(), 2u);
    EXPECT_EQ(back.conditionActions[0x0004].records.size(), 2u);
}

TEST(FlashSprite, Button2ReadingRules) {
    // Track-as-menu is only the byte 1; condition actions of one word share an entry.
    std::vector<uint8_t> body = Bytes({3, 0, 2, 3, 0,                 // id, menu byte 2, offset 3
                                       0,                             // no records
                                       6, 0, 8, 0, 0x07, 0,           // word 8: Stop
                                       0, 0, 8, 0, 0x06, 0});         // word 8 again: Play
    std::vector<uint8_t> bytes = Concat(Bytes({int((34 << 6 | body.size()) & 0xFF), 34 >> 2}), body);
    FlashTagDefineButton2 button = ReadTagBack<FlashTagDefineButton2>(bytes);
    EXPECT_FALSE(button.trackAsMenu);
    ASSERT_EQ(button.conditionActions.size(), 1u);
    ASSERT_EQ(button.conditionActions[8].records.size(), 2u);
    EXPECT_EQ(button.conditionActions[8].records[1]->code, 0x06);
    std::vector<uint8_t> written = WrittenBytes(button);
    EXPECT_EQ(std::vector<uint8_t>(written.end() - 7, written.end()), Bytes({0, 0, 8, 0, 0x07, 0x06, 0}));

    // Offsets that leave the body fail the tag instead of reading what follows it.
    for (int offset : {0x40, 0xFFFF}) {
        std::vector<uint8_t> bad = bytes;
        bad[2 + 3] = static_cast<uint8_t>(offset);
        bad[2 + 4] = static_cast<uint8_t>(offset >> 8);
        RecordingVisitor v;
        bool more = true;
        testing::internal::CaptureStderr();
        ReadOneTag(bad, 6, &v, &more);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(more) << offset;
    }
    std::vector<uint8_t> badSize = bytes;
    badSize[2 + 6] = 0x30;  // the first size points past the body
    RecordingVisitor v;
    bool more = true;
    testing::internal::CaptureStderr();
    ReadOneTag(badSize, 6, &v, &more);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(more);
}
