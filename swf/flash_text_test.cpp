// Text records, static texts, the edit box, the font information tag and both font tags.
#include <gtest/gtest.h>

#include "swf/flash_text.h"
#include "swf/swf_test_support.h"

namespace {

FlashShape Triangle(int w) {
    FlashShape g;
    FlashShapeRecordChange c;
    c.stateMoveTo = c.stateFillStyle0 = 1;
    c.fillStyle0 = 1;
    g.AddRecord(c);
    g.AddRecord(FlashShapeRecordStraight(w, 0));
    g.AddRecord(FlashShapeRecordStraight(-w / 2, -w));
    return g;
}

std::unique_ptr<FlashTextRecordStyle> FullStyle() {
    auto s = std::make_unique<FlashTextRecordStyle>();
    s->hasFont = s->hasColor = s->hasXOffset = s->hasYOffset = 1;
    s->fontId = 7;
    s->textHeight = 240;
    s->color = FlashRGBA(1, 2, 3, 4);
    s->xOffset = -40;
    s->yOffset = 960;
    return s;
}

}  // namespace

TEST(FlashText, GlyphAndAdvanceWidthsComeFromTheGlyphRecords) {
    FlashTagDefineText text;
    text.characterId = 4;
    text.records.push_back(FullStyle());
    auto glyphs = std::make_unique<FlashTextRecordGlyph>();
    glyphs->glyphs = {{3, 10}, {5, -2}};
    text.records.push_back(std::move(glyphs));
    std::vector<uint8_t> bytes = WrittenBytes(text);
    // id, RECT (2 bytes), MATRIX (2 bytes), then the widths.
    EXPECT_EQ(bytes[2 + 6], 3);
    EXPECT_EQ(bytes[2 + 7], 5);
    // Style byte 0x8F and an RGB colour of three bytes: 1 + 2 + 3 + 2 + 2 + 2 bytes.
    EXPECT_EQ(bytes[2 + 8], 0x8F);
    // The two glyphs: count 2, then 011 01010 101 11110 padded: 0x6A 0xBE.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2 + 8 + 12, bytes.end()), Bytes({2, 0x6A, 0xBE, 0x00}));

    FlashTagDefineText back = ReadTagBack<FlashTagDefineText>(bytes);
    ASSERT_EQ(back.records.size(), 2u);
    auto* style = dynamic_cast<FlashTextRecordStyle*>(back.records[0].get());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->xOffset, -40);
    EXPECT_EQ(style->color, FlashRGBA(1, 2, 3));
    auto* g = dynamic_cast<FlashTextRecordGlyph*>(back.records[1].get());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->glyphs[1].advance, -2);
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashText, ColourWidthFollowsTheTextTag) {
    FlashTagDefineText one;
    one.records.push_back(FullStyle());
    FlashTagDefineText2 two;
    two.records.push_back(FullStyle());
    std::vector<uint8_t> a = WrittenBytes(one), b = WrittenBytes(two);
    EXPECT_EQ(b.size(), a.size() + 1);
    // Only style records: both widths 0.
    EXPECT_EQ(a[8], 0);
    EXPECT_EQ(a[9], 0);
    FlashTagDefineText2 back = ReadTagBack<FlashTagDefineText2>(b);
    EXPECT_EQ(static_cast<FlashTextRecordStyle*>(back.records[0].get())->color, FlashRGBA(1, 2, 3, 4, 1));
}

TEST(FlashText, GlyphRunsOfAnyLengthRoundTrip) {
    // Behind a style record the glyph count is a full byte: runs of 128 to 255 glyphs are one record.
    for (int n : {1, 127, 128, 200, 255, 256, 600}) {
        FlashTagDefineText2 text;
        text.records.push_back(FullStyle());
        auto run = std::make_unique<FlashTextRecordGlyph>();
        for (int i = 0; i < n; ++i) run->glyphs.push_back({static_cast<uint16_t>(i % 7), 100});
        text.records.push_back(std::move(run));
        text.records.push_back(FullStyle());  // a style with no glyphs after it
        std::vector<uint8_t> bytes = WrittenBytes(text);
        FlashTagDefineText2 back = ReadTagBack<FlashTagDefineText2>(bytes);
        size_t glyphs = 0, styles = 0;
        for (const auto& r : back.records) {
            if (auto* g = dynamic_cast<FlashTextRecordGlyph*>(r.get())) {
                EXPECT_LE(g->glyphs.size(), 255u) << n;
                glyphs += g->glyphs.size();
            } else {
                ++styles;
            }
        }
        EXPECT_EQ(glyphs, size_t(n)) << n;
        EXPECT_EQ(styles, 2u + size_t((n - 1) / 255)) << n;
        EXPECT_EQ(WrittenBytes(back), bytes) << n;
    }
    // A run of 200 glyphs as a file has it: style record (font 1, height 240), count, glyphs, end.
    std::vector<uint8_t> body = {1, 0, 0x00, 0x00, 8, 8, 0x88, 1, 0, 0xF0, 0, 200};
    for (int i = 0; i < 200; ++i) body.insert(body.end(), {uint8_t(i), 10});
    body.push_back(0);
    std::vector<uint8_t> bytes = Bytes({int((11 << 6 | 0x3F) & 0xFF), 11 >> 2, int(body.size() & 0xFF), int(body.size() >> 8), 0, 0});
    bytes = Concat(bytes, body);
    FlashTagDefineText text = ReadTagBack<FlashTagDefineText>(bytes);
    ASSERT_EQ(text.records.size(), 2u);
    auto* run = dynamic_cast<FlashTextRecordGlyph*>(text.records[1].get());
    ASSERT_NE(run, nullptr);
    ASSERT_EQ(run->glyphs.size(), 200u);
    EXPECT_EQ(run->glyphs[199].glyphIndex, 199);
    EXPECT_EQ(run->glyphs[199].advance, 10);
}

