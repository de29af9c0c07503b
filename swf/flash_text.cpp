// Text records, DefineText and DefineText2, DefineEditText, DefineFontInfo, DefineFont, DefineFont2.
#include "swf/flash_text.h"

#include <algorithm>

#include "swf/flash_bits.h"
#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

void WriteBody(flash_ostream& out, uint16_t code, const flash_ostream& body) {
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

// Moves to an offset inside a tag body; an offset outside it fails the stream (the tag reader then
// reports the tag) instead of reading another tag's bytes.
bool SeekInBody(flash_istream& in, uint64_t pos, uint64_t bodyEnd) {
    if (pos > bodyEnd || pos > in.size()) {
        in.setfail();
        return false;
    }
    in.seekg(pos);
    return true;
}

}  // namespace

// ---- Text records ----

void FlashTextRecordStyle::Write(flash_ostream& out, uint8_t, uint8_t) {
    out.PutByte(static_cast<uint8_t>(0x80 | (hasFont ? 8 : 0) | (hasColor ? 4 : 0) | (hasYOffset ? 2 : 0) |
                                     (hasXOffset ? 1 : 0)));
    if (hasFont) {
        out.RequireCharacter(fontId);
        WriteU16(out, fontId);
    }
    if (hasColor) {
        FlashRGBA c = color;
        c.hasAlpha = version > 1 ? 1 : 0;
        c.Write(out);
    }
    if (hasXOffset) WriteU16(out, static_cast<uint16_t>(xOffset));
    if (hasYOffset) WriteU16(out, static_cast<uint16_t>(yOffset));
    if (hasFont) WriteU16(out, textHeight);
}

void FlashTextRecordGlyph::Write(flash_ostream& out, uint8_t glyphBits, uint8_t advanceBits) {
    // Every run stands behind a style record, whose count byte takes up to 255 glyphs; a run that
    // does not follow one gets an empty style record of its own.
    const size_t kMaxRun = 255;
    size_t i = 0;
    do {
        size_t n = std::min(kMaxRun, glyphs.size() - i);
        if (i > 0 || !afterStyle) out.PutByte(0x80);
        out.PutByte(static_cast<uint8_t>(n));
        flash_bit_buffer bits(out);
        for (size_t k = i; k < i + n; ++k) {
            bits.WriteBits(glyphs[k].glyphIndex, glyphBits);
            bits.WriteBits(static_cast<uint16_t>(glyphs[k].advance), advanceBits);
        }
        bits.Flush();
        i += n;
    } while (i < glyphs.size());
}

int FlashTextRecordGlyph::GetGlyphBits() const {
    int n = 0;
    for (const auto& g : glyphs) n = std::max(n, BitsNeeded(g.glyphIndex));
    return n;
}

int FlashTextRecordGlyph::GetAdvanceBits() const {
    int n = 0;
    for (const auto& g : glyphs) n = std::max(n, SignedFieldBits(g.advance));
    return n;
}

namespace {

std::unique_ptr<FlashTextRecordGlyph> ReadGlyphs(flash_istream& in, int count, uint8_t glyphBits, uint8_t advanceBits) {
    auto record = std::make_unique<FlashTextRecordGlyph>();
    flash_bit_reader bits(in);
    for (int i = 0; i < count && in.good(); ++i) {
        FlashGlyphEntry e;
        e.glyphIndex = static_cast<uint16_t>(bits.ReadRaw(glyphBits));
        e.advance = static_cast<int16_t>(SignExtend32(bits.ReadRaw(advanceBits), advanceBits));
        record->glyphs.push_back(e);
    }
    bits.EndRecord();
    return record;
}

}  // namespace

