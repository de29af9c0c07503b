// PlaceObject, PlaceObject2, the removals, display records and the per-depth history.
#include "swf/flash_display.h"

#include <gtest/gtest.h>

#include "swf/swf_test_support.h"

namespace {

FlashTagPlaceObject2 FullPlace() {
    FlashTagPlaceObject2 p(7);
    p.hasCharacter = 1;
    p.characterId = 42;
    p.hasMatrix = 1;
    p.matrix.hasScale = 1;
    p.matrix.xScale = FlashFixed(0.5);
    p.matrix.translateX = -1234;
    p.matrix.translateY = 99999;
    p.hasColorTransform = 1;
    p.colorTransform.hasMult = 1;
    p.colorTransform.mult = FlashRGBA(256, 256, 128, 256);
    p.hasRatio = 1;
    p.ratio = 3000;
    p.hasName = 1;
    p.name = "mouth";
    p.hasClipDepth = 1;
    p.clipDepth = 12;
    return p;
}

FlashClipAction Clip(uint32_t flags, uint16_t key, std::vector<uint8_t> actionBytes) {
    FlashClipAction a;
    a.eventFlags = flags;
    a.keyCode = key;
    a.actions.records.push_back(std::make_unique<FlashActionRecord>(actionBytes[0],
                                                                    std::vector<uint8_t>(actionBytes.begin() + 1, actionBytes.end())));
    return a;
}

// Records which characters were asked for and how much had been written by then.
struct FakeMovie : flash_character_writer {
    void WriteCharacterOnce(uint16_t id) override {
        ids.push_back(id);
        if (out) writtenBefore.push_back(out->size());
    }
    flash_ostream* out = nullptr;
    std::vector<uint16_t> ids;
    std::vector<size_t> writtenBefore;
};

// The codes of the tags in a byte run.
std::vector<uint16_t> TagCodes(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> codes;
    flash_istream in(bytes.data(), bytes.size());
    while (in.remaining() > 0) {
        FlashTagHeader h;
        h.Read(in);
        codes.push_back(h.code);
        in.ignore(h.length);
    }
    return codes;
}

FDisplayRecord Placed(uint16_t character, int depth = 1) {
    FDisplayRecord r;
    r.flags = kDisplayHasCharacter;
    r.characterId = character;
    r.depth = depth;
    return r;
}

}  // namespace

TEST(FlashDisplay, PlaceObjectHasAColourTransformOnlyWhenBytesRemain) {
    auto bare = Bytes({0x06, 0x01, 3, 0, 1, 0, 0x02, 0x00});  // id 3, depth 1, identity matrix
    auto tag = ReadOneTag(bare);
    auto* p = dynamic_cast<FlashTagPlaceObject*>(tag.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->characterId, 3);
    EXPECT_EQ(p->depth, 1);
    EXPECT_FALSE(p->hasColorTransform);
    EXPECT_EQ(WrittenBytes(*p), bare);

    FlashTagPlaceObject withCx = *p;
    withCx.hasColorTransform = 1;
    withCx.colorTransform.hasAdd = 1;
    withCx.colorTransform.add = FlashRGBA(1, 2, 3);
    auto bytes = WrittenBytes(withCx);
    RecordingVisitor v;
    auto back = ReadOneTag(bytes, 6, &v);
    auto* q = dynamic_cast<FlashTagPlaceObject*>(back.get());
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(v.extra.empty() && v.tooFar.empty());
    EXPECT_TRUE(q->hasColorTransform);
    EXPECT_EQ(q->colorTransform.add, FlashRGBA(1, 2, 3));  // no alpha at version 1
    EXPECT_EQ(WrittenBytes(*q), bytes);

    FlashTagPlaceObject2 converted(*q);
    EXPECT_TRUE(converted.hasCharacter && converted.hasMatrix && converted.hasColorTransform);
    EXPECT_FALSE(converted.move || converted.hasName || converted.hasRatio);
    EXPECT_EQ(converted.colorTransform.GetVersion(), 2);
}

