// Fill and line styles, shape records, shapes and the DefineShape tags.
#include "swf/flash_shape.h"

#include <algorithm>
#include <iostream>

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

FlashRGBA WithAlpha(FlashRGBA c, bool alpha) {
    c.hasAlpha = alpha ? 1 : 0;
    return c;
}

int32_t ReadSignedBits(flash_bit_reader& bits, int n) { return static_cast<int32_t>(SignExtend32(bits.ReadRaw(n), n)); }

// Edge fields are NumBits + 2 wide with NumBits in 4 bits: at most 17 bits.
int EdgeWidth(std::initializer_list<int32_t> values) {
    int w = 0;
    for (int32_t v : values) w = std::max(w, SignedFieldBits(v));
    w -= 2;
    return std::clamp(w, 1, 15);
}

void PadToByte(flash_bit_buffer& bits) {
    int rest = bits.bit_count() % 8;
    if (rest) bits.WriteBits(0, 8 - rest);
}

}  // namespace

// ---- Fill styles ----

void FlashFillStyleSolid::Write(flash_ostream& out) {
    out.PutByte(0x00);
    WithAlpha(color, version > 2).Write(out);
}

void FlashFillStyleSolid::Read(flash_istream& in) {
    ReadU8(in);
    color.hasAlpha = version > 2 ? 1 : 0;
    color.Read(in);
}

void FlashGradientRecord::Write(flash_ostream& out) const {
    size_t n = std::min<size_t>(ratios.size(), 255);
    out.PutByte(static_cast<uint8_t>(n));
    for (size_t i = 0; i < n; ++i) {
        out.PutByte(ratios[i]);
        WithAlpha(i < colors.size() ? colors[i] : FlashRGBA(), version > 2).Write(out);
    }
}

void FlashGradientRecord::Read(flash_istream& in) {
    ratios.clear();
    colors.clear();
    int n = ReadU8(in);
    for (int i = 0; i < n && in.good(); ++i) {
        ratios.push_back(ReadU8(in));
        FlashRGBA c;
        c.hasAlpha = version > 2 ? 1 : 0;
        c.Read(in);
        colors.push_back(c);
    }
}

void FlashFillStyleGradient::Write(flash_ostream& out) {
    out.PutByte(type);
    matrix.Write(out);
    gradient.SetVersion(version);
    gradient.Write(out);
}

void FlashFillStyleGradient::Read(flash_istream& in) {
    type = ReadU8(in);
    matrix.Read(in);
    gradient.SetVersion(version);
    gradient.Read(in);
}

void FlashFillStyleBitmap::Write(flash_ostream& out) {
    out.RequireCharacter(bitmapId);
    out.PutByte(static_cast<uint8_t>(0x40 | (repeating ? 0 : 1) | (smoothed ? 0 : 2)));
    WriteU16(out, bitmapId);
    matrix.Write(out);
}

void FlashFillStyleBitmap::Read(flash_istream& in) {
    uint8_t type = ReadU8(in);
    repeating = (type & 1) ? 0 : 1;
    smoothed = (type & 2) ? 0 : 1;
    bitmapId = ReadU16(in);
    matrix.Read(in);
}

size_t WriteStyleCount(flash_ostream& out, size_t count, bool extended) {
    if (!extended) {
        count = std::min<size_t>(count, 255);
        out.PutByte(static_cast<uint8_t>(count));
        return count;
    }
    count = std::min<size_t>(count, 0xFFFF);
    if (count < 255) {
        out.PutByte(static_cast<uint8_t>(count));
    } else {
        out.PutByte(0xFF);
        WriteU16(out, static_cast<uint16_t>(count));
    }
    return count;
}

uint32_t ReadStyleCount(flash_istream& in, bool extended) {
    uint32_t n = ReadU8(in);
    if (n == 0xFF && extended) n = ReadU16(in);
    return n;
}

FlashFillStyleArray::FlashFillStyleArray(const FlashFillStyleArray& o) : FlashVersionEnabled(o) {
    for (const auto& s : o.styles) styles.push_back(s ? s->Clone() : nullptr);
}

