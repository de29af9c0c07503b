// Fill and line styles, shape records, shapes and the DefineShape tags.
#include <gtest/gtest.h>

#include "swf/flash_shape.h"
#include "swf/swf_test_support.h"

namespace {

// Records the characters a writer asks for, and the bytes written before each request.
class RequireLog : public flash_character_writer {
public:
    void WriteCharacterOnce(uint16_t id) override {
        ids.push_back(id);
        if (watched) bytesBefore.push_back(watched->size());
    }
    std::vector<uint16_t> ids;
    std::vector<size_t> bytesBefore;
    const flash_ostream* watched = nullptr;
};

std::vector<uint8_t> ShapeBytes(FlashShape& shape, uint16_t fillBits = 1, uint16_t lineBits = 1) {
    flash_ostream out;
    shape.Write(out, fillBits, lineBits);
    return out.bytes();
}

// A DefineShape2 with two style changes that bring new styles, a curve and a bitmap fill.
FlashTagDefineShape2 RichShape() {
    FlashTagDefineShape2 tag;
    tag.characterId = 5;
    tag.bounds = FlashRect(-100, -200, 3000, 4000);
    tag.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(10, 20, 30)));
    tag.shape.lineStyles.styles.push_back(FlashLineStyle(20, FlashRGBA(1, 2, 3)));
    FlashShapeRecordChange first;
    first.stateMoveTo = first.stateFillStyle1 = first.stateLineStyle = 1;
    first.moveDeltaX = -100;
    first.moveDeltaY = 50;
    first.fillStyle1 = 1;
    first.lineStyle = 1;
    tag.shape.AddRecord(first);
    tag.shape.AddRecord(FlashShapeRecordStraight(300, 0));
    tag.shape.AddRecord(FlashShapeRecordCurved(100, 100, -50, 200));
    FlashShapeRecordChange fresh;
    fresh.stateNewStyles = fresh.stateFillStyle0 = fresh.stateLineStyle = 1;
    for (int i = 0; i < 3; ++i)
        fresh.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(i, i, i)));
    auto gradient = std::make_unique<FlashFillStyleGradient>(0x12);
    gradient->gradient.ratios = {0, 255};
    gradient->gradient.colors = {FlashRGBA(255, 0, 0), FlashRGBA(0, 0, 255)};
    gradient->matrix.hasScale = 1;
    gradient->matrix.xScale = FlashFixed(0.5);
    fresh.fillStyles.styles.push_back(std::move(gradient));
    fresh.fillStyles.styles.push_back(std::make_unique<FlashFillStyleBitmap>(9, false));
    fresh.lineStyles.styles.push_back(FlashLineStyle(40, FlashRGBA(7, 8, 9)));
    fresh.fillStyle0 = 1;  // still in the widths of the styles before these
    fresh.lineStyle = 1;
    tag.shape.AddRecord(fresh);
    tag.shape.AddRecord(FlashShapeRecordStraight(-7, 9));
    FlashShapeRecordChange last;
    last.stateFillStyle0 = 1;
    last.fillStyle0 = 5;  // needs the 3 bits that the new styles bring
    tag.shape.AddRecord(last);
    tag.shape.AddRecord(FlashShapeRecordStraight(0, -20000));
    return tag;
}

}  // namespace

TEST(FlashShape, StyleEncodings) {
    struct Case {
        int version;
        std::vector<uint8_t> solid;  // the colour (10, 20, 30, 40) as a solid fill
    } cases[] = {{1, {0x00, 0x0A, 0x14, 0x1E}}, {2, {0x00, 0x0A, 0x14, 0x1E}}, {3, {0x00, 0x0A, 0x14, 0x1E, 0x28}}};
    for (const auto& c : cases) {
        FlashFillStyleSolid fill(FlashRGBA(10, 20, 30, 40));
        fill.SetVersion(c.version);
        EXPECT_EQ(WrittenBytes(fill), c.solid) << c.version;
        FlashLineStyle line(20, FlashRGBA(10, 20, 30, 40));
        line.SetVersion(c.version);
        std::vector<uint8_t> expected = {0x14, 0x00};
        expected.insert(expected.end(), c.solid.begin() + 1, c.solid.end());
        EXPECT_EQ(WrittenBytes(line), expected) << c.version;
    }
}