TEST(FlashDisplay, PlaceObject2RoundTripsEveryField) {
    FlashTagPlaceObject2 p = FullPlace();
    auto bytes = WrittenBytes(p);
    EXPECT_EQ(bytes[2], 0x7E);  // clip depth, name, ratio, colour transform, matrix, character
    auto tag = ReadOneTag(bytes);
    auto* q = dynamic_cast<FlashTagPlaceObject2*>(tag.get());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->depth, 7);
    EXPECT_EQ(q->characterId, 42);
    EXPECT_EQ(q->matrix, p.matrix);
    EXPECT_EQ(q->matrix.translateY, 99999);
    EXPECT_EQ(q->colorTransform, p.colorTransform);
    EXPECT_EQ(q->ratio, 3000);
    EXPECT_EQ(q->name, "mouth");
    EXPECT_EQ(q->clipDepth, 12);
    EXPECT_EQ(WrittenBytes(*q), bytes);
    EXPECT_EQ(WrittenBytes(*q->Clone()), bytes);

    FlashTagPlaceObject2 moveOnly(3);
    moveOnly.move = 1;
    EXPECT_EQ(WrittenBytes(moveOnly), Bytes({0x83, 0x06, 0x01, 3, 0}));
}

TEST(FlashDisplay, ClipEventFlagsAreSixteenBitsUpToVersion5) {
    FlashTagPlaceObject2 p(2);
    p.hasCharacter = 1;
    p.characterId = 5;
    p.clipActions.push_back(Clip(0x0004, 0, Bytes({0x07})));
    p.clipActions.push_back(Clip(0x0081, 0, Bytes({0x96, 0x05, 0x01})));

    struct Case {
        uint8_t version;
        size_t flagBytes;
    };
    for (const Case& c : {Case{5, 2}, Case{6, 4}}) {
        auto bytes = WrittenBytes(p, c.version);
        // flags, depth, id, reserved, all-flags, 2 x (flags, size, actions), end flags
        size_t body = 1 + 2 + 2 + 2 + c.flagBytes + (c.flagBytes + 4 + 2) + (c.flagBytes + 4 + 6) + c.flagBytes;
        EXPECT_EQ(bytes.size(), 2 + body) << int(c.version);
        EXPECT_EQ(bytes[2] & 0x80, 0x80);
        RecordingVisitor v;
        auto tag = ReadOneTag(bytes, c.version, &v);
        EXPECT_TRUE(v.extra.empty() && v.tooFar.empty()) << int(c.version);
        auto* q = dynamic_cast<FlashTagPlaceObject2*>(tag.get());
        ASSERT_NE(q, nullptr);
        ASSERT_EQ(q->clipActions.size(), 2u);
        EXPECT_EQ(q->clipActions[0].eventFlags, 0x0004u);
        EXPECT_EQ(q->clipActions[1].eventFlags, 0x0081u);
        ASSERT_EQ(q->clipActions[1].actions.records.size(), 1u);
        EXPECT_EQ(q->clipActions[1].actions.records[0]->data, Bytes({0x05, 0x01}));
        EXPECT_EQ(WrittenBytes(*q, c.version), bytes);
    }
    // Read with the wrong width the same bytes do not parse as written.
    auto v6 = WrittenBytes(p, 6);
    RecordingVisitor v;
    testing::internal::CaptureStderr();
    auto misread = ReadOneTag(v6, 5, &v);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(v.extra.empty() && v.tooFar.empty());
}

TEST(FlashDisplay, KeyPressClipActionCarriesItsKeyCode) {
    FlashTagPlaceObject2 p(1);
    p.clipActions.push_back(Clip(0x20000 | 0x40, 65, Bytes({0x07})));
    auto bytes = WrittenBytes(p, 6);
    auto tag = ReadOneTag(bytes, 6);
    auto* q = dynamic_cast<FlashTagPlaceObject2*>(tag.get());
    ASSERT_NE(q, nullptr);
    ASSERT_EQ(q->clipActions.size(), 1u);
    EXPECT_EQ(q->clipActions[0].keyCode, 65);
    EXPECT_EQ(q->clipActions[0].actions.records.size(), 1u);
    EXPECT_EQ(WrittenBytes(*q, 6), bytes);
}