TEST(FlashText, ReplaceIdFollowsFonts) {
    FlashTagDefineText2 text;
    text.characterId = 3;
    text.records.push_back(FullStyle());
    text.ReplaceID(7, 9);
    EXPECT_EQ(static_cast<FlashTextRecordStyle*>(text.records[0].get())->fontId, 9);
    EXPECT_EQ(text.characterId, 3);

    FlashTagDefineEditBox box;
    box.characterId = 2;
    box.flags = kEditHasFont;
    box.fontId = 7;
    EXPECT_EQ(box.ReplaceID(7, 9), 7);
    EXPECT_EQ(box.fontId, 9);
    EXPECT_EQ(box.characterId, 2);
}

TEST(FlashText, EditBoxReadsAndWritesItsOptionalFields) {
    std::vector<uint8_t> body = Bytes({0x05, 0x00, 0x08, 0x00, 0x81, 0x20, 0x07, 0x00, 0xF0, 0x00, 0x02, 0x0A, 0x00, 0x14,
                                       0x00, 0x05, 0x00, 0x10, 0x00, 'v', 0, 'h', 'i', 0});
    std::vector<uint8_t> bytes = Concat(Bytes({int(37 << 6 | body.size()), 37 >> 2}), body);
    FlashTagDefineEditBox box = ReadTagBack<FlashTagDefineEditBox>(bytes);
    EXPECT_EQ(box.flags, 0x8120);
    EXPECT_EQ(box.fontId, 7);
    EXPECT_EQ(box.fontHeight, 240);
    EXPECT_EQ(box.align, 2);
    EXPECT_EQ(box.leading, 16);
    EXPECT_EQ(box.variableName, "v");
    EXPECT_EQ(box.initialText, "hi");
    EXPECT_EQ(WrittenBytes(box), bytes);

    // HasFontClass names the font by class: the name, then the height, then the rest as usual.
    body = Bytes({0x05, 0x00, 0x08, 0x00, 0x80, 0xA0, 'F', 'o', 'n', 't', 0, 0xF0, 0x00, 0x02, 0x0A, 0x00, 0x14,
                  0x00, 0x05, 0x00, 0x10, 0x00, 'v', 0, 'h', 'i', 0});
    bytes = Concat(Bytes({int(37 << 6 | body.size()), 37 >> 2}), body);
    box = ReadTagBack<FlashTagDefineEditBox>(bytes);
    EXPECT_EQ(box.fontHeight, 240);
    EXPECT_EQ(box.leading, 16);
    EXPECT_EQ(box.variableName, "v");
    EXPECT_EQ(box.initialText, "hi");
    EXPECT_EQ(WrittenBytes(box), bytes);
}

TEST(FlashText, FontInfoCodeTableFillsTheBody) {
    FlashTagDefineFontInfo info;
    info.characterId = 3;
    info.name = "Plain";
    info.flags = 0x01;
    info.codes = {'a', 0x263A, 'c'};
    std::vector<uint8_t> bytes = WrittenBytes(info);
    EXPECT_EQ(bytes[0] & 63, 15);
    FlashTagDefineFontInfo back = ReadTagBack<FlashTagDefineFontInfo>(bytes);
    EXPECT_EQ(back.codes, info.codes);
    EXPECT_EQ(back.name, "Plain");
    info.flags = 0;
    back = ReadTagBack<FlashTagDefineFontInfo>(WrittenBytes(info));
    EXPECT_EQ(back.codes, (std::vector<uint16_t>{'a', 0x3A, 'c'}));
}

