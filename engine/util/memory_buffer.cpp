// Owned byte blocks and the zlib-packed block of the lexicon files.
#include "engine/util/memory_buffer.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/util/binary_io.h"

bool CMemoryBuffer::LoadFile(const char* path, std::size_t maxBytes, std::string* error) {
    data.reset();
    size = 0;
    if (path == nullptr) {
        if (error) *error = "No file name given.";
        return false;
    }
    // The size is an unsigned count.
    if (maxBytes > 0xFFFFFFFFu) maxBytes = 0xFFFFFFFFu;
    std::string bytes;
    if (!ReadWholeFile(path, maxBytes, &bytes, error)) return false;
    if (!SetBytes(bytes.data(), static_cast<unsigned>(bytes.size()))) {
        if (error) *error = std::string("\"") + path + "\": not enough memory to read it";
        return false;
    }
    return true;
}

bool CMemoryBuffer::SetBytes(const void* bytes, unsigned count) {
    data.reset();
    size = 0;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[count > 0 ? count : 1]);
    if (!block) return false;
    if (count > 0 && bytes != nullptr) std::memcpy(block.get(), bytes, count);
    data = std::move(block);
    size = count;
    return true;
}

std::unique_ptr<unsigned char[]> CPackedBuffer::Unpack(unsigned* unpackedSize) const {
    if (unpackedSize) *unpackedSize = 0;
    const unsigned char* cursor = data.get();
    unsigned remaining = data ? size : 0;
    bool ok = false;
    int32_t magic = ReadInt32(&cursor, &remaining, &ok);
    if (!ok || magic != kPackedBlockMagic) return nullptr;
    int32_t stored = ReadInt32(&cursor, &remaining, &ok);
    if (!ok || stored < 0) return nullptr;
    // zlib cannot expand by more than about 1032 to 1; a larger stored size is a damaged header,
    // and must not turn into a huge allocation.
    if (static_cast<uint64_t>(stored) > static_cast<uint64_t>(remaining) * 1032u + 64u) {
        return nullptr;
    }
    if (unpackedSize) *unpackedSize = static_cast<unsigned>(stored);
    std::unique_ptr<unsigned char[]> out(new (std::nothrow) unsigned char[stored > 0 ? stored : 1]);
    if (!out) return nullptr;
    uLongf length = static_cast<uLongf>(stored);
    int rc = uncompress(out.get(), &length, cursor, static_cast<uLong>(remaining));
    if (rc != Z_OK || length != static_cast<uLongf>(stored)) {
        if (unpackedSize) *unpackedSize = 0;
        return nullptr;
    }
    return out;
}
