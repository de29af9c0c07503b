// Stream stage applying first-order pre-emphasis y[n] = x[n] - a x[n-1] to one channel of its
// source; feeds the spectral stream.
#pragma once

#include "engine/audio/pcm_stream.h"

// One thread at a time; no lock.
class CPreemphasisPCMStream : public CPCMStream {
public:
    ~CPreemphasisPCMStream() override;

    int Start() override;
    int Stop() override;
    // The channel as 16-bit samples (truncated, clamped).
    int Read(void* buffer, unsigned* frames) override;
    int ReadChannelFloat(float* buffer, unsigned* frames, unsigned channel) override;

    // Takes one reference to source and copies its format and length. Returns 0, or 2 for a
    // null source.
    virtual int SetSource(CPCMStream* source, unsigned channel, float coefficient);

private:
    float coefficient = 0.0f;
    CPCMStream* source = nullptr;
    float previous = 0.0f;
    unsigned channel = 1;
};
