// Engine stream over a NIST sphere file (a text header, then 8- or 16-bit PCM samples).
#pragma once

#include <cstdio>

#include "engine/audio/pcm_stream.h"

// One thread at a time; no lock.
class CNistStream : public CPCMStream {
public:
    ~CNistStream() override;

    int Start() override;
    int Read(void* buffer, unsigned* frames) override;

    // 0, 10 when the file cannot be opened, 12 for a header that does not read or gives no
    // usable audio, 13 for sample codings other than plain PCM.
    virtual int Open(const char* path);
    virtual int Close();

private:
    std::FILE* file = nullptr;
    int32_t dataStart = 0;
    bool bigEndian = false;  // 16-bit samples stored high byte first
};