std::unique_ptr<FlashTextRecord> ReadTextRecord(flash_istream& in, uint8_t glyphBits, uint8_t advanceBits,
                                                bool hasAlpha, bool afterStyle) {
    if (afterStyle) {
        // The full byte behind a style record counts its glyphs.
        int count = in.get();
        if (count < 0) return nullptr;
        return ReadGlyphs(in, count, glyphBits, advanceBits);
    }
    int b = in.get();
    if (b <= 0) return nullptr;
    if (!(b & 0x80)) {
        auto record = std::make_unique<FlashTextRecordGlyph>();
        flash_bit_reader bits(in);
        for (int i = 0; i < b && in.good(); ++i) {
            FlashGlyphEntry e;
            e.glyphIndex = static_cast<uint16_t>(bits.ReadRaw(glyphBits));
            e.advance = static_cast<int16_t>(SignExtend32(bits.ReadRaw(advanceBits), advanceBits));
            record->glyphs.push_back(e);
        }
        bits.EndRecord();
        return record;
    }
    auto record = std::make_unique<FlashTextRecordStyle>();
    record->SetVersion(1);
    record->color = FlashRGBA(0, 0, 0, 255, 0);
    if (b & 8) {
        record->hasFont = 1;
        record->fontId = ReadU16(in);
    }
    if (b & 4) {
        record->hasColor = 1;
        record->color.hasAlpha = hasAlpha ? 1 : 0;
        record->color.Read(in);
    }
    if (b & 1) {
        record->hasXOffset = 1;
        record->xOffset = static_cast<int16_t>(ReadU16(in));
    }
    if (b & 2) {
        record->hasYOffset = 1;
        record->yOffset = static_cast<int16_t>(ReadU16(in));
    }
    if (b & 8) record->textHeight = ReadU16(in);
    return record;
}

// ---- DefineText, DefineText2 ----

FlashTagDefineTextBase::FlashTagDefineTextBase(const FlashTagDefineTextBase& o)
    : FlashIDEnabled(o), bounds(o.bounds), matrix(o.matrix), recordVersion_(o.recordVersion_) {
    for (const auto& r : o.records) records.push_back(r ? r->Clone() : nullptr);
}

FlashTagDefineTextBase& FlashTagDefineTextBase::operator=(const FlashTagDefineTextBase& o) {
    if (this != &o) {
        FlashIDEnabled::operator=(o);
        bounds = o.bounds;
        matrix = o.matrix;
        recordVersion_ = o.recordVersion_;
        records.clear();
        for (const auto& r : o.records) records.push_back(r ? r->Clone() : nullptr);
    }
    return *this;
}

void FlashTagDefineTextBase::Write(flash_ostream& out) {
    int glyphBits = 0, advanceBits = 0;
    for (const auto& r : records) {
        if (!r || !r->IsGlyphRecord()) continue;
        glyphBits = std::max(glyphBits, r->GetGlyphBits());
        advanceBits = std::max(advanceBits, r->GetAdvanceBits());
    }
    flash_ostrstream body(out);
    WriteU16(body, characterId);
    bounds.Write(body);
    matrix.Write(body);
    body.PutByte(static_cast<uint8_t>(glyphBits));
    body.PutByte(static_cast<uint8_t>(advanceBits));
    // A style record is always followed by a glyph count: 0 when no glyphs follow it.
    bool afterStyle = false;
    for (auto& r : records) {
        if (!r) continue;
        r->SetVersion(recordVersion_);
        if (r->IsGlyphRecord()) {
            auto* glyphs = static_cast<FlashTextRecordGlyph*>(r.get());
            glyphs->afterStyle = afterStyle;
            glyphs->Write(body, static_cast<uint8_t>(glyphBits), static_cast<uint8_t>(advanceBits));
            afterStyle = false;
            continue;
        }
        if (afterStyle) body.PutByte(0);
        r->Write(body, static_cast<uint8_t>(glyphBits), static_cast<uint8_t>(advanceBits));
        afterStyle = true;
    }
    if (afterStyle) body.PutByte(0);
    body.PutByte(0);
    WriteBody(out, code, body);
}

void FlashTagDefineTextBase::Read(flash_istream& in) {
    characterId = ReadU16(in);
    bounds.Read(in);
    matrix.Read(in);
    uint8_t glyphBits = ReadU8(in);
    uint8_t advanceBits = ReadU8(in);
    records.clear();
    bool afterStyle = false;
    while (in.good()) {
        auto r = ReadTextRecord(in, glyphBits, advanceBits, recordVersion_ > 1, afterStyle);
        if (!r) break;
        afterStyle = !r->IsGlyphRecord();
        // A count of 0 behind a style record is only the end of that record.
        if (r->IsGlyphRecord() && static_cast<FlashTextRecordGlyph*>(r.get())->glyphs.empty()) continue;
        records.push_back(std::move(r));
    }
}

