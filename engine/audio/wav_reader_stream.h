// Engine stream over a RIFF WAVE file read through the platform's RIFF chunk reader: integer PCM of
// 8 to 32 bits, float, A-law, mu-law, IMA and Microsoft ADPCM, plain or extensible, any channel
// count, rates up to kMaxFileRateHz; delivered as 8-bit (8-bit PCM) or 16-bit samples.
#pragma once

#include <memory>

#include <vector>

#include "engine/audio/pcm_stream.h"
#include "engine/audio/stored_samples.h"

class CProgress;
class CRiffFile;
struct RiffChunk;

// One thread at a time; no lock.
class CWavRdrStream : public CPCMStream {
public:
    CWavRdrStream();
    ~CWavRdrStream() override;

    int Start() override;
    int Read(void* buffer, unsigned* frames) override;

    // 0, or 10/11/4 when the file cannot be opened, 12 for a file that is not readable WAVE
    // (missing chunks, no channels, a rate of 0 or beyond kMaxFileRateHz, a sample width the
    // coding does not have), 13 for other compressed data (GSM, MPEG and the like), 5 when the
    // open's progress asked to cancel.
    virtual int Open(const char* path);
    virtual int Close();

    // The long reads of the next Opens (a search through a great many chunks, the decoding of
    // ADPCM data) report to progress, which may be null; a cancel there makes Open give
    // kErrCancelled. Borrowed: it must outlive those Opens.
    void SetOpenProgress(CProgress* progress) { openProgress = progress; }

    // After a successful Open: the bytes of samples the data chunk announces and those the file
    // holds (fewer when the file was cut short; the stream reads only those).
    uint64_t AnnouncedDataBytes() const { return announcedBytes; }
    uint64_t PresentDataBytes() const { return presentBytes; }

private:
    // Decodes the whole ADPCM data chunk (IMA, or Microsoft's) into decoded; an engine code.
    int DecodeAdpcm(const RiffChunk& data, uint16_t channels, bool microsoft);

    CProgress* openProgress = nullptr;
    unsigned char* waveFormat = nullptr;  // the "fmt " chunk's bytes, at least 16
    std::unique_ptr<CRiffFile> mmio;
    int32_t dataStart = 0;
    StoredSamples stored;
    uint64_t storedLength = 0;        // bytes of whole stored frames in the data chunk
    std::vector<unsigned char> raw;  // stored frames on their way to conversion
    std::vector<int16_t> decoded;     // ADPCM files: all of the samples, decoded when opened
    size_t decodedPos = 0;            // frames of decoded already read
    uint64_t announcedBytes = 0;
    uint64_t presentBytes = 0;
};

// True when path is a WAV file whose data chunk announces more bytes than the file holds
// (a copy or download cut short), with both counts. Opening the file again reports to progress
// (may be null) as Open does; a cancel there gives false.
bool WaveFileCutShort(const char* path, uint64_t* announced, uint64_t* present, CProgress* progress = nullptr);
