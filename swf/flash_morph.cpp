// Morph fill and line styles and the DefineMorphShape tag.
#include "swf/flash_morph.h"

#include <iostream>

#include "swf/flash_bits.h"
#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

void ReadColor(flash_istream& in, FlashRGBA& c) {
    c.hasAlpha = 1;
    c.Read(in);
}

void WriteColor(flash_ostream& out, FlashRGBA& c) {
    c.hasAlpha = 1;
    c.Write(out);
}

}  // namespace

void FlashMorphFillStyleSolid::Write(flash_ostream& out) {
    out.PutByte(0x00);
    WriteColor(out, startColor);
    WriteColor(out, endColor);
}

void FlashMorphFillStyleSolid::Read(flash_istream& in) {
    ReadU8(in);
    ReadColor(in, startColor);
    ReadColor(in, endColor);
}

void FlashMorphFillStyleGradient::Write(flash_ostream& out) {
    out.PutByte(type_);
    startMatrix.Write(out);
    endMatrix.Write(out);
    size_t n = gradient.size() < 255 ? gradient.size() : 255;
    out.PutByte(static_cast<uint8_t>(n));
    for (size_t i = 0; i < n; ++i) {
        auto& e = gradient[i];
        out.PutByte(e.startRatio);
        WriteColor(out, e.startColor);
        out.PutByte(e.endRatio);
        WriteColor(out, e.endColor);
    }
}

void FlashMorphFillStyleGradient::Read(flash_istream& in) {
    ReadU8(in);
    startMatrix.Read(in);
    endMatrix.Read(in);
    gradient.clear();
    int n = ReadU8(in);
    for (int i = 0; i < n && in.good(); ++i) {
        FlashMorphGradientEntry e;
        e.startRatio = ReadU8(in);
        ReadColor(in, e.startColor);
        e.endRatio = ReadU8(in);
        ReadColor(in, e.endColor);
        gradient.push_back(e);
    }
}

void FlashMorphFillStyleBitmap::Write(flash_ostream& out) {
    out.RequireCharacter(bitmapId);
    out.PutByte(static_cast<uint8_t>(0x40 | (repeating ? 0 : 1) | (smoothed ? 0 : 2)));
    WriteU16(out, bitmapId);
    startMatrix.Write(out);
    endMatrix.Write(out);
}

void FlashMorphFillStyleBitmap::Read(flash_istream& in) {
    uint8_t type = ReadU8(in);
    repeating = (type & 1) ? 0 : 1;
    smoothed = (type & 2) ? 0 : 1;
    bitmapId = ReadU16(in);
    startMatrix.Read(in);
    endMatrix.Read(in);
}

FlashMorphFillStyles::FlashMorphFillStyles(const FlashMorphFillStyles& o) {
    for (const auto& s : o.styles) styles.push_back(s ? s->Clone() : nullptr);
}

FlashMorphFillStyles& FlashMorphFillStyles::operator=(const FlashMorphFillStyles& o) {
    if (this != &o) {
        styles.clear();
        for (const auto& s : o.styles) styles.push_back(s ? s->Clone() : nullptr);
    }
    return *this;
}

void FlashTagDefineMorphShape::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteU16(body, characterId);
    FlashRect start, end;
    startEdges.ComputeBounds(start);
    endEdges.ComputeBounds(end);
    start.Write(body);
    end.Write(body);

    flash_ostrstream head(out);
    WriteStyleCount(head, fillStyles.styles.size(), true);
    for (auto& s : fillStyles.styles)
        if (s) s->Write(head);
    WriteStyleCount(head, lineStyles.size(), true);
    for (auto& l : lineStyles) {
        WriteU16(head, l.startWidth);
        WriteU16(head, l.endWidth);
        WriteColor(head, l.startColor);
        WriteColor(head, l.endColor);
    }
    auto fillBits = static_cast<uint16_t>(BitsNeeded(static_cast<uint32_t>(fillStyles.styles.size())));
    auto lineBits = static_cast<uint16_t>(BitsNeeded(static_cast<uint32_t>(lineStyles.size())));
    startEdges.Write(head, fillBits, lineBits);

    WriteU32(body, static_cast<uint32_t>(head.size()));
    WriteBytes(body, head.bytes());
    endEdges.Write(body, fillBits, lineBits);
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagDefineMorphShape::Read(flash_istream& in) {
    characterId = ReadU16(in);
    startBounds.Read(in);
    endBounds.Read(in);
    uint32_t offset = ReadU32(in);
    uint64_t endEdgesAt = in.tellg() + offset;

    fillStyles.styles.clear();
    uint32_t n = ReadStyleCount(in, true);
    for (uint32_t i = 0; i < n && in.good(); ++i) {
        int type = in.get();
        if (type < 0) break;
        in.unget();
        std::unique_ptr<FlashMorphFillStyle> style;
        switch (type) {
            case 0x00: style = std::make_unique<FlashMorphFillStyleSolid>(FlashRGBA(0, 0, 0, 255, 1), FlashRGBA(0, 0, 0, 255, 1)); break;
            case 0x10: style = std::make_unique<FlashMorphFillStyleLinear>(); break;
            case 0x12: style = std::make_unique<FlashMorphFillStyleRadial>(); break;
            case 0x40:
            case 0x41:
            case 0x42:
            case 0x43: style = std::make_unique<FlashMorphFillStyleBitmap>(); break;
            default: in.get(); continue;
        }
        style->Read(in);
        fillStyles.styles.push_back(std::move(style));
    }
    lineStyles.clear();
    n = ReadStyleCount(in, true);
    for (uint32_t i = 0; i < n && in.good(); ++i) {
        FlashMorphLineStyle l;
        l.startWidth = ReadU16(in);
        l.endWidth = ReadU16(in);
        ReadColor(in, l.startColor);
        ReadColor(in, l.endColor);
        if (in.fail()) break;
        lineStyles.push_back(l);
    }
    startEdges = FlashShape();
    startEdges.Read(in);
    if (in.tellg() != endEdgesAt) {
        std::cerr << "Error MorphShape Bad offset" << std::endl;
    }
    endEdges = FlashShape();
    endEdges.Read(in);
}

void FlashTagDefineMorphShape::Accept(FVisitor& visitor) { visitor.VisitDefineMorphShape(*this); }

uint16_t FlashTagDefineMorphShape::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& s : fillStyles.styles)
        if (s) s->ReplaceID(oldId, newId);
    return FlashIDEnabled::ReplaceID(oldId, newId);
}
