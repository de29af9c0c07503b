// Bit-level reading and writing for the bit-packed SWF records (RECT, MATRIX, colour transforms and
// the shape records): fields are packed most significant bit first and every record starts and ends
// on a byte boundary.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "swf/flash_stream.h"

// Reads the bit fields of one record. The partly used byte stays in the stream (it is put back after
// each read) until EndRecord drops it.
class flash_bit_reader {
public:
    explicit flash_bit_reader(flash_istream& in) : in_(in) {}

    // Reads the next n bits into dst; a value wider than T keeps its low bits. n = 0 gives 0.
    template <typename T>
    void ReadBits(T& dst, int n) {
        dst = static_cast<T>(ReadRaw(n));
    }
    // The same as a plain unsigned value.
    uint32_t ReadRaw(int n);
    // Ends the record: the rest of a partly used byte is read and dropped.
    void EndRecord();

    int offset() const { return offset_; }

private:
    uint32_t ReadChunk(int n);

    flash_istream& in_;
    int offset_ = 0;  // bits already used of the stream's current byte
};

// Collects the bit fields of one record and writes them out as whole bytes (the last one padded
// with 0 bits).
class flash_bit_buffer {
public:
    explicit flash_bit_buffer(flash_ostream& out) : out_(out) { bytes_.reserve(32); }

    // Appends the low n bits of value, most significant first; n below 1 appends nothing.
    void WriteBits(uint32_t value, int n);
    // Writes the collected bytes to the target stream.
    void Flush();

    int32_t bit_count() const { return count_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    int32_t count_ = 0;
    std::vector<uint8_t> bytes_;
    flash_ostream& out_;
};

// Writes every byte of the buffer with PutByte, in order.
void WriteBitBuffer(flash_ostream& out, const flash_bit_buffer& bits);

// Significant bits of v: 0 for 0, else one more than the index of the highest set bit.
inline int BitsNeeded(uint32_t v) { return static_cast<int>(std::bit_width(v)); }
// 0 for v below 1, else the significant bits of v.
inline int BitsNeededSigned(int32_t v) { return v < 1 ? 0 : BitsNeeded(static_cast<uint32_t>(v)); }
inline int BitsNeeded16(int16_t v) { return v < 1 ? 0 : BitsNeeded(static_cast<uint32_t>(v)); }
// |v| without overflow for the most negative value.
inline uint32_t AbsU32(int32_t v) { return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v); }
// Width of a two's complement field that holds v: the bits of |v| plus the sign bit.
inline int SignedFieldBits(int32_t v) { return BitsNeeded(AbsU32(v)) + 1; }

// Keeps the low n bits of raw and copies bit n-1 into every higher bit.
uint16_t SignExtend16(uint16_t raw, int n);
uint32_t SignExtend32(uint32_t raw, int n);
// Bits lo to hi-1 of v, shifted down to bit 0.
inline uint32_t ExtractBits(uint32_t v, int lo, int hi) {
    if (hi <= lo) return 0;
    int width = hi - lo;
    uint32_t shifted = lo >= 32 ? 0 : v >> lo;
    return width >= 32 ? shifted : shifted & ((1u << width) - 1);
}
