// The format of decoded PCM audio as every audio source and engine stream reports it.
#pragma once

#include <cstdint>

struct PCMFormat {
    // Hz x 65536 (16.16 fixed point). Values handed over by application sources below 55001
    // are taken as whole hertz by the engine's wrapper.
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
    uint16_t channels = 0;       // interleaved
};

// A 16.16 rate as whole hertz.
inline uint32_t RateHz(const PCMFormat& format) { return format.sampleRate >> 16; }

// The highest rate the file readers accept, in hertz: studio rates (up to 384 kHz) are read and
// left to the resampler; beyond that a header is taken as damaged.
constexpr uint32_t kMaxFileRateHz = 384000;
