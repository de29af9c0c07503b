// Little-endian readers over a byte image and writers to a file: the model files, feature chunks,
// lexicon blocks and WAVE headers are read and written only through these, never by casting buffers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

// Every reader takes the cursor (advanced), the bytes remaining (decreased) and a success flag that
// each call overwrites. When fewer bytes remain than the value needs, the flag is cleared, 0 is
// returned and nothing advances.

inline bool TakeBytes(const unsigned char** cursor, unsigned* remaining, bool* ok, void* out,
                      unsigned n) {
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || *remaining < n) {
        if (ok) *ok = false;
        return false;
    }
    std::memcpy(out, *cursor, n);
    *cursor += n;
    *remaining -= n;
    if (ok) *ok = true;
    return true;
}

inline uint16_t LoadLE16(const unsigned char* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }

inline uint32_t LoadLE32(const unsigned char* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline int32_t ReadInt32(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    unsigned char b[4];
    if (!TakeBytes(cursor, remaining, ok, b, 4)) return 0;
    return static_cast<int32_t>(LoadLE32(b));
}

inline uint16_t ReadInt16(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    unsigned char b[2];
    if (!TakeBytes(cursor, remaining, ok, b, 2)) return 0;
    return LoadLE16(b);
}

inline uint8_t ReadByte(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    unsigned char b = 0;
    if (!TakeBytes(cursor, remaining, ok, &b, 1)) return 0;
    return b;
}

inline float ReadFloat(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    unsigned char b[4];
    if (!TakeBytes(cursor, remaining, ok, b, 4)) return 0.0f;
    uint32_t bits = LoadLE32(b);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

inline double ReadDouble(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    unsigned char b[8];
    if (!TakeBytes(cursor, remaining, ok, b, 8)) return 0.0;
    uint64_t bits = uint64_t(LoadLE32(b)) | uint64_t(LoadLE32(b + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

// The zero-terminated string at the cursor; the cursor moves past its terminator. With nothing
// remaining, or no terminator before the data ends, the flag is cleared and null returned.
inline const char* ReadString(const unsigned char** cursor, unsigned* remaining, bool* ok) {
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || *remaining == 0) {
        if (ok) *ok = false;
        return nullptr;
    }
    const void* end = std::memchr(*cursor, 0, *remaining);
    if (end == nullptr) {
        if (ok) *ok = false;
        return nullptr;
    }
    const char* s = reinterpret_cast<const char*>(*cursor);
    unsigned n = static_cast<unsigned>(static_cast<const unsigned char*>(end) - *cursor) + 1;
    *cursor += n;
    *remaining -= n;
    if (ok) *ok = true;
    return s;
}

// Writers: true when every byte reached the file.
inline bool WriteBytes(FILE* f, const void* data, size_t n) {
    return f != nullptr && std::fwrite(data, 1, n, f) == n;
}

inline bool WriteInt32(FILE* f, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    unsigned char b[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    return WriteBytes(f, b, 4);
}

inline bool WriteInt16(FILE* f, uint16_t v) {
    unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
    return WriteBytes(f, b, 2);
}

inline bool WriteFloat(FILE* f, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return WriteInt32(f, static_cast<int32_t>(bits));
}

inline bool WriteDouble(FILE* f, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return WriteInt32(f, static_cast<int32_t>(uint32_t(bits))) &&
           WriteInt32(f, static_cast<int32_t>(uint32_t(bits >> 32)));
}

// Writes the string with its terminator.
inline bool WriteString(FILE* f, const char* s) {
    return WriteBytes(f, s, std::strlen(s) + 1);
}