TEST(FlashDisplay, RemoveTags) {
    FlashTagRemoveObject r(3, 4);
    EXPECT_EQ(WrittenBytes(r), Bytes({0x44, 0x01, 3, 0, 4, 0}));
    FlashTagRemoveObject2 r2(9);
    EXPECT_EQ(WrittenBytes(r2), Bytes({0x02, 0x07, 9, 0}));
    auto back = ReadOneTag(WrittenBytes(r));
    EXPECT_EQ(static_cast<FlashTagRemoveObject*>(back.get())->depth, 4);
    EXPECT_EQ(static_cast<FlashTagRemoveObject*>(back.get())->characterId, 3);
    EXPECT_EQ(static_cast<FlashTagRemoveObject2*>(ReadOneTag(WrittenBytes(r2)).get())->depth, 9);
}

TEST(FlashDisplay, RecordComparison) {
    FDisplayRecord a = Placed(5);
    struct Case {
        const char* name;
        void (*change)(FDisplayRecord&);
        bool equal;
    };
    const Case cases[] = {
        {"frame only", [](FDisplayRecord& r) { r.frame = 40; }, true},
        {"ratio 100 vs 129", [](FDisplayRecord& r) { r.ratio = 129; }, true},
        {"ratio 100 vs 130", [](FDisplayRecord& r) { r.ratio = 130; }, false},
        {"ratio 100 vs 71", [](FDisplayRecord& r) { r.ratio = 71; }, true},
        {"one more clip action", [](FDisplayRecord& r) { r.clipActions.emplace_back(); }, false},
        {"name", [](FDisplayRecord& r) { r.name = "x"; }, false},
        {"matrix", [](FDisplayRecord& r) { r.matrix.translateX = 1; }, false},
        {"colour", [](FDisplayRecord& r) { r.colorTransform.hasAdd = 1; }, false},
        {"clip depth", [](FDisplayRecord& r) { r.clipDepth = 3; }, false},
        {"depth", [](FDisplayRecord& r) { r.depth = 2; }, false},
        {"flags", [](FDisplayRecord& r) { r.flags |= kDisplayHasRatio; }, false},
    };
    a.ratio = 100;
    for (const Case& c : cases) {
        FDisplayRecord b = a;
        c.change(b);
        EXPECT_EQ(a == b, c.equal) << c.name;
    }
    std::vector<FDisplayRecord> one{a}, two{a, a};
    EXPECT_TRUE(DisplayListsEqual(one, one));
    EXPECT_FALSE(DisplayListsEqual(one, two));
}

TEST(FlashDisplay, PlacementsMergeIntoTheDepthState) {
    FTimelineElement e(1);
    FlashTagPlaceObject2 first(1);
    first.hasCharacter = 1;
    first.characterId = 7;
    first.hasName = 1;
    first.name = "head";
    first.hasClipDepth = 1;
    first.clipDepth = 4;
    e.ApplyPlace(first, 0);

    FlashTagPlaceObject2 move(1);
    move.move = 1;
    move.hasMatrix = 1;
    move.matrix.translateX = 200;
    move.hasClipDepth = 1;
    move.clipDepth = 0;
    e.ApplyPlace(move, 3);

    FDisplayRecord at2 = e.GetStateAt(2), at3 = e.GetStateAt(3);
    EXPECT_EQ(at2.matrix.translateX, 0);
    EXPECT_EQ(at2.flags, kDisplayHasCharacter | kDisplayHasClipDepth);
    EXPECT_EQ(at3.characterId, 7);
    EXPECT_EQ(at3.name, "head");
    EXPECT_EQ(at3.matrix.translateX, 200);
    EXPECT_EQ(at3.flags, kDisplayHasCharacter);  // a clip depth of 0 clears the flag
    EXPECT_TRUE(e.IsPlacedAt(5));

    e.ApplyRemove(6);
    EXPECT_FALSE(e.IsPlacedAt(6));
    FDisplayRecord out;
    EXPECT_FALSE(e.GetPlacedRecord(out, 7));
    EXPECT_TRUE(e.GetPlacedRecord(out, 5));
    EXPECT_TRUE(e.GetStateAt(6).name.empty());
    EXPECT_EQ(e.FindLastRecord(-1), nullptr);
    EXPECT_EQ(e.GetStateAt(-1).ratio, -1);  // a new record

    // Records of one frame keep the order in which they were added.
    FDisplayRecord tagA = Placed(1), tagB = Placed(2);
    FTimelineElement order(1);
    order.AddRecord(tagA, 4);
    order.AddRecord(tagB, 4);
    order.AddRecord(Placed(3), 2);
    ASSERT_EQ(order.records.size(), 3u);
    EXPECT_EQ(order.records[0].characterId, 3);
    EXPECT_EQ(order.records[1].characterId, 1);
    EXPECT_EQ(order.GetStateAt(4).characterId, 2);
}