FlashFillStyleArray& FlashFillStyleArray::operator=(const FlashFillStyleArray& o) {
    if (this != &o) {
        FlashVersionEnabled::operator=(o);
        styles.clear();
        for (const auto& s : o.styles) styles.push_back(s ? s->Clone() : nullptr);
    }
    return *this;
}

void FlashFillStyleArray::Write(flash_ostream& out) {
    // A null slot is written as a plain black fill: the count must match what follows.
    size_t n = WriteStyleCount(out, styles.size(), version > 1);
    if (n < styles.size()) std::cerr << "FlashFillStyleArray: " << styles.size() - n << " styles beyond the version's limit are left out\n";
    for (size_t i = 0; i < n; ++i) {
        if (!styles[i]) {
            FlashFillStyleSolid black(FlashRGBA(0, 0, 0, 255, 0));
            black.SetVersion(version);
            black.Write(out);
            continue;
        }
        styles[i]->SetVersion(version);
        styles[i]->Write(out);
    }
}

void FlashFillStyleArray::Read(flash_istream& in) {
    styles.clear();
    uint32_t n = ReadStyleCount(in, version > 1);
    for (uint32_t i = 0; i < n && in.good(); ++i) {
        int type = in.get();
        if (type < 0) break;
        in.unget();
        std::unique_ptr<FlashFillStyle> style;
        switch (type) {
            case 0x00: style = std::make_unique<FlashFillStyleSolid>(FlashRGBA(0, 0, 0, 255, 0)); break;
            case 0x10:
            case 0x12: style = std::make_unique<FlashFillStyleGradient>(static_cast<uint8_t>(type)); break;
            case 0x40:
            case 0x41:
            case 0x42:
            case 0x43: style = std::make_unique<FlashFillStyleBitmap>(); break;
            default:
                std::cerr << "FlashFillStyleArray: Invalid type " << type << '\n';
                in.get();
                continue;
        }
        style->SetVersion(version);
        style->Read(in);
        styles.push_back(std::move(style));
    }
}

void FlashFillStyleArray::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& s : styles)
        if (s) s->ReplaceID(oldId, newId);
}

void FlashLineStyle::Write(flash_ostream& out) const {
    WriteU16(out, width);
    WithAlpha(color, version > 2).Write(out);
}

void FlashLineStyle::Read(flash_istream& in) {
    width = ReadU16(in);
    color.hasAlpha = version > 2 ? 1 : 0;
    color.Read(in);
}

void FlashLineStyleArray::Write(flash_ostream& out) {
    size_t n = WriteStyleCount(out, styles.size(), version > 1);
    if (n < styles.size()) std::cerr << "FlashLineStyleArray: " << styles.size() - n << " styles beyond the version's limit are left out\n";
    for (size_t i = 0; i < n; ++i) {
        styles[i].SetVersion(version);
        styles[i].Write(out);
    }
}

void FlashLineStyleArray::Read(flash_istream& in) {
    styles.clear();
    uint32_t n = ReadStyleCount(in, version > 1);
    for (uint32_t i = 0; i < n && in.good(); ++i) {
        FlashLineStyle s;
        s.SetVersion(version);
        s.color = FlashRGBA(0, 0, 0, 255, 0);
        s.Read(in);
        if (in.fail()) break;
        styles.push_back(s);
    }
}

// ---- Shape records ----

