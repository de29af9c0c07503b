// Stream stage that converts one channel of its source to a target rate, 16 bits, one channel.
// Loading audio into memory and the feature chain both read their source through it.
#pragma once

#include "engine/audio/pcm_stream.h"
#include "engine/audio/resampler.h"

// Sources slower than this are refused as unreadable audio.
constexpr unsigned kMinSourceRateHz = 1000;

// One thread at a time; no lock.
class CResampledPCMStream : public CPCMStream {
public:
    ~CResampledPCMStream() override;

    // Recomputed from the source's current length: ceil(source frames x out/in), the ratio in
    // single precision.
    unsigned GetFrameCount() override;
    unsigned GetByteLength() override;
    int Start() override;
    int Stop() override;
    // All of these read the stored channel as 16-bit samples.
    int Read(void* buffer, unsigned* frames) override;
    int ReadChannel(void* buffer, unsigned* frames, unsigned channel) override;
    int ReadChannel16(short* buffer, unsigned* frames, unsigned channel) override;
    // Resampled floats of the stored channel; the channel argument is ignored.
    int ReadChannelFloat(float* buffer, unsigned* frames, unsigned channel) override;

    // Takes one reference to source; target gives the rate (16.16). Returns 0, or 2 for a null
    // source or target, 12 when either rate is 0 whole hertz or the source is slower than
    // kMinSourceRateHz.
    virtual int Instantiate(CPCMStream* source, const PCMFormat* target, unsigned channel,
                            float cutoffFactor);

    const CResampler& Resampler() const { return resampler; }

private:
    void UpdateLength();

    CPCMStream* source = nullptr;
    CResampler resampler;
    unsigned channel = 1;
};
