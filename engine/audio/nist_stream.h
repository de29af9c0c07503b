// Engine stream over a NIST sphere file: a text header, then PCM samples of 1 to 4 bytes or
// A-law/mu-law bytes, any channel count, rates up to kMaxFileRateHz; delivered as 8-bit (1-byte
// PCM) or 16-bit samples.
#pragma once

#include <cstdio>
#include <vector>

#include "engine/audio/pcm_stream.h"
#include "engine/audio/stored_samples.h"

// One thread at a time; no lock.
class CNistStream : public CPCMStream {
public:
    ~CNistStream() override;

    int Start() override;
    int Read(void* buffer, unsigned* frames) override;

    // 0, 10 when the file cannot be opened, 12 for a header that does not read or whose
    // channels, rate or sample size cannot be read as they are, 13 for packed or compressed
    // sample codings.
    virtual int Open(const char* path);
    virtual int Close();

private:
    std::FILE* file = nullptr;
    int32_t dataStart = 0;
    StoredSamples stored;
    uint64_t storedLength = 0;        // bytes of whole stored frames after the header
    std::vector<unsigned char> raw;  // stored frames on their way to conversion
};
