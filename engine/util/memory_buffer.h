// Owned byte blocks read whole from a file or copied from memory, and the zlib-packed block
// ("ZVCP" header) that lexicon files hold; the readers of models and lexicons work over these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/util/file_utils.h"

// One owner, any thread; no lock.
class CMemoryBuffer {
public:
    CMemoryBuffer() = default;
    virtual ~CMemoryBuffer() = default;
    CMemoryBuffer(const CMemoryBuffer&) = delete;
    CMemoryBuffer& operator=(const CMemoryBuffer&) = delete;

    // Reads the whole file. A file that cannot be opened or read, a folder, or one larger than
    // maxBytes leaves the buffer empty (false; error, when given, says why).
    virtual bool LoadFile(const char* path, std::size_t maxBytes, std::string* error = nullptr);
    bool LoadFile(const char* path) { return LoadFile(path, kMaxModelFileBytes); }
    // Copies the bytes into a new owned block; false when memory runs out (buffer left empty).
    virtual bool SetBytes(const void* bytes, unsigned count);

    std::unique_ptr<unsigned char[]> data;
    unsigned size = 0;
};

// The value the packed block starts with: the characters Z, V, C, P read as one little-endian
// 32-bit value, so the file holds them as "PCVZ".
constexpr int32_t kPackedBlockMagic = ('Z' << 24) | ('V' << 16) | ('C' << 8) | 'P';

class CPackedBuffer : public CMemoryBuffer {
public:
    // Inflates the block: int32 magic, int32 unpacked size, then the zlib stream. Gives the
    // inflated bytes (and their count through unpackedSize) only when the inflated length equals
    // the stored size; a wrong magic, a short header, an impossible size or a corrupt stream give
    // null.
    virtual std::unique_ptr<unsigned char[]> Unpack(unsigned* unpackedSize) const;
};