TEST(FlashText, FontOffsetsAndItsInfo) {
    FlashTagDefineFont font;
    font.characterId = 3;
    font.glyphs = {Triangle(400), Triangle(200)};
    std::vector<uint8_t> bytes = WrittenBytes(font);
    flash_ostream first;
    font.glyphs[0].Write(first, 1, 1);
    EXPECT_EQ(bytes[4], 4);  // after the tag header and the id: the offsets 4 and 4 + first glyph
    EXPECT_EQ(bytes[6], 4 + first.size());
    FlashTagDefineFont back = ReadTagBack<FlashTagDefineFont>(bytes);
    ASSERT_EQ(back.glyphs.size(), 2u);
    EXPECT_EQ(back.glyphs[1].straightRecords[0].deltaX, 200);
    EXPECT_EQ(WrittenBytes(back), bytes);

    font.hasInfo = 1;
    font.info.name = "Plain";
    font.info.codes = {'x', 'y'};
    std::vector<uint8_t> both = WrittenBytes(font);
    flash_istream in(both);
    std::vector<std::unique_ptr<FlashTag>> tags;
    ReadFlashTags(in, tags, nullptr);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0]->code, 10);
    EXPECT_EQ(tags[1]->code, 13);
    EXPECT_EQ(static_cast<FlashIDEnabled*>(tags[1].get())->GetID(), 3);

    // The info carries the font's id, so a renumbered font takes its info along.
    font.ReplaceID(3, 8);
    EXPECT_EQ(font.info.characterId, 8);
}

TEST(FlashText, Font2WithoutGlyphsOrLayout) {
    FlashTagDefineFont2 font;
    font.characterId = 1;
    font.name = "F";
    std::vector<uint8_t> bytes = WrittenBytes(font);
    EXPECT_EQ(bytes, Bytes({48 << 6 | 10, 48 >> 2, 1, 0, 0x00, 0x00, 1, 'F', 0, 0, 2, 0}));
    FlashTagDefineFont2 back = ReadTagBack<FlashTagDefineFont2>(bytes);
    EXPECT_TRUE(back.glyphs.empty());
    EXPECT_EQ(back.name, "F");
}

TEST(FlashText, Font2WritesBackWhatItRead) {
    // Wide codes, kerning codes in the width of the code table and the language byte all survive;
    // they were once written as one-byte codes and a language of 0.
    FlashTagDefineFont2 font;
    font.characterId = 1;
    font.flags = 0x0100 | kFont2WideCodes | 0x01;  // language 1, bold
    font.name = "Test";
    font.glyphs = {Triangle(500), Triangle(300)};
    font.codes = {'A', 0x263A};
    font.hasLayout = 1;
    font.layout.ascent = 800;
    font.layout.descent = 200;
    font.layout.leading = 50;
    font.layout.advances = {550, 350};
    font.layout.boundsTable = {FlashRect(0, -500, 500, 0), FlashRect(0, -300, 300, 0)};
    FlashKerningRecord k;
    k.code1 = 'A';
    k.code2 = 0x263A;
    k.adjustment = -30;
    font.layout.kerning = {k};
    std::vector<uint8_t> bytes = WrittenBytes(font);
    FlashTagDefineFont2 back = ReadTagBack<FlashTagDefineFont2>(bytes);
    EXPECT_EQ(back.flags, 0x0100 | kFont2HasLayout | kFont2WideCodes | 0x01);
    EXPECT_EQ(back.codes, font.codes);
    ASSERT_EQ(back.layout.kerning.size(), 1u);
    EXPECT_EQ(back.layout.kerning[0].code2, 0x263A);
    EXPECT_EQ(back.layout.kerning[0].adjustment, -30);
    EXPECT_EQ(back.layout.advances, font.layout.advances);
    EXPECT_EQ(back.layout.boundsTable[1].ymin, -300);
    EXPECT_EQ(WrittenBytes(back), bytes);

    // Narrow codes that were read narrow stay narrow; wide offsets that were read stay wide.
    font.flags = kFont2WideOffsets;
    font.codes = {'A', 'B'};
    font.layout.kerning[0].code2 = 'B';
    back = ReadTagBack<FlashTagDefineFont2>(WrittenBytes(font));
    EXPECT_EQ(back.flags & 0xFF, kFont2HasLayout | kFont2WideOffsets);
    EXPECT_EQ(back.layout.kerning[0].code2, 'B');
    EXPECT_EQ(back.glyphs.size(), 2u);
}

TEST(FlashText, FontOffsetsOutsideTheBodyFailTheTag) {
    struct Case {
        const char* what;
        std::vector<uint8_t> body;
    } cases[] = {
        {"DefineFont offset past the body", {1, 0, 4, 0, 60, 0}},
        {"DefineFont table longer than the body", {1, 0, 200, 0}},
        {"DefineFont2 glyph count beyond the body", {1, 0, 0, 0, 0, 0xFF, 0xFF, 2, 0}},
        {"DefineFont2 code table past the body", {1, 0, 0, 0, 0, 0, 0, 90, 0}},
    };
    for (const auto& c : cases) {
        uint16_t code = c.body.size() == 6 || c.body.size() == 4 ? 10 : 48;
        std::vector<uint8_t> bytes = Concat(Bytes({int((code << 6 | c.body.size()) & 0xFF), code >> 2}), c.body);
        RecordingVisitor v;
        bool more = true;
        testing::internal::CaptureStderr();
        ReadOneTag(bytes, 6, &v, &more);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(more) << c.what;
        EXPECT_EQ(v.tooFar.size(), 1u) << c.what;
    }
}
