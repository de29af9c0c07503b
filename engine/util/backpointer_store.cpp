// Backpointer store of the pruned search: frame records in memory up to the budget, the rest in
// a temporary spill file that is read backwards once.
#include "engine/util/backpointer_store.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/util/error_codes.h"
#include "engine/util/mem_alloc.h"
#include "platform/temp_file.h"

namespace {

constexpr int kTrailerBytes = 6;  // i32 base, u16 count

void PutU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void PutI32(unsigned char* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}
std::uint16_t GetU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::int32_t GetI32(const unsigned char* p) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

bool WriteAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool ReadAllAt(int fd, unsigned char* p, std::size_t n, std::int64_t offset) {
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += r;
    }
    return true;
}

}  // namespace

CBackpointerStore::~CBackpointerStore() {
    Close();
    MemFree(row_);
    MemFree(pairBuffer_);
    MemFree(ioBuffer_);
    for (int i = 0; i < frames_.count; ++i) FreeFrameRecord(frames_.data[i]);
}

void CBackpointerStore::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int CBackpointerStore::Open(const char* path, int beam, int rowLength, int budget) {
    if (!path) return kErrInvalidArgument;
    // The path names a temporary file: whatever happens below, its name must not outlive us.
    if (beam < 1 || beam > 65535 || rowLength < 1) {
        ::unlink(path);
        return kErrInvalidArgument;
    }
    Close();
    for (int i = 0; i < frames_.count; ++i) FreeFrameRecord(frames_.data[i]);
    frames_.RemoveAll();
    frames_.growBy = 3600;
    MemFree(row_);
    MemFree(pairBuffer_);
    MemFree(ioBuffer_);
    framesSpilled_ = 0;
    frameCount_ = 0;
    reading_ = false;
    cursor_ = -1;
    beam_ = beam;
    rowLength_ = rowLength;
    budget_ = budget;
    bytesUsed_ = 0;
    row_ = static_cast<int*>(MemAlloc(sizeof(int) * static_cast<std::size_t>(rowLength), 1));
    pairBuffer_ = static_cast<BackpointerPair*>(MemAlloc(sizeof(BackpointerPair) * static_cast<std::size_t>(beam), 0));
    ioBuffer_ = static_cast<unsigned char*>(MemAlloc(4 * static_cast<std::size_t>(beam) + kTrailerBytes, 0));
    if (!row_ || !pairBuffer_ || !ioBuffer_ || !frames_.Reserve(0)) {
        ::unlink(path);
        return kErrOutOfMemory;
    }
    fd_ = OpenTemporaryFile(path);
    if (fd_ < 0) return errno == EMFILE ? kErrTempFileIo : kErrFileInUse;
    return kErrNone;
}

int CBackpointerStore::AddFrame(int base, const CNBestList& list, double* scores) {
    if (!row_) return kErrInvalidArgument;
    if (bytesUsed_ < budget_) {
        FrameRecord* record = MakeFrameRecord(base, list, scores);
        if (!record) return kErrOutOfMemory;
        if (!frames_.Append(record)) {
            FreeFrameRecord(record);
            return kErrOutOfMemory;
        }
        bytesUsed_ += static_cast<std::int64_t>(record->count) * 4 + 12;
    } else {
        if (fd_ < 0) return kErrTempFileIo;
        int n = 0;
        for (int i = 0; i < list.count && n < beam_; ++i) {
            const NBestEntry& e = list.entries[i];
            if (e.node == -1) continue;
            scores[e.node] = e.score;
            pairBuffer_[n++] = {static_cast<std::uint16_t>(e.node - base), static_cast<std::uint16_t>(e.pred - base)};
        }
        unsigned char* p = ioBuffer_;
        for (int i = 0; i < n; ++i, p += 4) {
            PutU16(p, pairBuffer_[i].node);
            PutU16(p + 2, pairBuffer_[i].pred);
        }
        PutI32(p, base);
        PutU16(p + 4, static_cast<std::uint16_t>(n));
        if (!WriteAll(fd_, ioBuffer_, 4 * static_cast<std::size_t>(n) + kTrailerBytes)) return kErrTempFileIo;
        ++framesSpilled_;
    }
    ++frameCount_;
    return kErrNone;
}

int* CBackpointerStore::BeginRead() {
    reading_ = true;
    cursor_ = frameCount_ - 1;
    if (frameCount_ <= 0 || !row_) {
        reading_ = false;
        return nullptr;
    }
    if (cursor_ >= frames_.count) {
        if (fd_ < 0) {
            reading_ = false;
            return nullptr;
        }
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        if (size < kTrailerBytes) {
            reading_ = false;
            return nullptr;
        }
        trailerPos_ = static_cast<std::int64_t>(size) - kTrailerBytes;
    }
    return ReadPrevious();
}

int* CBackpointerStore::ReadSpilledFrame() {
    unsigned char trailer[kTrailerBytes];
    if (trailerPos_ < 0 || !ReadAllAt(fd_, trailer, kTrailerBytes, trailerPos_)) return nullptr;
    const std::int32_t base = GetI32(trailer);
    const int n = GetU16(trailer + 4);
    const std::int64_t pairsPos = trailerPos_ - 4 * static_cast<std::int64_t>(n);
    if (n > beam_ || pairsPos < 0) return nullptr;
    if (n > 0 && !ReadAllAt(fd_, ioBuffer_, 4 * static_cast<std::size_t>(n), pairsPos)) return nullptr;
    for (int i = 0; i < n; ++i) {
        const std::uint16_t node = GetU16(ioBuffer_ + 4 * i);
        const std::uint16_t pred = GetU16(ioBuffer_ + 4 * i + 2);
        if (node >= rowLength_) return nullptr;
        row_[node] = base + pred;
    }
    trailerPos_ = pairsPos - kTrailerBytes;  // the previous frame's trailer
    return row_;
}

int* CBackpointerStore::ReadPrevious() {
    if (!reading_ || cursor_ < 0) return nullptr;
    if (cursor_ >= frames_.count) {
        if (!ReadSpilledFrame()) {
            reading_ = false;
            return nullptr;
        }
    } else if (!ApplyFrameRecord(*frames_.data[cursor_], row_, rowLength_)) {
        reading_ = false;
        return nullptr;
    }
    if (cursor_ == 0) reading_ = false;
    --cursor_;
    return row_;
}

std::string MakeTempFileName(const char* name) {
    std::string prefix = "zuvobuild";
    if (name) {
        const std::string text(name);
        const auto sep = text.find_last_of("\\/");
        if (sep != std::string::npos) prefix = text.substr(sep + 1);
    }
    return CreateUniqueTempFile(prefix);
}