TEST(FlashShape, StyleCountsReadBackAsWrittenAtEveryVersion) {
    // Version 1 has only the count byte (0xFF is 255 styles); later versions take 0xFF and a u16.
    struct Case {
        int version;
        size_t styles;
        size_t kept;
        std::vector<uint8_t> count;
    } cases[] = {
        {1, 254, 254, {254}}, {1, 255, 255, {0xFF}}, {1, 300, 255, {0xFF}},
        {2, 254, 254, {254}}, {2, 255, 255, {0xFF, 0xFF, 0x00}}, {3, 300, 300, {0xFF, 0x2C, 0x01}},
    };
    for (const auto& c : cases) {
        FlashFillStyleArray fills;
        FlashLineStyleArray lines;
        fills.SetVersion(c.version);
        lines.SetVersion(c.version);
        for (size_t i = 0; i < c.styles; ++i) {
            fills.styles.push_back(std::make_unique<FlashFillStyleSolid>());
            lines.styles.push_back(FlashLineStyle(20, FlashRGBA(1, 2, 3)));
        }
        testing::internal::CaptureStderr();
        std::vector<uint8_t> fillBytes = WrittenBytes(fills), lineBytes = WrittenBytes(lines);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::vector<uint8_t>(fillBytes.begin(), fillBytes.begin() + c.count.size()), c.count);
        FlashFillStyleArray fillsBack;
        FlashLineStyleArray linesBack;
        fillsBack.SetVersion(c.version);
        linesBack.SetVersion(c.version);
        flash_istream fillIn(fillBytes), lineIn(lineBytes);
        fillsBack.Read(fillIn);
        linesBack.Read(lineIn);
        EXPECT_EQ(fillsBack.styles.size(), c.kept) << c.version << " " << c.styles;
        EXPECT_EQ(linesBack.styles.size(), c.kept) << c.version << " " << c.styles;
        EXPECT_EQ(fillIn.remaining(), 0u) << c.version << " " << c.styles;
        EXPECT_EQ(lineIn.remaining(), 0u) << c.version << " " << c.styles;
    }
}

TEST(FlashShape, UnsmoothedBitmapFillsAreBitmapFills) {
    // Types 0x40..0x43: bit 0 clips instead of repeating, bit 1 turns smoothing off.
    std::vector<uint8_t> bytes = {5};
    for (int type : {0x40, 0x41, 0x42, 0x43}) bytes.insert(bytes.end(), {uint8_t(type), uint8_t(type), 0x00, 0x00});
    bytes.insert(bytes.end(), {0x00, 1, 2, 3});
    FlashFillStyleArray fills;
    fills.SetVersion(2);
    flash_istream in(bytes);
    fills.Read(in);
    ASSERT_EQ(fills.styles.size(), 5u);
    EXPECT_EQ(in.remaining(), 0u);
    for (int i = 0; i < 4; ++i) {
        auto* bitmap = dynamic_cast<FlashFillStyleBitmap*>(fills.styles[i].get());
        ASSERT_NE(bitmap, nullptr) << i;
        EXPECT_EQ(bitmap->bitmapId, 0x40 + i);
    }
    // Written back, each keeps its kind.
    FlashFillStyleArray back;
    back.SetVersion(2);
    flash_istream written(WrittenBytes(fills));
    back.Read(written);
    ASSERT_EQ(back.styles.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        auto* bitmap = dynamic_cast<FlashFillStyleBitmap*>(back.styles[i].get());
        ASSERT_NE(bitmap, nullptr) << i;
        EXPECT_EQ(bitmap->repeating, (i & 1) ? 0 : 1) << i;
        EXPECT_EQ(bitmap->smoothed, (i & 2) ? 0 : 1) << i;
    }
}

TEST(FlashShape, LargeStyleCountsAreReadUnsignedAndBoundedByTheData) {
    // A count of 32,768 or more is a count like any other (it once read as no styles).
    std::vector<uint8_t> bytes = Bytes({0xFF, 0x00, 0x80});
    for (int i = 0; i < 0x8000; ++i) bytes.insert(bytes.end(), {0x00, 1, 2, 3});
    FlashFillStyleArray fills;
    fills.SetVersion(2);
    flash_istream in(bytes);
    fills.Read(in);
    EXPECT_EQ(fills.styles.size(), 0x8000u);
    EXPECT_TRUE(in.good());

    // A count the data cannot hold stops at the end of the data.
    FlashLineStyleArray lines;
    lines.SetVersion(3);
    flash_istream cut(Bytes({0xFF, 0xFF, 0xFF, 20, 0, 1, 2, 3, 4, 20}));
    lines.Read(cut);
    EXPECT_EQ(lines.styles.size(), 1u);
    EXPECT_TRUE(cut.fail());
}

