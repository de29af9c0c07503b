// Engine stream over a RIFF WAVE file of 8- or 16-bit PCM, read through the platform's RIFF
// chunk reader.
#pragma once

#include <memory>

#include "engine/audio/pcm_stream.h"

class CRiffFile;

// One thread at a time; no lock.
class CWavRdrStream : public CPCMStream {
public:
    CWavRdrStream();
    ~CWavRdrStream() override;

    int Start() override;
    int Read(void* buffer, unsigned* frames) override;

    // 0, or 10/11/4 when the file cannot be opened, 12 for a file that is not readable PCM WAVE
    // (missing chunks, no channels, a sample width other than 8 or 16), 13 for compressed data.
    virtual int Open(const char* path);
    virtual int Close();

private:
    unsigned char* waveFormat = nullptr;  // the "fmt " chunk's bytes, at least 16
    std::unique_ptr<CRiffFile> mmio;
    int32_t dataStart = 0;
};