TEST(FlashDisplay, ExtractRangeRebasesFrames) {
    FTimelineElement e(2);
    e.AddRecord(Placed(5, 2), 0);
    FDisplayRecord moved = Placed(5, 2);
    moved.matrix.translateX = 50;
    e.AddRecord(moved, 11);
    FTimelineElement cut = e.ExtractRange(10, 3);
    EXPECT_EQ(cut.depth, 2);
    ASSERT_EQ(cut.records.size(), 2u);
    EXPECT_EQ(cut.records[0].frame, 0);
    EXPECT_EQ(cut.records[1].frame, 1);
    EXPECT_EQ(cut.records[1].matrix.translateX, 50);
    EXPECT_TRUE(e.ExtractRange(10, 0).records.empty());
}

TEST(FlashDisplay, WriteFrameWritesOnlyChanges) {
    FTimelineElement e(3);
    e.AddRecord(Placed(5, 3), 0);
    FDisplayRecord same = Placed(5, 3);
    e.AddRecord(same, 1);  // nothing changed
    FDisplayRecord other = Placed(6, 3);
    e.AddRecord(other, 2);  // a new character
    FDisplayRecord moved = other;
    moved.matrix.translateY = -40;
    moved.flags |= kDisplayHasRatio;
    moved.ratio = 7;
    e.AddRecord(moved, 3);
    FDisplayRecord gone;
    e.AddRecord(gone, 4);

    FakeMovie movie;
    auto frame = [&](int f) {
        flash_ostream out;
        out.owner = &movie;
        movie.out = &out;
        movie.ids.clear();
        movie.writtenBefore.clear();
        e.WriteFrame(out, f);
        return out.bytes();
    };
    auto f0 = frame(0);
    EXPECT_EQ(TagCodes(f0), std::vector<uint16_t>{26});
    EXPECT_EQ(movie.ids.front(), 5);

    EXPECT_TRUE(frame(1).empty());
    EXPECT_TRUE(frame(7).empty());  // no records at that frame

    auto f2 = frame(2);
    EXPECT_EQ(TagCodes(f2), (std::vector<uint16_t>{28, 26}));
    ASSERT_FALSE(movie.ids.empty());
    EXPECT_EQ(movie.ids.front(), 6);
    EXPECT_EQ(movie.writtenBefore.front(), 0u);  // asked for before anything of the frame was written
    auto place = ReadOneTag(std::vector<uint8_t>(f2.begin() + 4, f2.end()));
    EXPECT_EQ(static_cast<FlashTagPlaceObject2*>(place.get())->characterId, 6);
    EXPECT_FALSE(static_cast<FlashTagPlaceObject2*>(place.get())->move);

    auto f3 = frame(3);
    auto change = ReadOneTag(f3);
    auto* p = dynamic_cast<FlashTagPlaceObject2*>(change.get());
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->move);
    EXPECT_FALSE(p->hasCharacter || p->hasName || p->hasColorTransform || p->hasClipDepth);
    EXPECT_TRUE(p->hasMatrix && p->hasRatio);
    EXPECT_EQ(p->matrix.translateY, -40);

    EXPECT_EQ(TagCodes(frame(4)), std::vector<uint16_t>{28});
}

TEST(FlashDisplay, ShiftDepthMovesSetClipDepthsOnly) {
    FTimelineElement e(5);
    FDisplayRecord clip = Placed(1, 5);
    clip.flags |= kDisplayHasClipDepth;
    clip.clipDepth = 8;
    FDisplayRecord plain = Placed(1, 5);
    plain.clipDepth = 8;  // flag not set: stays
    e.AppendRecord(clip);
    e.AppendRecord(plain);
    e.ShiftDepth(10);
    EXPECT_EQ(e.depth, 15);
    EXPECT_EQ(e.records[0].depth, 15);
    EXPECT_EQ(e.records[0].clipDepth, 18);
    EXPECT_EQ(e.records[1].clipDepth, 8);
    e.ReplaceID(1, 4);
    EXPECT_EQ(e.records[1].characterId, 4);
}