TEST(FlashShape, UnknownFillTypeIsReportedAndSkipped) {
    FlashFillStyleArray fills;
    fills.SetVersion(1);
    flash_istream in(Bytes({3, 0x00, 1, 2, 3, 0x77, 0x00, 4, 5, 6}));
    testing::internal::CaptureStderr();
    fills.Read(in);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FlashFillStyleArray: Invalid type 119\n");
    ASSERT_EQ(fills.styles.size(), 2u);
    EXPECT_EQ(static_cast<FlashFillStyleSolid*>(fills.styles[1].get())->color, FlashRGBA(4, 5, 6));
}

TEST(FlashShape, BitmapFillAsksForItsBitmapBeforeWritingAnything) {
    RequireLog log;
    flash_ostream out;
    out.owner = &log;
    log.watched = &out;
    FlashFillStyleBitmap fill(12, false);
    fill.Write(out);
    EXPECT_EQ(log.ids, std::vector<uint16_t>{12});
    EXPECT_EQ(log.bytesBefore, std::vector<size_t>{0});
    EXPECT_EQ(out.bytes(), Bytes({0x41, 12, 0, 0x02, 0x00}));
}

TEST(FlashShape, EdgeEncodings) {
    struct Case {
        int32_t dx, dy;
        std::vector<uint8_t> bytes;  // the edge alone in a shape with 1-bit widths, then the end record
    } cases[] = {
        // 11 0001 01 000 | 000000: vertical edge of 0 with NumBits 1.
        {0, 0, {0x11, 0xC5, 0x00, 0x00}},
        // 11 0010 00 0101 | 000000: horizontal, NumBits 2.
        {5, 0, {0x11, 0xC8, 0x50, 0x00}},
        // 11 0001 1 111 001 | 000000: general, NumBits 1.
        {-1, 1, {0x11, 0xC7, 0xC8, 0x00}},
    };
    for (const auto& c : cases) {
        FlashShape shape;
        shape.AddRecord(FlashShapeRecordStraight(c.dx, c.dy));
        std::vector<uint8_t> bytes = ShapeBytes(shape);
        EXPECT_EQ(bytes, c.bytes) << c.dx << "," << c.dy;
        FlashShape back;
        flash_istream in(bytes);
        back.Read(in);
        ASSERT_EQ(back.straightRecords.size(), 1u);
        EXPECT_EQ(back.straightRecords[0].deltaX, c.dx);
        EXPECT_EQ(back.straightRecords[0].deltaY, c.dy);
        EXPECT_EQ(in.remaining(), 0u);
    }
    // The widest edges keep their full 17-bit range.
    FlashShape wide;
    wide.AddRecord(FlashShapeRecordStraight(65535, -65536));
    wide.AddRecord(FlashShapeRecordCurved(-65536, 1, 2, 65535));
    std::vector<uint8_t> bytes = ShapeBytes(wide);
    FlashShape back;
    flash_istream in(bytes);
    back.Read(in);
    EXPECT_EQ(back.straightRecords[0].deltaX, 65535);
    EXPECT_EQ(back.straightRecords[0].deltaY, -65536);
    EXPECT_EQ(back.curvedRecords[0].controlDeltaX, -65536);
    EXPECT_EQ(back.curvedRecords[0].anchorDeltaY, 65535);
}

TEST(FlashShape, EmptyShapeAndItsWidths) {
    FlashShape shape;
    EXPECT_EQ(ShapeBytes(shape, 0, 0), Bytes({0x11, 0x00}));
    EXPECT_EQ(shape.numFillBits, 1);
    EXPECT_EQ(shape.numLineBits, 1);
    // With styles of its own and none of them, both widths are 0.
    FlashShapeWithStyle styled;
    styled.SetVersion(1);
    EXPECT_EQ(WrittenBytes(styled), Bytes({0x00, 0x00, 0x00, 0x00}));
}

