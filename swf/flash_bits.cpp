// Bit-level reading and writing for the bit-packed SWF records.
#include "swf/flash_bits.h"

uint32_t flash_bit_reader::ReadChunk(int n) {
    uint32_t value = 0;
    int need = n;
    int start = offset_;
    bool last_read = false;
    while (need > 0) {
        int c = in_.get();
        last_read = c >= 0;
        uint32_t byte = last_read ? static_cast<uint32_t>(c) : 0;
        int avail = 8 - start;
        int take = need < avail ? need : avail;
        value = (value << take) | ExtractBits(byte, avail - take, avail);
        need -= take;
        start = 0;
    }
    offset_ = (offset_ + n) % 8;
    // The partly used byte goes back so the next field of the record starts with it.
    if (offset_ != 0 && last_read) in_.unget();
    return value;
}

uint32_t flash_bit_reader::ReadRaw(int n) {
    if (n <= 0) return 0;
    while (n > 32) {  // wider than any field: the high bits are dropped
        int skip = n - 32 < 32 ? n - 32 : 32;
        ReadChunk(skip);
        n -= skip;
    }
    return ReadChunk(n);
}

void flash_bit_reader::EndRecord() {
    if (offset_ != 0) {
        in_.get();
        offset_ = 0;
    }
}

void flash_bit_buffer::WriteBits(uint32_t value, int n) {
    if (n > 32) n = 32;
    // Byte by byte: the part of value that fits in the current byte goes below the bits already there.
    while (n > 0) {
        int used = count_ % 8;
        if (used == 0) bytes_.push_back(0);
        int room = 8 - used;
        int take = n < room ? n : room;
        uint32_t part = ExtractBits(value, n - take, n);
        bytes_.back() = static_cast<uint8_t>(bytes_.back() | (part << (room - take)));
        n -= take;
        count_ += take;
    }
}

void flash_bit_buffer::Flush() { WriteBitBuffer(out_, *this); }

void WriteBitBuffer(flash_ostream& out, const flash_bit_buffer& bits) {
    for (uint8_t b : bits.bytes()) out.PutByte(b);
}

uint16_t SignExtend16(uint16_t raw, int n) {
    return static_cast<uint16_t>(SignExtend32(raw, n));
}

uint32_t SignExtend32(uint32_t raw, int n) {
    if (n <= 0) return 0;
    if (n >= 32) return raw;
    uint32_t mask = (1u << n) - 1;
    raw &= mask;
    if (raw & (1u << (n - 1))) raw |= ~mask;
    return raw;
}
