// Morph fill and line styles and DefineMorphShape.
#include <gtest/gtest.h>

#include "swf/flash_morph.h"
#include "swf/swf_test_support.h"

namespace {

class RequireLog : public flash_character_writer {
public:
    void WriteCharacterOnce(uint16_t id) override { ids.push_back(id); }
    std::vector<uint16_t> ids;
};

FlashShape Edges(int w, int h) {
    FlashShape s;
    FlashShapeRecordChange c;
    c.stateMoveTo = c.stateFillStyle1 = 1;
    c.fillStyle1 = 1;
    s.AddRecord(c);
    s.AddRecord(FlashShapeRecordStraight(w, 0));
    s.AddRecord(FlashShapeRecordStraight(0, h));
    s.AddRecord(FlashShapeRecordStraight(-w, -h));
    return s;
}

FlashTagDefineMorphShape SolidMorph() {
    FlashTagDefineMorphShape m;
    m.characterId = 4;
    m.fillStyles.styles.push_back(
        std::make_unique<FlashMorphFillStyleSolid>(FlashRGBA(255, 0, 0), FlashRGBA(0, 0, 255, 128)));
    m.startEdges = Edges(200, 100);
    m.endEdges = Edges(100, 300);
    m.startBounds = FlashRect(0, 0, 10, 10);
    return m;
}

}  // namespace

TEST(FlashMorph, SolidMorphLayoutAndOffset) {
    FlashTagDefineMorphShape m = SolidMorph();
    std::vector<uint8_t> bytes = WrittenBytes(m);
    flash_istream in(bytes);
    FlashTagHeader h;
    h.Read(in);
    EXPECT_EQ(ReadU16(in), 4);
    // The written bounds are those of the edges, not the stored ones.
    FlashRect start, end;
    start.Read(in);
    end.Read(in);
    EXPECT_EQ(std::vector<int32_t>({start.xmin, start.ymin, start.xmax, start.ymax}),
              std::vector<int32_t>({0, 0, 200, 100}));
    EXPECT_EQ(end.ymax, 300);
    uint32_t offset = ReadU32(in);
    uint64_t styles = in.tellg();
    // One solid fill with two four-byte colours, no line styles, then edges with 1-bit widths.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + styles, bytes.begin() + styles + 11),
              Bytes({1, 0x00, 255, 0, 0, 255, 0, 0, 255, 128, 0}));
    EXPECT_EQ(bytes[styles + 11] & 0xFF, 0x11);
    // The offset leads exactly to the end edges: reading back writes no message.
    testing::internal::CaptureStderr();
    FlashTagDefineMorphShape back = ReadTagBack<FlashTagDefineMorphShape>(bytes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Styles and start edges fill the offset; the end edges fill the rest of the tag.
    flash_ostream endEdges;
    m.endEdges.Write(endEdges, 1, 0);
    EXPECT_EQ(styles + offset + endEdges.size(), bytes.size());
    EXPECT_EQ(back.endEdges.straightRecords[1].deltaY, 300);
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashMorph, StyleCountsAndLineStyleOrder) {
    FlashTagDefineMorphShape m = SolidMorph();
    for (int i = 1; i < 300; ++i) m.fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleSolid>());
    m.lineStyles.push_back({20, FlashRGBA(1, 2, 3), 40, FlashRGBA(4, 5, 6, 7)});
    std::vector<uint8_t> bytes = WrittenBytes(m);
    flash_istream in(bytes);
    FlashTagHeader h;
    h.Read(in);
    in.ignore(2);
    FlashRect r;
    r.Read(in);
    r.Read(in);
    ReadU32(in);
    size_t at = in.tellg();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + 3), Bytes({0xFF, 0x2C, 0x01}));
    size_t lines = at + 3 + 300 * 9;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + lines, bytes.begin() + lines + 5), Bytes({1, 0x14, 0x00, 0x28, 0x00}));
    FlashTagDefineMorphShape back = ReadTagBack<FlashTagDefineMorphShape>(bytes);
    EXPECT_EQ(back.fillStyles.styles.size(), 300u);
    ASSERT_EQ(back.lineStyles.size(), 1u);
    EXPECT_EQ(back.lineStyles[0].endColor, FlashRGBA(4, 5, 6, 7, 1));
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashMorph, GradientAndBitmapFillsRoundTrip) {
    FlashTagDefineMorphShape m = SolidMorph();
    auto radial = std::make_unique<FlashMorphFillStyleRadial>();
    radial->gradient.push_back({0, FlashRGBA(1, 2, 3, 4), 10, FlashRGBA(5, 6, 7, 8)});
    radial->gradient.push_back({255, FlashRGBA(9, 9, 9, 9), 200, FlashRGBA(0, 0, 0, 0)});
    radial->endMatrix.translateX = -300;
    m.fillStyles.styles.push_back(std::move(radial));
    m.fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleLinear>());
    m.fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleBitmap>(12, false));
    std::vector<uint8_t> bytes = WrittenBytes(m);
    FlashTagDefineMorphShape back = ReadTagBack<FlashTagDefineMorphShape>(bytes);
    ASSERT_EQ(back.fillStyles.styles.size(), 4u);
    auto* r = dynamic_cast<FlashMorphFillStyleRadial*>(back.fillStyles.styles[1].get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->gradient[1].endRatio, 200);
    EXPECT_EQ(r->endMatrix.translateX, -300);
    EXPECT_NE(dynamic_cast<FlashMorphFillStyleLinear*>(back.fillStyles.styles[2].get()), nullptr);
    auto* b = dynamic_cast<FlashMorphFillStyleBitmap*>(back.fillStyles.styles[3].get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->repeating, 0);
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashMorph, BitmapFillsAreRequiredAndFollowRenumbering) {
    // A bitmap that only a morph shape uses must reach the file, and must keep its user after a
    // renumbering; both were once missed.
    FlashTagDefineMorphShape m = SolidMorph();
    m.fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleBitmap>(12, true));
    RequireLog log;
    flash_ostream out;
    out.owner = &log;
    m.Write(out);
    EXPECT_EQ(log.ids, std::vector<uint16_t>{12});
    EXPECT_EQ(m.ReplaceID(12, 30), 4);
    EXPECT_EQ(static_cast<FlashMorphFillStyleBitmap*>(m.fillStyles.styles[1].get())->bitmapId, 30);
    m.ReplaceID(4, 5);
    EXPECT_EQ(m.characterId, 5);
}

TEST(FlashMorph, WrongOffsetIsReportedAndReadingGoesOn) {
    FlashTagDefineMorphShape m = SolidMorph();
    std::vector<uint8_t> bytes = WrittenBytes(m);
    flash_istream in(bytes);
    FlashTagHeader h;
    h.Read(in);
    in.ignore(2);
    FlashRect r;
    r.Read(in);
    r.Read(in);
    size_t at = in.tellg();
    bytes[at] = static_cast<uint8_t>(bytes[at] + 4);
    testing::internal::CaptureStderr();
    FlashTagDefineMorphShape back = ReadTagBack<FlashTagDefineMorphShape>(bytes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error MorphShape Bad offset\n");
    EXPECT_EQ(back.endEdges.straightRecords.size(), 3u);
    EXPECT_EQ(back.endEdges.straightRecords[1].deltaY, 300);
}
