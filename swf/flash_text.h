// Text and font tags: static text (DefineText, DefineText2) made of style and glyph records, the
// editable text field, the glyph fonts DefineFont and DefineFont2 with their code tables and layout,
// and the separate font information tag. Glyph outlines are FlashShape objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_records.h"
#include "swf/flash_shape.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

// ---- Text records ----

class FlashTextRecord : public FlashVersionEnabled {
public:
    ~FlashTextRecord() override = default;
    virtual void Write(flash_ostream& out, uint8_t glyphBits, uint8_t advanceBits) = 0;
    virtual bool IsGlyphRecord() const = 0;
    virtual std::unique_ptr<FlashTextRecord> Clone() const = 0;
    // The widths this record needs; -1 for a style record.
    virtual int GetGlyphBits() const = 0;
    virtual int GetAdvanceBits() const = 0;
    virtual void ReplaceID(uint16_t oldId, uint16_t newId) = 0;
};

// Font, colour, offsets and height for the glyphs that follow. The colour is RGBA above version 1.
class FlashTextRecordStyle : public FlashTextRecord {
public:
    // Style byte 0x80 | font << 3 | colour << 2 | y << 1 | x; font id, colour, x, y, height.
    void Write(flash_ostream& out, uint8_t glyphBits, uint8_t advanceBits) override;
    bool IsGlyphRecord() const override { return false; }
    std::unique_ptr<FlashTextRecord> Clone() const override { return std::make_unique<FlashTextRecordStyle>(*this); }
    int GetGlyphBits() const override { return -1; }
    int GetAdvanceBits() const override { return -1; }
    void ReplaceID(uint16_t oldId, uint16_t newId) override {
        if (hasFont && fontId == oldId) fontId = newId;
    }

    uint8_t hasFont = 0;
    uint8_t hasColor = 0;
    uint8_t hasXOffset = 0;
    uint8_t hasYOffset = 0;
    uint16_t fontId = 0;
    uint16_t textHeight = 0;
    FlashRGBA color;
    int16_t xOffset = 0;
    int16_t yOffset = 0;
};

struct FlashGlyphEntry {
    uint16_t glyphIndex = 0;
    int16_t advance = 0;
};

// A run of glyphs: a count byte, then index and advance per glyph, bit-packed.
class FlashTextRecordGlyph : public FlashTextRecord {
public:
    // The count byte belongs to the style record before it; a run without one (afterStyle false)
    // and every further 255 glyphs of a longer run are given an empty style record.
    void Write(flash_ostream& out, uint8_t glyphBits, uint8_t advanceBits) override;
    bool IsGlyphRecord() const override { return true; }
    std::unique_ptr<FlashTextRecord> Clone() const override { return std::make_unique<FlashTextRecordGlyph>(*this); }
    // Significant bits of the largest index (0 for none).
    int GetGlyphBits() const override;
    // The widest signed advance (0 for none).
    int GetAdvanceBits() const override;
    void ReplaceID(uint16_t, uint16_t) override {}

    std::vector<FlashGlyphEntry> glyphs;
    bool afterStyle = true;  // set by the text tag as it writes its records
};

// One record, or null at the end of the records (byte 0) or of the data. Behind a style record
// (afterStyle) the next byte is the full glyph count, 0 to 255; elsewhere a byte without the top
// bit is a run of up to 127 glyphs.
std::unique_ptr<FlashTextRecord> ReadTextRecord(flash_istream& in, uint8_t glyphBits, uint8_t advanceBits,
                                                bool hasAlpha, bool afterStyle = false);

// DefineText (11, records of version 1, RGB) and DefineText2 (33, version 2, RGBA).
class FlashTagDefineTextBase : public FlashIDEnabled {
public:
    FlashTagDefineTextBase(const FlashTagDefineTextBase& o);
    FlashTagDefineTextBase& operator=(const FlashTagDefineTextBase& o);

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    // Its own id and the fonts of its style records.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    FlashRect bounds;
    FlashMatrix matrix;
    std::vector<std::unique_ptr<FlashTextRecord>> records;

protected:
    FlashTagDefineTextBase(uint16_t c, int recordVersion) : FlashIDEnabled(c), recordVersion_(recordVersion) {}

private:
    int recordVersion_;
};

