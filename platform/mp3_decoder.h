// MPEG audio decoding of a byte stream to 16-bit PCM, piece by piece, in place of the platform
// codec manager's one-shot conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

enum class Mp3DecodeStatus {
    kOk,
    kNoDecoder,    // the decoder library could not be set up
    kNoAudio,      // the decoder ran but found no frame it could decode
    kOutOfMemory,  // the sink refused samples
};

// Gives up to size bytes of the stream at into: the count, 0 at the end, or -1 on a read error
// (which ends the stream like its end).
using Mp3ByteReader = std::function<long(unsigned char* into, size_t size)>;
// Takes count decoded samples (signed 16-bit, host order, channels interleaved); false when it
// cannot hold them.
using Mp3SampleSink = std::function<bool(const int16_t* samples, size_t count)>;

// Decodes every frame of the stream, always with the given rate and channel count (frames in
// another format are converted by the decoder); ID3 tags are skipped. Only a small piece of the
// stream is held at a time. `stream_bytes` is the stream's whole length: the encoder delay and
// padding that an Info (Xing) frame gives are trimmed, unless that frame claims more frames than
// so many bytes can hold, in which case the stream's own frames decide its length.
Mp3DecodeStatus DecodeMp3Stream(const Mp3ByteReader& read, uint64_t stream_bytes, long rate, int channels,
                                const Mp3SampleSink& sink);

// Whether bytes hold an Info (Xing) frame whose frame count is more than stream_bytes can hold.
bool ClaimsMoreMp3FramesThanFit(const unsigned char* bytes, size_t size, uint64_t stream_bytes);
