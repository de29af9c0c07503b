// MPEG audio decoding of a whole file held in memory to 16-bit PCM, in place of the platform
// codec manager's one-shot conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class Mp3DecodeStatus {
    kOk,
    kNoDecoder,    // the decoder library could not be set up
    kNoAudio,      // the decoder ran but found no frame it could decode
    kOutOfMemory,
};

// Decodes every frame of data to signed 16-bit little-endian samples, channels interleaved,
// always with the given rate and channel count (frames in another format are converted by the
// decoder). ID3 tags are skipped. pcm gets the samples (cleared first).
Mp3DecodeStatus DecodeMp3ToPcm16(const unsigned char* data, size_t size, long rate, int channels,
                                 std::vector<int16_t>* pcm);