void FlashShapeRecordChange::Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) {
    bits.WriteBits(0, 1);
    bits.WriteBits(stateNewStyles ? 1 : 0, 1);
    bits.WriteBits(stateLineStyle ? 1 : 0, 1);
    bits.WriteBits(stateFillStyle1 ? 1 : 0, 1);
    bits.WriteBits(stateFillStyle0 ? 1 : 0, 1);
    bits.WriteBits(stateMoveTo ? 1 : 0, 1);
    if (stateMoveTo) {
        int n = std::min(std::max(SignedFieldBits(moveDeltaY), SignedFieldBits(moveDeltaX)), 31);
        bits.WriteBits(static_cast<uint32_t>(n), 5);
        bits.WriteBits(static_cast<uint32_t>(moveDeltaX), n);
        bits.WriteBits(static_cast<uint32_t>(moveDeltaY), n);
    }
    if (stateFillStyle0) bits.WriteBits(fillStyle0, context.fillBits);
    if (stateFillStyle1) bits.WriteBits(fillStyle1, context.fillBits);
    if (stateLineStyle) bits.WriteBits(lineStyle, context.lineBits);
    if (stateNewStyles) {
        PadToByte(bits);
        flash_ostream scratch;
        flash_ostrstream styles_out(context.out ? *context.out : scratch);
        fillStyles.SetVersion(version);
        lineStyles.SetVersion(version);
        fillStyles.Write(styles_out);
        lineStyles.Write(styles_out);
        for (uint8_t b : styles_out.bytes()) bits.WriteBits(b, 8);
        int nf = std::min(BitsNeeded(static_cast<uint32_t>(fillStyles.styles.size())), 15);
        int nl = std::min(BitsNeeded(static_cast<uint32_t>(lineStyles.styles.size())), 15);
        bits.WriteBits(static_cast<uint32_t>(nf), 4);
        bits.WriteBits(static_cast<uint32_t>(nl), 4);
        context.fillBits = nf;
        context.lineBits = nl;
    }
}

void FlashShapeRecordChange::Read(flash_bit_reader& bits, FlashShapeRecordContext& context) {
    if (stateMoveTo) {
        int n = static_cast<int>(bits.ReadRaw(5));
        moveDeltaX = ReadSignedBits(bits, n);
        moveDeltaY = ReadSignedBits(bits, n);
    }
    if (stateFillStyle0) fillStyle0 = static_cast<uint16_t>(bits.ReadRaw(context.fillBits));
    if (stateFillStyle1) fillStyle1 = static_cast<uint16_t>(bits.ReadRaw(context.fillBits));
    if (stateLineStyle) lineStyle = static_cast<uint16_t>(bits.ReadRaw(context.lineBits));
    if (stateNewStyles && context.in) {
        bits.EndRecord();
        fillStyles.SetVersion(version);
        lineStyles.SetVersion(version);
        fillStyles.Read(*context.in);
        lineStyles.Read(*context.in);
        context.fillBits = static_cast<int32_t>(bits.ReadRaw(4));
        context.lineBits = static_cast<int32_t>(bits.ReadRaw(4));
    }
}

void FlashShapeRecordStraight::Write(flash_bit_buffer& bits, FlashShapeRecordContext&) {
    int w = EdgeWidth({deltaX, deltaY});
    bits.WriteBits(1, 1);
    bits.WriteBits(1, 1);
    bits.WriteBits(static_cast<uint32_t>(w), 4);
    if (deltaX != 0 && deltaY != 0) {
        bits.WriteBits(1, 1);
        bits.WriteBits(static_cast<uint32_t>(deltaX), w + 2);
        bits.WriteBits(static_cast<uint32_t>(deltaY), w + 2);
    } else if (deltaX != 0) {
        bits.WriteBits(0, 2);
        bits.WriteBits(static_cast<uint32_t>(deltaX), w + 2);
    } else {
        bits.WriteBits(1, 2);  // general 0, vertical 1
        bits.WriteBits(static_cast<uint32_t>(deltaY), w + 2);
    }
}

void FlashShapeRecordStraight::Read(flash_bit_reader& bits, FlashShapeRecordContext&) {
    int n = static_cast<int>(bits.ReadRaw(4)) + 2;
    if (bits.ReadRaw(1)) {
        deltaX = ReadSignedBits(bits, n);
        deltaY = ReadSignedBits(bits, n);
    } else if (bits.ReadRaw(1)) {
        deltaX = 0;
        deltaY = ReadSignedBits(bits, n);
    } else {
        deltaX = ReadSignedBits(bits, n);
        deltaY = 0;
    }
}

void FlashShapeRecordCurved::Write(flash_bit_buffer& bits, FlashShapeRecordContext&) {
    int w = EdgeWidth({anchorDeltaX, anchorDeltaY, controlDeltaX, controlDeltaY});
    bits.WriteBits(1, 1);
    bits.WriteBits(0, 1);
    bits.WriteBits(static_cast<uint32_t>(w), 4);
    for (int32_t v : {controlDeltaX, controlDeltaY, anchorDeltaX, anchorDeltaY})
        bits.WriteBits(static_cast<uint32_t>(v), w + 2);
}

