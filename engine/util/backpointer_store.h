// Backpointers of every search frame for the long-recording search: kept in memory up to a byte
// budget and spilled to a temporary file beyond it, then read back once from the last frame.
#pragma once

#include <cstdint>
#include <string>

#include "engine/util/nbest_list.h"
#include "engine/util/t_array.h"

// One thread at a time; no lock. Written frame by frame, then read once backwards; not reusable.
// Spill file: per frame count x {u16 node - base, u16 pred - base}, then i32 base, then u16 count,
// all little-endian, no header; read from its end.
class CBackpointerStore {
public:
    CBackpointerStore() = default;
    CBackpointerStore(const CBackpointerStore&) = delete;
    CBackpointerStore& operator=(const CBackpointerStore&) = delete;
    virtual ~CBackpointerStore();

    // beam B entries per frame (1..65535), rows of N nodes, budget bytes of frame records in
    // memory. The file at path is a temporary: it is created empty and removed from the folder at
    // once, so it is gone after use whatever happens. Returns 0; 2 for a null path or bad sizes;
    // 1 when memory runs out; 11 or 17 when the file cannot be opened.
    int Open(const char* path, int beam, int rowLength, int budget);
    // Keeps the live entries of list (scores[node] gets each score). 0; 1 when the frame list
    // cannot grow; 17 when a spilled frame cannot be written.
    int AddFrame(int base, const CNBestList& list, double* scores);
    // The row of the last frame, then of each earlier frame; null when there are no frames, when
    // reading has ended or a frame cannot be read back. Entries of nodes that a frame does not
    // hold keep the values of later frames.
    int* BeginRead();
    int* ReadPrevious();

    int GetFrameCount() const { return frameCount_; }
    int GetFramesSpilled() const { return framesSpilled_; }
    int GetRowLength() const { return rowLength_; }

private:
    int* ReadSpilledFrame();
    void Close();

    int* row_ = nullptr;
    BackpointerPair* pairBuffer_ = nullptr;
    unsigned char* ioBuffer_ = nullptr;
    int beam_ = 0;
    int rowLength_ = 0;
    std::int64_t budget_ = 0;
    std::int64_t bytesUsed_ = 0;
    int framesSpilled_ = 0;
    int frameCount_ = 0;
    bool reading_ = false;
    int cursor_ = -1;
    int fd_ = -1;
    std::int64_t trailerPos_ = 0;  // offset of the trailer of the spilled frame at the cursor
    TArray<FrameRecord*> frames_{3600};
};

// A new, empty, uniquely named file in the temporary folder; its prefix is the part of name after
// its last '\' or '/' when it has one, else "zuvobuild". Empty when no file can be made.
std::string MakeTempFileName(const char* name);
