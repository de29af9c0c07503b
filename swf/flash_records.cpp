// The small SWF records: colours, fixed-point numbers, rectangles, matrices and colour transforms.
#include "swf/flash_records.h"

#include <algorithm>
#include <cmath>

#include "swf/flash_bits.h"

namespace {

// Bit counts are stored in 5-bit (or 4-bit) fields; a value too wide for them is cut to the field.
int ClampBits(int n, int max_bits) { return n > max_bits ? max_bits : n; }

int32_t ReadSigned(flash_bit_reader& bits, int n) {
    return static_cast<int32_t>(SignExtend32(bits.ReadRaw(n), n));
}

}  // namespace

void FlashRGBA::Read(flash_istream& in) {
    r = ReadU8(in);
    g = ReadU8(in);
    b = ReadU8(in);
    if (hasAlpha) a = ReadU8(in);
}

void FlashRGBA::Write(flash_ostream& out) const {
    auto put = [&out](int16_t c) { out.PutByte(c >= 255 ? 255 : static_cast<uint8_t>(c)); };
    put(r);
    put(g);
    put(b);
    if (hasAlpha) put(a);
}

FlashFixed::FlashFixed(double x) {
    double fl = std::floor(x);
    integer = static_cast<int16_t>(fl);
    fraction = static_cast<uint16_t>(std::trunc((x - fl) * 65536.0));
}

void FlashRect::Read(flash_istream& in) {
    flash_bit_reader bits(in);
    int n = static_cast<int>(bits.ReadRaw(5));
    xmin = ReadSigned(bits, n);
    xmax = ReadSigned(bits, n);
    ymin = ReadSigned(bits, n);
    ymax = ReadSigned(bits, n);
    bits.EndRecord();
}

int FlashRect::FieldBits() const {
    int n = std::max({SignedFieldBits(xmin), SignedFieldBits(xmax), SignedFieldBits(ymin), SignedFieldBits(ymax)});
    return ClampBits(n, 31);
}

void FlashRect::Write(flash_ostream& out) const {
    flash_bit_buffer bits(out);
    int n = FieldBits();
    bits.WriteBits(static_cast<uint32_t>(n), 5);
    bits.WriteBits(static_cast<uint32_t>(xmin), n);
    bits.WriteBits(static_cast<uint32_t>(xmax), n);
    bits.WriteBits(static_cast<uint32_t>(ymin), n);
    bits.WriteBits(static_cast<uint32_t>(ymax), n);
    bits.Flush();
}

FlashMatrix::FlashMatrix() : xScale(FlashFixed::FromRaw(0x10000)), yScale(FlashFixed::FromRaw(0x10000)) {}

void FlashMatrix::Read(flash_istream& in) {
    flash_bit_reader bits(in);
    hasScale = static_cast<uint8_t>(bits.ReadRaw(1));
    if (hasScale) {
        int n = static_cast<int>(bits.ReadRaw(5));
        xScale = FlashFixed::FromRaw(ReadSigned(bits, n));
        yScale = FlashFixed::FromRaw(ReadSigned(bits, n));
    }
    hasRotate = static_cast<uint8_t>(bits.ReadRaw(1));
    if (hasRotate) {
        int n = static_cast<int>(bits.ReadRaw(5));
        rotateSkew0 = FlashFixed::FromRaw(ReadSigned(bits, n));
        rotateSkew1 = FlashFixed::FromRaw(ReadSigned(bits, n));
    }
    int n = static_cast<int>(bits.ReadRaw(5));
    translateX = ReadSigned(bits, n);
    translateY = ReadSigned(bits, n);
    bits.EndRecord();
}

