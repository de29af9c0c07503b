// RIFF chunk reader in place of the multimedia file calls (open, descend, ascend, read, seek,
// close); results use the same error numbers, so callers translate them with one table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

// Error numbers of the multimedia file calls.
enum RiffError : int {
    kRiffOk = 0,
    kRiffErrFileNotFound = 257,
    kRiffErrOutOfMemory = 258,
    kRiffErrCannotOpen = 259,
    kRiffErrCannotRead = 261,
    kRiffErrCannotWrite = 262,
    kRiffErrCannotSeek = 263,
    kRiffErrChunkNotFound = 265,
    kRiffErrPathNotFound = 267,
    kRiffErrAccessDenied = 268,
    kRiffErrSharingViolation = 269,
    kRiffErrNetworkError = 270,
    kRiffErrTooManyOpenFiles = 271,
    kRiffErrInvalidFile = 272,
    kRiffErrCancelled = 300,  // our own: the progress hook asked to stop
};

constexpr uint32_t RiffFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24;
}

// One chunk as Descend finds it.
struct RiffChunk {
    uint32_t id = 0;          // four-character code
    uint32_t size = 0;        // data size as the header says (not bounded by the file)
    uint32_t formType = 0;    // "RIFF"/"LIST" chunks: the form type
    uint32_t dataOffset = 0;  // file offset of the data (after the form type for RIFF/LIST)
};

enum RiffDescendFlags : unsigned {
    kRiffFindChunk = 0x10,  // the next chunk with the given id
    kRiffFindRiff = 0x20,   // the next "RIFF" chunk with the given form type
};

// A file opened for reading. One thread at a time.
class CRiffFile {
public:
    // Opens path for reading; null with *error set (257 missing, 267 folder missing, 268 access
    // denied, 271 too many files, 259 anything else).
    static std::unique_ptr<CRiffFile> Open(const char* path, int* error);
    ~CRiffFile();
    CRiffFile(const CRiffFile&) = delete;
    CRiffFile& operator=(const CRiffFile&) = delete;

    // Searches from the current position, within parent's data when parent is given (and always
    // within the file), for a chunk whose id (kRiffFindChunk) or form type (kRiffFindRiff)
    // matches *chunk; on success *chunk describes it and the position is at its data.
    // 265 when no such chunk is there; 0 on success. Without a find flag the chunk at the
    // current position is taken, whatever it is. A chunk id is four characters from ' ' to '~':
    // where other bytes stand in place of a header (zeros, another format's data) the chunks end,
    // and a search stops there with 265 instead of stepping through them.
    int Descend(RiffChunk* chunk, const RiffChunk* parent, unsigned flags);
    // Called every few thousand chunks that one Descend steps over, with the search's position and
    // end in bytes; returning true stops the search with kRiffErrCancelled.
    void SetProgress(std::function<bool(long done, long total)> progress) { progress_ = std::move(progress); }
    // Moves past the end of chunk (and its pad byte); 0, or 263 when the seek fails.
    int Ascend(const RiffChunk* chunk);
    // Up to n bytes from the position; the count read, or -1 on a read error.
    long Read(void* buffer, long n);
    // SEEK_SET/SEEK_CUR/SEEK_END; the new position, or -1.
    long Seek(long offset, int origin);
    // Size of the file in bytes.
    long Size() const { return size_; }

private:
    CRiffFile(std::FILE* file, long size) : file_(file), size_(size) {}
    std::FILE* file_;
    long size_;
    long pos_ = 0;  // kept here so position queries cost no library call
    std::function<bool(long, long)> progress_;
};
