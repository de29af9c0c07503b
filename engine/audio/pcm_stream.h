// Base of the engine's PCM stream stages: holds the format and length and turns the raw frames
// that a subclass delivers into one channel, 16-bit samples or floats. File readers, the
// application-source wrapper, the resampler and pre-emphasis stages and the spectral stream
// all read their source through these operations.
#pragma once

#include <cstdint>

#include "engine/audio/pcm_format.h"
#include "engine/audio/ref_counted.h"

// A frame is one sample of every channel. Channel numbers: 0 means all channels interleaved,
// 1..n select one (1 is the first); a one-channel stream always takes the plain path.
// One thread at a time; no lock.
class CPCMStream : public CRefCounted {
public:
    CPCMStream() = default;
    ~CPCMStream() override;

    virtual int GetFormat(PCMFormat* out);
    virtual uint32_t GetRate();  // 16.16
    virtual unsigned GetBits();
    virtual unsigned GetFrameCount();
    virtual unsigned GetByteLength();
    // Rewinds to the first frame.
    virtual int Start();
    // Reads up to *frames interleaved frames in the stored format; *frames gets the number read
    // (0 at the end, which is not an error). Returns 0 or an engine error code.
    virtual int Read(void* buffer, unsigned* frames) = 0;
    // One channel of the raw samples (bits / 8 bytes each), *frames of them.
    virtual int ReadChannel(void* buffer, unsigned* frames, unsigned channel);
    // One channel as signed 16-bit; 8-bit samples become (byte - 128) x 256.
    virtual int ReadChannel16(short* buffer, unsigned* frames, unsigned channel);
    // One channel as float of the 16-bit value (no scaling); channel 0 gives *frames x channels
    // interleaved values.
    virtual int ReadChannelFloat(float* buffer, unsigned* frames, unsigned channel);
    virtual int Stop();

    // The rate in whole hertz. File readers take rates up to kMaxFileRateHz, more than the
    // 16.16 field holds; for those the field is saturated and this gives the true rate.
    uint32_t GetRateHz() const { return wideRateHz != 0 ? wideRateHz : format.sampleRate >> 16; }
    unsigned GetChannels() const { return format.channels; }
    unsigned GetBytesPerFrame() const { return bytesPerFrame; }

protected:
    // One channel read through ReadChannelFloat and stored as 16-bit samples: clamped to the
    // 16-bit range, truncated toward zero, NaN as silence. For stages that make floats.
    int ReadChannelFloatAs16(short* buffer, unsigned* frames, unsigned channel);
    // Makes scratch hold at least bytes (a smaller block is replaced by a zeroed one of exactly
    // that size); false when memory runs out.
    bool EnsureScratch(uint64_t bytes);
    // Sets the rate, keeping rates beyond the 16.16 field in wideRateHz.
    void SetRateHz(uint32_t hz);

    PCMFormat format{};
    uint32_t byteLength = 0;
    uint32_t frameCount = 0;
    uint32_t bytesPerFrame = 0;
    uint32_t wideRateHz = 0;  // 0 unless the rate is beyond what format.sampleRate holds
    unsigned char* scratch = nullptr;  // de-interleaving buffer, engine allocator
    int32_t scratchSize = 0;
};