uint16_t FlashTagDefineTextBase::ReplaceID(uint16_t oldId, uint16_t newId) {
    uint16_t before = FlashIDEnabled::ReplaceID(oldId, newId);
    for (auto& r : records)
        if (r) r->ReplaceID(oldId, newId);
    return before;
}

void FlashTagDefineText::Accept(FVisitor& visitor) { visitor.VisitDefineText(*this); }
void FlashTagDefineText2::Accept(FVisitor& visitor) { visitor.VisitDefineText2(*this); }

// ---- DefineEditText ----

void FlashTagDefineEditBox::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteU16(body, characterId);
    bounds.Write(body);
    body.PutByte(static_cast<uint8_t>(flags >> 8));
    body.PutByte(static_cast<uint8_t>(flags));
    if (flags & kEditHasFont) {
        body.RequireCharacter(fontId);
        WriteU16(body, fontId);
    }
    if (flags & kEditHasFontClass) WriteCString(body, fontClass);
    if (flags & (kEditHasFont | kEditHasFontClass)) WriteU16(body, fontHeight);
    if (flags & kEditHasTextColor) {
        FlashRGBA c = color;
        c.hasAlpha = 1;
        c.Write(body);
    }
    if (flags & kEditHasMaxLength) WriteU16(body, maxLength);
    if (flags & kEditHasLayout) {
        body.PutByte(align);
        WriteU16(body, leftMargin);
        WriteU16(body, rightMargin);
        WriteU16(body, indent);
        WriteU16(body, leading);
    }
    WriteCString(body, variableName);
    if (flags & kEditHasText) WriteCString(body, initialText);
    WriteBody(out, code, body);
}

void FlashTagDefineEditBox::Read(flash_istream& in) {
    characterId = ReadU16(in);
    bounds.Read(in);
    uint8_t b1 = ReadU8(in);
    uint8_t b2 = ReadU8(in);
    flags = static_cast<uint16_t>(b1 * 256 + b2);
    if (flags & kEditHasFont) fontId = ReadU16(in);
    if (flags & kEditHasFontClass) ReadCString(in, fontClass);
    if (flags & (kEditHasFont | kEditHasFontClass)) fontHeight = ReadU16(in);
    if (flags & kEditHasTextColor) {
        color.hasAlpha = 1;
        color.Read(in);
    }
    if (flags & kEditHasMaxLength) maxLength = ReadU16(in);
    if (flags & kEditHasLayout) {
        align = ReadU8(in);
        leftMargin = ReadU16(in);
        rightMargin = ReadU16(in);
        indent = ReadU16(in);
        leading = ReadU16(in);
    }
    ReadCString(in, variableName);
    if (flags & kEditHasText) ReadCString(in, initialText);
}

void FlashTagDefineEditBox::Accept(FVisitor& visitor) { visitor.VisitDefineEditBox(*this); }

uint16_t FlashTagDefineEditBox::ReplaceID(uint16_t oldId, uint16_t newId) {
    FlashIDEnabled::ReplaceID(oldId, newId);
    if ((flags & kEditHasFont) && fontId == oldId) fontId = newId;
    return oldId;
}

// ---- DefineFontInfo ----

void FlashTagDefineFontInfo::Write(flash_ostream& out) {
    bool wide = flags & 1;
    size_t nameLength = name.size() % 256;
    WriteTagHeader(out, code, static_cast<uint32_t>(4 + nameLength + (wide ? 2 : 1) * codes.size()));
    WriteU16(out, characterId);
    WritePString(out, name);
    out.PutByte(flags);
    for (uint16_t c : codes) {
        if (wide)
            WriteU16(out, c);
        else
            out.PutByte(static_cast<uint8_t>(c));
    }
}