void FlashShapeRecordCurved::Read(flash_bit_reader& bits, FlashShapeRecordContext&) {
    int n = static_cast<int>(bits.ReadRaw(4)) + 2;
    controlDeltaX = ReadSignedBits(bits, n);
    controlDeltaY = ReadSignedBits(bits, n);
    anchorDeltaX = ReadSignedBits(bits, n);
    anchorDeltaY = ReadSignedBits(bits, n);
}

void FlashShapeRecordEnd::Write(flash_bit_buffer& bits, FlashShapeRecordContext&) { bits.WriteBits(0, 6); }

// ---- Shapes ----

void FlashShape::AddRecord(const FlashShapeRecordChange& r) {
    recordOrder.emplace_back(kShapeRecordChange, static_cast<int32_t>(changeRecords.size()));
    changeRecords.push_back(r);
}

void FlashShape::AddRecord(const FlashShapeRecordStraight& r) {
    recordOrder.emplace_back(kShapeRecordStraight, static_cast<int32_t>(straightRecords.size()));
    straightRecords.push_back(r);
}

void FlashShape::AddRecord(const FlashShapeRecordCurved& r) {
    recordOrder.emplace_back(kShapeRecordCurved, static_cast<int32_t>(curvedRecords.size()));
    curvedRecords.push_back(r);
}

void FlashShape::WriteRecords(flash_bit_buffer& bits, FlashShapeRecordContext& context, const int* version) {
    for (const auto& [kind, index] : recordOrder) {
        FlashShapeRecord* r = nullptr;
        size_t i = static_cast<size_t>(index);
        if (kind == kShapeRecordChange && i < changeRecords.size()) r = &changeRecords[i];
        if (kind == kShapeRecordStraight && i < straightRecords.size()) r = &straightRecords[i];
        if (kind == kShapeRecordCurved && i < curvedRecords.size()) r = &curvedRecords[i];
        if (!r) continue;
        if (version) r->SetVersion(*version);
        r->Write(bits, context);
    }
    FlashShapeRecordEnd().Write(bits, context);
}

void FlashShape::ReadRecords(flash_bit_reader& bits, FlashShapeRecordContext& context, const int* version) {
    // Every record takes at least six bits, so a shape ends by the end of the data at the latest:
    // missing bytes read as 0, which is the end record.
    for (;;) {
        if (bits.ReadRaw(1) == 0) {
            uint32_t flags = bits.ReadRaw(5);
            if (flags == 0) break;
            FlashShapeRecordChange r;
            r.SetVersion(version ? *version : 1);
            r.stateNewStyles = (flags >> 4) & 1;
            r.stateLineStyle = (flags >> 3) & 1;
            r.stateFillStyle1 = (flags >> 2) & 1;
            r.stateFillStyle0 = (flags >> 1) & 1;
            r.stateMoveTo = flags & 1;
            r.Read(bits, context);
            AddRecord(r);
        } else if (bits.ReadRaw(1)) {
            FlashShapeRecordStraight r;
            r.SetVersion(version ? *version : 1);
            r.Read(bits, context);
            AddRecord(r);
        } else {
            FlashShapeRecordCurved r;
            r.SetVersion(version ? *version : 1);
            r.Read(bits, context);
            AddRecord(r);
        }
        if (context.in && context.in->fail()) break;
    }
    bits.EndRecord();
}

void FlashShape::Write(flash_ostream& out, uint16_t fillBits, uint16_t lineBits) {
    numFillBits = std::clamp<uint16_t>(fillBits, 1, 15);
    numLineBits = std::clamp<uint16_t>(lineBits, 1, 15);
    flash_bit_buffer bits(out);
    bits.WriteBits(numFillBits, 4);
    bits.WriteBits(numLineBits, 4);
    FlashShapeRecordContext context{numFillBits, numLineBits, nullptr, &out};
    WriteRecords(bits, context, nullptr);
    bits.Flush();
}

void FlashShape::Read(flash_istream& in) {
    flash_bit_reader bits(in);
    FlashShapeRecordContext context;
    context.in = &in;
    context.fillBits = static_cast<int32_t>(bits.ReadRaw(4));
    context.lineBits = static_cast<int32_t>(bits.ReadRaw(4));
    ReadRecords(bits, context, nullptr);
}

