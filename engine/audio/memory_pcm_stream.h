// A whole recording held in memory in the engine's working format, and a byte window over it
// that behaves as an application PCM source. The document owns both; the views, the players and
// the recognisers read them.
#pragma once

#include <cstdint>

#include "engine/audio/pcm_format.h"
#include "engine/audio/zuvo_pcm_stream.h"

class CMemoryPCMStream;
class CPCMStream;
class CProgress;

class IMemoryPCMStream {
public:
    virtual ~IMemoryPCMStream() = default;
    virtual int GetFormat(PCMFormat* out) = 0;
    virtual uint32_t GetRate() = 0;  // 16.16
    virtual int16_t GetBits() = 0;
    virtual int GetBytesPerFrame() = 0;
    virtual int GetFrameCount() = 0;
    virtual int GetByteLength() = 0;
    virtual double FramesToMs(int frames) = 0;
    virtual int BytesToFrames(int bytes) = 0;
    virtual int FramesToBytes(int frames) = 0;
    virtual int MsToFrames(int ms) = 0;
    // Copies *count frames from frame start (channel 0 or a mono stream: whole frames; else the
    // samples of that channel, counted from 1). *count is cut at the end. 3 with *count = 0 for a
    // start outside the audio, a negative count or a channel beyond the stream's.
    virtual int ReadFrames(void* buffer, int start, int* count, int channel) = 0;
    // As ReadFrames, 8-bit data widened to 16-bit in place (the buffer holds 2 bytes a sample).
    virtual int ReadFrames16(void* buffer, int start, int* count, int channel) = 0;
    // As ReadFrames16, then widened to floats of the same value (4 bytes a sample).
    virtual int ReadFramesFloat(float* buffer, int start, int* count, int channel) = 0;
    // 16-bit mono only (else 6): samples clamped to +-32767, truncated, stored from frame start.
    // 3 when start or count is negative or the range runs past the end.
    virtual int WriteFramesFromFloat(const float* samples, int start, int count) = 0;
    virtual void* GetData() = 0;
    // A new deep copy, or null when memory runs out.
    virtual CMemoryPCMStream* Clone() = 0;
    // Deep copy into this object; 7 when memory runs out, and then this object is unchanged.
    virtual int CopyFrom(const CMemoryPCMStream& other) = 0;
    virtual void Destroy() = 0;
    // Loads the whole source. 1 when the data block cannot be allocated; a source read error is
    // returned with an empty stream; a cancel through progress gives 0 and an empty stream.
    virtual int LoadFromStream(IZuvoPCMStream* source, CProgress* progress) = 0;
    virtual int LoadFromStreamWithProgress(CPCMStream* source, CProgress* progress) = 0;
};

// No lock: the user-interface thread loads and writes it, the audio pump thread reads it
// while it plays, and the document never writes it during playback.
class CMemoryPCMStream : public IMemoryPCMStream {
public:
    CMemoryPCMStream() = default;
    // Deep copy; throws std::runtime_error("Out of memory") when the data cannot be allocated.
    CMemoryPCMStream(const CMemoryPCMStream& other);
    CMemoryPCMStream& operator=(const CMemoryPCMStream&) = delete;
    ~CMemoryPCMStream() override;

    int GetFormat(PCMFormat* out) override;
    uint32_t GetRate() override;
    int16_t GetBits() override;
    int GetBytesPerFrame() override;
    int GetFrameCount() override;
    int GetByteLength() override;
    double FramesToMs(int frames) override;
    int BytesToFrames(int bytes) override;
    int FramesToBytes(int frames) override;
    int MsToFrames(int ms) override;
    int ReadFrames(void* buffer, int start, int* count, int channel) override;
    int ReadFrames16(void* buffer, int start, int* count, int channel) override;
    int ReadFramesFloat(float* buffer, int start, int* count, int channel) override;
    int WriteFramesFromFloat(const float* samples, int start, int count) override;
    void* GetData() override;
    CMemoryPCMStream* Clone() override;
    int CopyFrom(const CMemoryPCMStream& other) override;
    void Destroy() override;
    int LoadFromStream(IZuvoPCMStream* source, CProgress* progress) override;
    int LoadFromStreamWithProgress(CPCMStream* source, CProgress* progress) override;

private:
    // Sets format and sizes and allocates a zeroed block; false (byteLength 0) when it fails.
    bool Allocate(const PCMFormat& fmt, int64_t bytes);

    PCMFormat format{};
    int32_t byteLength = 0;
    int32_t frameCount = 0;
    int32_t bytesPerFrame = 0;
    unsigned char* data = nullptr;  // engine allocator, zero-filled
};

// A byte window over a memory stream, read as an application PCM source (for the recognisers'
// observation stream). Never owns its source. Same threading as the memory stream.
class CMemoryPCMRangeStream : public IZuvoPCMStream {
public:
    explicit CMemoryPCMRangeStream(CMemoryPCMStream* source);
    virtual ~CMemoryPCMRangeStream() = default;

    int GetFormat(PCMFormat* out) override;
    int GetLength() override;  // the window's length in bytes
    // Reads from the position on, never past the window's end; 0 with no source.
    int Read(void* buffer, int bytes) override;
    int Rewind() override;
    // A start at or past the end moves the window to 0; a length running past the end is cut.
    // The position is not moved: rewind before reading.
    virtual void SetRange(int start, int length);
    virtual void SetSource(CMemoryPCMStream* source);
    virtual void Destroy();

private:
    int32_t position = 0;
    CMemoryPCMStream* source = nullptr;
    int32_t rangeStart = 0;
    int32_t rangeLength = 0;
};

// Opens any supported audio file, converts its first channel to target's rate (16 bits, one
// channel) and holds it in memory, reporting progress and honouring cancel (a cancelled load
// gives 0 and an empty stream; a cancel while the file is still being opened gives 5 and no
// stream). *out gets the memory stream whenever one was created, also when
// the result is not 0; the caller destroys it with Destroy.
int CreateMemoryPCMStreamFromFile(const char* path, const PCMFormat* target, CProgress* progress,
                                  CMemoryPCMStream** out);
// A window over the whole of source: 0, 1 when out of memory, 2 for a null argument.
int CreateMemoryPCMRangeStream(CMemoryPCMStream* source, CMemoryPCMRangeStream** out);
// Destroys the window; null is ignored. Always 0.
int DestroyMemoryPCMRangeStream(CMemoryPCMRangeStream* stream);