void FlashTagDefineFontInfo::Read(flash_istream& in) {
    uint64_t start = in.tellg();
    characterId = ReadU16(in);
    name.clear();
    ReadPString(in, name);
    flags = ReadU8(in);
    codes.clear();
    uint32_t rest = BodyLeft(in.tellg() - start);
    bool wide = flags & 1;
    uint32_t n = wide ? rest / 2 : rest;
    for (uint32_t i = 0; i < n && in.good(); ++i) codes.push_back(wide ? ReadU16(in) : ReadU8(in));
}

void FlashTagDefineFontInfo::Accept(FVisitor& visitor) { visitor.VisitDefineFontInfo(*this); }

// ---- DefineFont ----

void FlashTagDefineFont::Write(flash_ostream& out) {
    flash_ostrstream shapes(out);
    std::vector<uint32_t> offsets;
    for (auto& g : glyphs) {
        offsets.push_back(static_cast<uint32_t>(shapes.size()));
        g.Write(shapes, 1, 1);
    }
    uint32_t table = static_cast<uint32_t>(2 * glyphs.size());
    WriteTagHeader(out, code, 2 + table + static_cast<uint32_t>(shapes.size()));
    WriteU16(out, characterId);
    for (uint32_t o : offsets) WriteU16(out, static_cast<uint16_t>(o + table));
    WriteBytes(out, shapes.bytes());
    if (hasInfo) {
        info.characterId = characterId;
        info.Write(out);
    }
}

void FlashTagDefineFont::Read(flash_istream& in) {
    uint64_t bodyEnd = in.tellg() + length;
    characterId = ReadU16(in);
    uint64_t p = in.tellg();
    glyphs.clear();
    uint16_t first = ReadU16(in);
    if (first < 2 || in.fail()) return;
    // The offset table lies inside the body: its size bounds the glyph count.
    uint32_t n = first / 2u;
    if (p + 2ull * n > bodyEnd) {
        in.setfail();
        return;
    }
    std::vector<uint16_t> offsets{first};
    for (uint32_t i = 1; i < n; ++i) offsets.push_back(ReadU16(in));
    for (uint16_t o : offsets) {
        if (!SeekInBody(in, p + o, bodyEnd)) return;
        FlashShape shape;
        shape.Read(in);
        glyphs.push_back(std::move(shape));
    }
}

void FlashTagDefineFont::Accept(FVisitor& visitor) { visitor.VisitDefineFont(*this); }

uint16_t FlashTagDefineFont::ReplaceID(uint16_t oldId, uint16_t newId) {
    info.ReplaceID(oldId, newId);
    return FlashIDEnabled::ReplaceID(oldId, newId);
}

// ---- DefineFont2 ----

void FlashTagDefineFont2::Write(flash_ostream& out) {
    flash_ostrstream shapes(out);
    std::vector<uint32_t> offsets;
    for (auto& g : glyphs) {
        offsets.push_back(static_cast<uint32_t>(shapes.size()));
        g.Write(shapes, 1, 1);
    }
    size_t n = glyphs.size();
    bool wideCodes = (flags & kFont2WideCodes) != 0;
    for (uint16_t c : codes) wideCodes = wideCodes || c > 0xFF;
    if (hasLayout)
        for (const auto& k : layout.kerning) wideCodes = wideCodes || k.code1 > 0xFF || k.code2 > 0xFF;
    // The largest value of the offset table is the code-table offset.
    bool wideOffsets = (flags & kFont2WideOffsets) != 0 || 2 * n + 2 + shapes.size() > 0xFFFF;
    uint32_t table = static_cast<uint32_t>(wideOffsets ? 4 * n + 4 : 2 * n + 2);

    flash_ostrstream rest(out);
    auto put_offset = [&](uint32_t v) {
        if (wideOffsets)
            WriteU32(rest, v);
        else
            WriteU16(rest, static_cast<uint16_t>(v));
    };
    auto put_code = [&](uint16_t c) {
        if (wideCodes)
            WriteU16(rest, c);
        else
            rest.PutByte(static_cast<uint8_t>(c));
    };
    for (uint32_t o : offsets) put_offset(o + table);
    put_offset(static_cast<uint32_t>(shapes.size()) + table);
    WriteBytes(rest, shapes.bytes());
    for (size_t i = 0; i < n; ++i) put_code(i < codes.size() ? codes[i] : 0);
    if (hasLayout) {
        WriteU16(rest, layout.ascent);
        WriteU16(rest, layout.descent);
        WriteU16(rest, layout.leading);
        for (size_t i = 0; i < n; ++i) WriteU16(rest, i < layout.advances.size() ? layout.advances[i] : 0);
        for (size_t i = 0; i < n; ++i) (i < layout.boundsTable.size() ? layout.boundsTable[i] : FlashRect()).Write(rest);
        WriteU16(rest, static_cast<uint16_t>(std::min<size_t>(layout.kerning.size(), 0xFFFF)));
        for (size_t i = 0; i < layout.kerning.size() && i < 0xFFFF; ++i) {
            put_code(layout.kerning[i].code1);
            put_code(layout.kerning[i].code2);
            WriteU16(rest, static_cast<uint16_t>(layout.kerning[i].adjustment));
        }
    }

    size_t nameLength = name.size() % 256;
    uint8_t flagByte = static_cast<uint8_t>(flags & ~(kFont2HasLayout | kFont2WideOffsets | kFont2WideCodes));
    if (hasLayout) flagByte |= kFont2HasLayout;
    if (wideOffsets) flagByte |= kFont2WideOffsets;
    if (wideCodes) flagByte |= kFont2WideCodes;
    WriteTagHeader(out, code, static_cast<uint32_t>(rest.size() + nameLength + 7));
    WriteU16(out, characterId);
    out.PutByte(flagByte);
    out.PutByte(static_cast<uint8_t>(flags >> 8));
    WritePString(out, name);
    WriteU16(out, static_cast<uint16_t>(n));
    WriteBytes(out, rest.bytes());
}

