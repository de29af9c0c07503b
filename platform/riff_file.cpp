// RIFF chunk reader over buffered C files, with the multimedia file calls' error numbers.
#include "platform/riff_file.h"

#include <cerrno>

namespace {

bool ReadU32(std::FILE* f, uint32_t* v) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    *v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

int ErrorFromErrno(int e) {
    switch (e) {
    case ENOENT: return kRiffErrFileNotFound;
    case ENOTDIR: return kRiffErrPathNotFound;
    case EACCES:
    case EPERM: return kRiffErrAccessDenied;
    case EMFILE:
    case ENFILE: return kRiffErrTooManyOpenFiles;
    case ENOMEM: return kRiffErrOutOfMemory;
    default: return kRiffErrCannotOpen;
    }
}

constexpr uint32_t kRiffId = RiffFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kListId = RiffFourCC('L', 'I', 'S', 'T');

// Chunks stepped over between two calls of the progress hook.
constexpr long kChunksPerProgress = 4096;

bool IsFourCC(uint32_t id) {
    for (int i = 0; i < 4; ++i, id >>= 8) {
        const uint32_t c = id & 0xFF;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CRiffFile> CRiffFile::Open(const char* path, int* error) {
    int dummy;
    if (!error) error = &dummy;
    *error = kRiffErrCannotOpen;
    if (!path) return nullptr;
    errno = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        *error = ErrorFromErrno(errno);
        return nullptr;
    }
    // Whole-chunk reads of audio are large and sequential; a bigger buffer halves the calls.
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        *error = kRiffErrCannotOpen;  // a pipe or a folder
        return nullptr;
    }
    *error = kRiffOk;
    return std::unique_ptr<CRiffFile>(new CRiffFile(f, size));
}

CRiffFile::~CRiffFile() { std::fclose(file_); }

int CRiffFile::Descend(RiffChunk* chunk, const RiffChunk* parent, unsigned flags) {
    if (!chunk) return kRiffErrChunkNotFound;
    long end = size_;
    if (parent) {
        const long parentEnd = static_cast<long>(parent->dataOffset) +
                               (parent->id == kRiffId || parent->id == kListId
                                    ? static_cast<long>(parent->size) - 4
                                    : static_cast<long>(parent->size));
        if (parentEnd < end) end = parentEnd;
    }
    long pos = pos_;
    for (long walked = 1;; ++walked) {
        if (pos + 8 > end) return kRiffErrChunkNotFound;
        if (walked % kChunksPerProgress == 0 && progress_ && progress_(pos, end)) return kRiffErrCancelled;
        if (Seek(pos, SEEK_SET) < 0) return kRiffErrCannotSeek;
        RiffChunk found;
        found.dataOffset = static_cast<uint32_t>(pos + 8);
        if (!ReadU32(file_, &found.id) || !ReadU32(file_, &found.size)) {
            Seek(pos, SEEK_SET);  // keep the tracked position true after a short read
            return kRiffErrChunkNotFound;
        }
        pos_ += 8;
        const bool isList = found.id == kRiffId || found.id == kListId;
        if (isList) {
            if (pos + 12 > end || !ReadU32(file_, &found.formType)) {
                Seek(pos, SEEK_SET);
                return kRiffErrChunkNotFound;
            }
            pos_ += 4;
            found.dataOffset += 4;
        }
        bool match = true;
        if (flags & kRiffFindRiff) match = found.id == kRiffId && found.formType == chunk->formType;
        else if (flags & kRiffFindChunk) match = found.id == chunk->id;
        if (match) {
            *chunk = found;
            return kRiffOk;
        }
        // Bytes that are no chunk header (zeros, another format's data) end the chunks: stepping
        // on by the size they hold would only walk through garbage, 8 bytes at a time for zeros.
        if (!IsFourCC(found.id)) return kRiffErrChunkNotFound;
        // Skip the chunk with its pad byte; sizes are counted in 64 bits so a huge size simply
        // runs past the end instead of wrapping.
        const long long next = static_cast<long long>(pos) + 8 + found.size + (found.size & 1);
        if (next > end) return kRiffErrChunkNotFound;
        pos = static_cast<long>(next);
    }
}

int CRiffFile::Ascend(const RiffChunk* chunk) {
    if (!chunk) return kRiffErrCannotSeek;
    uint32_t dataSize = chunk->size;
    long long start = chunk->dataOffset;
    if (chunk->id == kRiffId || chunk->id == kListId) {
        start -= 4;  // the form type is part of the chunk's data
    }
    long long next = start + dataSize + (dataSize & 1);
    if (next > size_) next = size_;
    return Seek(static_cast<long>(next), SEEK_SET) >= 0 ? kRiffOk : kRiffErrCannotSeek;
}

long CRiffFile::Read(void* buffer, long n) {
    if (n <= 0) return 0;
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(n), file_);
    pos_ += static_cast<long>(got);
    if (got < static_cast<size_t>(n) && std::ferror(file_)) {
        std::clearerr(file_);
        return -1;
    }
    return static_cast<long>(got);
}

long CRiffFile::Seek(long offset, int origin) {
    long target;
    switch (origin) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = pos_ + offset; break;
    case SEEK_END: target = size_ + offset; break;
    default: return -1;
    }
    if (target < 0) return -1;
    // Asking where we are needs no call into the C library.
    if (target == pos_ && origin == SEEK_CUR) return pos_;
    if (std::fseek(file_, target, SEEK_SET) != 0) return -1;
    pos_ = target;
    return pos_;
}