TEST(FlashShape, BoundsCoverPenPositionsAndControlPoints) {
    FlashShape moveOnly;
    FlashShapeRecordChange move;
    move.stateMoveTo = 1;
    move.moveDeltaX = move.moveDeltaY = 100;
    moveOnly.AddRecord(move);
    FlashRect bounds(1, 2, 3, 4);
    EXPECT_FALSE(moveOnly.ComputeBounds(bounds));
    EXPECT_EQ(bounds.xmax, 0);

    FlashShape edge = moveOnly;
    edge.AddRecord(FlashShapeRecordStraight(50, -20));
    ASSERT_TRUE(edge.ComputeBounds(bounds));
    EXPECT_EQ(std::vector<int32_t>({bounds.xmin, bounds.ymin, bounds.xmax, bounds.ymax}),
              std::vector<int32_t>({100, 80, 150, 100}));
    edge.AddRecord(FlashShapeRecordCurved(10, -100, 10, 100));
    ASSERT_TRUE(edge.ComputeBounds(bounds));
    EXPECT_EQ(std::vector<int32_t>({bounds.xmin, bounds.ymin, bounds.xmax, bounds.ymax}),
              std::vector<int32_t>({100, -20, 170, 100}));
}

TEST(FlashShape, StyleChangesWithNewStylesRoundTripInEveryShapeTag) {
    FlashTagDefineShape2 two = RichShape();
    FlashTagDefineShape3 three;
    three.characterId = two.characterId;
    three.bounds = two.bounds;
    three.shape = two.shape;
    FlashTagDefineShape1 one;
    one.characterId = two.characterId;
    one.bounds = two.bounds;
    one.shape = two.shape;
    for (FlashTagDefineShapeBase* tag : std::initializer_list<FlashTagDefineShapeBase*>{&one, &two, &three}) {
        std::vector<uint8_t> bytes = WrittenBytes(*tag);
        auto read = ReadOneTag(bytes);
        auto* back = dynamic_cast<FlashTagDefineShapeBase*>(read.get());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->tagCode, tag->tagCode);
        EXPECT_EQ(back->bounds.xmin, -100);
        EXPECT_EQ(back->bounds.ymax, 4000);
        ASSERT_EQ(back->shape.recordOrder, tag->shape.recordOrder);
        const auto& fresh = back->shape.changeRecords[1];
        ASSERT_EQ(fresh.fillStyles.styles.size(), 5u);
        EXPECT_EQ(fresh.fillStyle0, 1);
        EXPECT_EQ(back->shape.changeRecords[2].fillStyle0, 5);
        auto* gradient = dynamic_cast<FlashFillStyleGradient*>(fresh.fillStyles.styles[3].get());
        ASSERT_NE(gradient, nullptr);
        EXPECT_EQ(gradient->type, 0x12);
        EXPECT_EQ(gradient->matrix.xScale, FlashFixed(0.5));
        EXPECT_EQ(gradient->gradient.colors[1].hasAlpha, tag->shapeVersion > 2 ? 1 : 0);
        EXPECT_EQ(static_cast<FlashFillStyleBitmap*>(fresh.fillStyles.styles[4].get())->bitmapId, 9);
        EXPECT_EQ(back->shape.curvedRecords[0].anchorDeltaY, 200);
        EXPECT_EQ(back->shape.straightRecords.back().deltaY, -20000);
        EXPECT_EQ(WrittenBytes(*back), bytes) << tag->tagCode;
    }
}

TEST(FlashShape, ReplaceIdFollowsEveryBitmapFill) {
    FlashTagDefineShape2 tag = RichShape();
    tag.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleBitmap>(9, true));
    EXPECT_EQ(tag.ReplaceID(9, 40), 5);
    EXPECT_EQ(static_cast<FlashFillStyleBitmap*>(tag.shape.fillStyles.styles[1].get())->bitmapId, 40);
    // Also the new styles of a style change: a stale id there would name another character.
    EXPECT_EQ(static_cast<FlashFillStyleBitmap*>(tag.shape.changeRecords[1].fillStyles.styles[4].get())->bitmapId, 40);
    EXPECT_EQ(tag.ReplaceID(5, 6), 5);
    EXPECT_EQ(tag.characterId, 6);
    auto clone = tag.Clone();
    EXPECT_NE(dynamic_cast<FlashTagDefineShape2*>(clone.get()), nullptr);
}

TEST(FlashShape, ShapesCutShortFailTheirTag) {
    FlashTagDefineShape2 rich = RichShape();
    std::vector<uint8_t> bytes = WrittenBytes(rich);
    for (size_t cut = 3; cut < bytes.size(); cut += 3) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        RecordingVisitor v;
        bool more = true;
        testing::internal::CaptureStderr();
        ReadOneTag(part, 6, &v, &more);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(more) << cut;
        EXPECT_EQ(v.tooFar.size(), 1u) << cut;
    }
}