void FlashTagDefineFont2::Read(flash_istream& in) {
    uint64_t bodyEnd = in.tellg() + length;
    characterId = ReadU16(in);
    uint8_t flagByte = ReadU8(in);
    uint8_t language = ReadU8(in);
    flags = static_cast<uint16_t>(language << 8 | flagByte);
    name.clear();
    ReadPString(in, name);
    uint32_t n = ReadU16(in);
    uint64_t p = in.tellg();
    glyphs.clear();
    codes.clear();
    layout = FlashFontLayout();
    bool wideOffsets = flagByte & kFont2WideOffsets;
    bool wideCodes = flagByte & kFont2WideCodes;
    if (p + (n + 1ull) * (wideOffsets ? 4 : 2) > bodyEnd) {  // the offset table must fit the body
        in.setfail();
        return;
    }
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i <= n; ++i) offsets.push_back(wideOffsets ? ReadU32(in) : ReadU16(in));
    for (uint32_t i = 0; i < n; ++i) {
        if (!SeekInBody(in, p + offsets[i], bodyEnd)) return;
        FlashShape shape;
        shape.Read(in);
        glyphs.push_back(std::move(shape));
    }
    if (!SeekInBody(in, p + offsets[n], bodyEnd)) return;
    for (uint32_t i = 0; i < n && in.good(); ++i) codes.push_back(wideCodes ? ReadU16(in) : ReadU8(in));
    hasLayout = (flagByte & kFont2HasLayout) ? 1 : 0;
    if (!hasLayout) return;
    layout.ascent = ReadU16(in);
    layout.descent = ReadU16(in);
    layout.leading = ReadU16(in);
    for (uint32_t i = 0; i < n && in.good(); ++i) layout.advances.push_back(ReadU16(in));
    for (uint32_t i = 0; i < n && in.good(); ++i) {
        FlashRect r;
        r.Read(in);
        layout.boundsTable.push_back(r);
    }
    uint32_t kerningCount = ReadU16(in);
    for (uint32_t i = 0; i < kerningCount && in.good(); ++i) {
        FlashKerningRecord k;
        k.SetVersion(1);
        k.code1 = wideCodes ? ReadU16(in) : ReadU8(in);
        k.code2 = wideCodes ? ReadU16(in) : ReadU8(in);
        k.adjustment = static_cast<int16_t>(ReadU16(in));
        if (in.fail()) break;
        layout.kerning.push_back(k);
    }
}

void FlashTagDefineFont2::Accept(FVisitor& visitor) { visitor.VisitDefineFont2(*this); }