void FlashMatrix::Write(flash_ostream& out) const {
    flash_bit_buffer bits(out);
    bits.WriteBits(hasScale ? 1 : 0, 1);
    if (hasScale) {
        int n = ClampBits(std::max(SignedFieldBits(yScale.Raw()), SignedFieldBits(xScale.Raw())), 31);
        bits.WriteBits(static_cast<uint32_t>(n), 5);
        bits.WriteBits(static_cast<uint32_t>(xScale.Raw()), n);
        bits.WriteBits(static_cast<uint32_t>(yScale.Raw()), n);
    }
    bits.WriteBits(hasRotate ? 1 : 0, 1);
    if (hasRotate) {
        int n = ClampBits(std::max(SignedFieldBits(rotateSkew0.Raw()), SignedFieldBits(rotateSkew1.Raw())), 31);
        bits.WriteBits(static_cast<uint32_t>(n), 5);
        bits.WriteBits(static_cast<uint32_t>(rotateSkew0.Raw()), n);
        bits.WriteBits(static_cast<uint32_t>(rotateSkew1.Raw()), n);
    }
    int n = ClampBits(std::max(SignedFieldBits(translateX), SignedFieldBits(translateY)), 31);
    bits.WriteBits(static_cast<uint32_t>(n), 5);
    bits.WriteBits(static_cast<uint32_t>(translateX), n);
    bits.WriteBits(static_cast<uint32_t>(translateY), n);
    bits.Flush();
}

bool FlashMatrix::operator==(const FlashMatrix& o) const {
    return translateX == o.translateX && translateY == o.translateY && hasScale == o.hasScale &&
           hasRotate == o.hasRotate && xScale == o.xScale && yScale == o.yScale && rotateSkew0 == o.rotateSkew0 &&
           rotateSkew1 == o.rotateSkew1;
}

namespace {

void ReadTerms(flash_bit_reader& bits, FlashRGBA& c, int n) {
    c.r = static_cast<int16_t>(SignExtend16(static_cast<uint16_t>(bits.ReadRaw(n)), n));
    c.g = static_cast<int16_t>(SignExtend16(static_cast<uint16_t>(bits.ReadRaw(n)), n));
    c.b = static_cast<int16_t>(SignExtend16(static_cast<uint16_t>(bits.ReadRaw(n)), n));
    if (c.hasAlpha) c.a = static_cast<int16_t>(SignExtend16(static_cast<uint16_t>(bits.ReadRaw(n)), n));
}

void WriteTerms(flash_bit_buffer& bits, const FlashRGBA& c, int n) {
    bits.WriteBits(static_cast<uint16_t>(c.r), n);
    bits.WriteBits(static_cast<uint16_t>(c.g), n);
    bits.WriteBits(static_cast<uint16_t>(c.b), n);
    if (c.hasAlpha) bits.WriteBits(static_cast<uint16_t>(c.a), n);
}

int TermBits(const FlashRGBA& c) {
    int n = std::max({SignedFieldBits(c.r), SignedFieldBits(c.g), SignedFieldBits(c.b)});
    if (c.hasAlpha) n = std::max(n, SignedFieldBits(c.a));
    return n;
}

}  // namespace

void FlashColorTransform::Read(flash_istream& in) {
    add.hasAlpha = mult.hasAlpha = version > 1 ? 1 : 0;
    flash_bit_reader bits(in);
    hasAdd = static_cast<uint8_t>(bits.ReadRaw(1));
    hasMult = static_cast<uint8_t>(bits.ReadRaw(1));
    int n = static_cast<int>(bits.ReadRaw(4));
    if (hasMult) ReadTerms(bits, mult, n);
    if (hasAdd) ReadTerms(bits, add, n);
    bits.EndRecord();
}

void FlashColorTransform::Write(flash_ostream& out) {
    add.hasAlpha = mult.hasAlpha = version > 1 ? 1 : 0;
    flash_bit_buffer bits(out);
    bits.WriteBits(hasAdd ? 1 : 0, 1);
    bits.WriteBits(hasMult ? 1 : 0, 1);
    int n = ClampBits(std::max(TermBits(add), TermBits(mult)), 15);
    bits.WriteBits(static_cast<uint32_t>(n), 4);
    if (hasMult) WriteTerms(bits, mult, n);
    if (hasAdd) WriteTerms(bits, add, n);
    bits.Flush();
}