bool FlashShape::ComputeBounds(FlashRect& bounds) const {
    bounds = FlashRect();
    bool any = false;
    int64_t x = 0, y = 0;
    auto collect = [&](int64_t px, int64_t py) {
        auto x32 = static_cast<int32_t>(px), y32 = static_cast<int32_t>(py);
        if (!any) {
            bounds = FlashRect(x32, y32, x32, y32);
            any = true;
            return;
        }
        bounds.xmin = std::min(bounds.xmin, x32);
        bounds.ymin = std::min(bounds.ymin, y32);
        bounds.xmax = std::max(bounds.xmax, x32);
        bounds.ymax = std::max(bounds.ymax, y32);
    };
    for (const auto& [kind, index] : recordOrder) {
        size_t i = static_cast<size_t>(index);
        if (kind == kShapeRecordChange && i < changeRecords.size()) {
            const auto& r = changeRecords[i];
            if (r.stateMoveTo) {
                x = r.moveDeltaX;
                y = r.moveDeltaY;
            }
        } else if (kind == kShapeRecordStraight && i < straightRecords.size()) {
            const auto& r = straightRecords[i];
            collect(x, y);
            x += r.deltaX;
            y += r.deltaY;
            collect(x, y);
        } else if (kind == kShapeRecordCurved && i < curvedRecords.size()) {
            const auto& r = curvedRecords[i];
            collect(x, y);
            x += r.controlDeltaX;
            y += r.controlDeltaY;
            collect(x, y);
            x += r.anchorDeltaX;
            y += r.anchorDeltaY;
            collect(x, y);
        }
    }
    return any;
}

void FlashShapeWithStyle::Write(flash_ostream& out) {
    fillStyles.SetVersion(version);
    lineStyles.SetVersion(version);
    fillStyles.Write(out);
    lineStyles.Write(out);
    int nf = std::min(BitsNeeded(static_cast<uint32_t>(fillStyles.styles.size())), 15);
    int nl = std::min(BitsNeeded(static_cast<uint32_t>(lineStyles.styles.size())), 15);
    flash_bit_buffer bits(out);
    bits.WriteBits(static_cast<uint32_t>(nf), 4);
    bits.WriteBits(static_cast<uint32_t>(nl), 4);
    FlashShapeRecordContext context{nf, nl, nullptr, &out};
    int v = version;
    WriteRecords(bits, context, &v);
    bits.Flush();
}

void FlashShapeWithStyle::Read(flash_istream& in) {
    fillStyles.SetVersion(version);
    lineStyles.SetVersion(version);
    fillStyles.Read(in);
    lineStyles.Read(in);
    flash_bit_reader bits(in);
    FlashShapeRecordContext context;
    context.in = &in;
    context.fillBits = static_cast<int32_t>(bits.ReadRaw(4));
    context.lineBits = static_cast<int32_t>(bits.ReadRaw(4));
    int v = version;
    ReadRecords(bits, context, &v);
}

// ---- DefineShape tags ----

void FlashTagDefineShapeBase::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteU16(body, characterId);
    bounds.Write(body);
    shape.SetVersion(shapeVersion);
    shape.Write(body);
    WriteTagHeader(out, tagCode, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagDefineShapeBase::Read(flash_istream& in) {
    characterId = ReadU16(in);
    bounds.Read(in);
    shape.SetVersion(shapeVersion);
    shape.Read(in);
}

uint16_t FlashTagDefineShapeBase::ReplaceID(uint16_t oldId, uint16_t newId) {
    uint16_t before = FlashIDEnabled::ReplaceID(oldId, newId);
    shape.fillStyles.ReplaceID(oldId, newId);
    for (auto& r : shape.changeRecords) r.fillStyles.ReplaceID(oldId, newId);
    return before;
}

void FlashTagDefineShape1::Accept(FVisitor& visitor) { visitor.VisitDefineShape1(*this); }
void FlashTagDefineShape2::Accept(FVisitor& visitor) { visitor.VisitDefineShape2(*this); }
void FlashTagDefineShape3::Accept(FVisitor& visitor) { visitor.VisitDefineShape3(*this); }