class FlashTagDefineText : public FlashTagDefineTextBase {
public:
    FlashTagDefineText() : FlashTagDefineTextBase(11, 1) {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineText>(*this); }
};

class FlashTagDefineText2 : public FlashTagDefineTextBase {
public:
    FlashTagDefineText2() : FlashTagDefineTextBase(33, 2) {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineText2>(*this); }
};

// Flag bits of FlashTagDefineEditBox::flags (first file byte in the high half).
enum : uint16_t {
    kEditHasText = 0x8000,
    kEditHasTextColor = 0x0400,
    kEditHasMaxLength = 0x0200,
    kEditHasFont = 0x0100,
    kEditHasFontClass = 0x0080,
    kEditHasLayout = 0x0020,
};

// DefineEditText (37): an editable text field. Flag bits the library does not act on are kept.
class FlashTagDefineEditBox : public FlashIDEnabled {
public:
    FlashTagDefineEditBox() : FlashIDEnabled(37) { color.hasAlpha = 1; }
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineEditBox>(*this); }
    // Its own id and, with HasFont, the font; returns oldId.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    FlashRect bounds;
    uint16_t flags = 0;
    uint16_t fontId = 0;
    uint16_t fontHeight = 0;
    std::string fontClass;  // with HasFontClass: the font by class name instead of id
    FlashRGBA color;
    uint16_t maxLength = 0;
    uint8_t align = 0;
    uint16_t leftMargin = 0;
    uint16_t rightMargin = 0;
    uint16_t indent = 0;
    uint16_t leading = 0;
    std::string variableName;
    std::string initialText;
};

// DefineFontInfo (13): names and codes of the glyphs of a DefineFont; its id is the font's id.
class FlashTagDefineFontInfo : public FlashIDEnabled {
public:
    FlashTagDefineFontInfo() : FlashIDEnabled(13) {}
    void Write(flash_ostream& out) override;
    // The code table fills the rest of the body: u16 codes with flag bit 0, else bytes.
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineFontInfo>(*this); }

    std::vector<uint16_t> codes;
    std::string name;
    uint8_t flags = 0;
};

// DefineFont (10): glyph outlines; the movie joins a following DefineFontInfo into `info`.
class FlashTagDefineFont : public FlashIDEnabled {
public:
    FlashTagDefineFont() : FlashIDEnabled(10) {}
    // With hasInfo the info follows as a tag of its own.
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineFont>(*this); }
    // The info carries the font's id, so it follows a renumbering too.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    std::vector<FlashShape> glyphs;
    FlashTagDefineFontInfo info;
    uint8_t hasInfo = 0;
};

class FlashKerningRecord : public FlashVersionEnabled {
public:
    uint16_t code1 = 0;
    uint16_t code2 = 0;
    int16_t adjustment = 0;
};

struct FlashFontLayout {
    uint16_t ascent = 0;
    uint16_t descent = 0;
    uint16_t leading = 0;
    std::vector<uint16_t> advances;
    std::vector<FlashRect> boundsTable;
    std::vector<FlashKerningRecord> kerning;
};

// Bits of the DefineFont2 flags byte (the low byte of FlashTagDefineFont2::flags).
enum : uint16_t {
    kFont2HasLayout = 0x80,
    kFont2WideOffsets = 0x08,
    kFont2WideCodes = 0x04,
};

// DefineFont2 (48): glyphs, codes, name and optional layout in one tag.
class FlashTagDefineFont2 : public FlashIDEnabled {
public:
    FlashTagDefineFont2() : FlashIDEnabled(48) {}
    // Writes back what was read: the language byte, wide codes when they were read or a code needs
    // them (kerning codes in the same width), wide offsets when they were read or an offset needs them.
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineFont2>(*this); }

    std::vector<uint16_t> codes;
    std::vector<FlashShape> glyphs;
    uint8_t hasLayout = 0;
    uint16_t flags = 0;  // low byte the flags byte, high byte the language code
    std::string name;
    FlashFontLayout layout;
};
