// Streaming MPEG audio decoding through libmpg123's feed interface.
#include "platform/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

bool InitLibrary() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = mpg123_init() == MPG123_OK;
    });
    return ok;
}

struct HandleCloser {
    mpg123_handle* h;
    ~HandleCloser() {
        if (h) {
            mpg123_close(h);
            mpg123_delete(h);
        }
    }
};

// Bytes fed to the decoder at a time, and decoded bytes taken from it at a time.
constexpr size_t kFeedBytes = 1 << 16;
constexpr size_t kOutBytes = 1 << 16;

// No Layer III frame at a listed bit rate is shorter than this (8 kbit/s at 24 kHz).
constexpr uint64_t kMinFrameBytes = 24;
// Bytes kept from one fed piece to look at with the next, so that an Info frame cut in two is
// still seen whole: header, CRC, side information, then tag, flags and count.
constexpr size_t kInfoFrameSpan = 4 + 2 + 32 + 12;

uint32_t ReadBigEndian32(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A Layer III frame sync at p.
bool IsLayer3Sync(const unsigned char* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && ((p[1] >> 1) & 3) == 1;
}

}  // namespace

bool ClaimsMoreMp3FramesThanFit(const unsigned char* bytes, size_t size, uint64_t stream_bytes) {
    // The tag follows the 4-byte header, the CRC when there is one, and 9, 17 or 32 bytes of side
    // information, by version and channel mode.
    static constexpr size_t kSideInfo[] = {9, 17, 32};
    for (size_t at = 0; at + 12 <= size; ++at) {
        const unsigned char* tag = bytes + at;
        if (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0) continue;
        if ((ReadBigEndian32(tag + 4) & 1) == 0) continue;  // no frame count
        if (uint64_t{ReadBigEndian32(tag + 8)} * kMinFrameBytes <= stream_bytes) continue;
        for (size_t side : kSideInfo) {
            for (size_t crc : {0, 2}) {
                const size_t header = 4 + crc + side;
                if (at >= header && IsLayer3Sync(tag - header)) return true;
            }
        }
    }
    return false;
}

Mp3DecodeStatus DecodeMp3Stream(const Mp3ByteReader& read, uint64_t stream_bytes, long rate, int channels,
                                const Mp3SampleSink& sink) {
    if (!InitLibrary()) return Mp3DecodeStatus::kNoDecoder;
    int err = MPG123_OK;
    HandleCloser handle{mpg123_new(nullptr, &err)};
    mpg123_handle* h = handle.h;
    if (!h) return Mp3DecodeStatus::kNoDecoder;
    // Quiet: damaged frames are skipped, not reported on the console.
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_format_none(h) != MPG123_OK ||
        mpg123_format(h, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
            MPG123_OK ||
        mpg123_open_feed(h) != MPG123_OK) {
        return Mp3DecodeStatus::kNoDecoder;
    }

    // The bytes fed last are kept in front of the next piece for the Info frame check.
    std::vector<unsigned char> in(kInfoFrameSpan + kFeedBytes);
    size_t kept = 0;
    bool lengthIgnored = false;
    std::vector<int16_t> out(kOutBytes / 2);
    bool decodedAny = false;
    for (;;) {
        size_t done = 0;
        const int r = mpg123_read(h, reinterpret_cast<unsigned char*>(out.data()), out.size() * 2, &done);
        if (done > 0) {
            if (!sink(out.data(), done / 2)) return Mp3DecodeStatus::kOutOfMemory;
            decodedAny = true;
        }
        if (r == MPG123_NEED_MORE) {
            unsigned char* piece = in.data() + kept;
            const long n = read(piece, kFeedBytes);
            if (n <= 0) break;  // all of the stream is decoded
            // Gapless decoding trims the end by the Info frame's count, and resampling makes the
            // decoder step through every claimed frame: a count of 2^32 in a tiny file costs half
            // a minute. Such a count is dropped before the decoder reads it (it parses a frame
            // only once the whole frame is fed); the tag's delay and padding go with it.
            if (!lengthIgnored &&
                ClaimsMoreMp3FramesThanFit(in.data(), kept + static_cast<size_t>(n), stream_bytes)) {
                mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_STREAMLENGTH, 0.0);
                lengthIgnored = true;
            }
            if (mpg123_feed(h, piece, static_cast<size_t>(n)) != MPG123_OK)
                return Mp3DecodeStatus::kNoDecoder;
            const size_t total = kept + static_cast<size_t>(n);
            kept = std::min(total, kInfoFrameSpan);
            std::memmove(in.data(), in.data() + total - kept, kept);
            continue;
        }
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) continue;
        if (r == MPG123_DONE) break;
        if (done == 0) break;  // an unrecoverable stream error
    }
    return decodedAny ? Mp3DecodeStatus::kOk : Mp3DecodeStatus::kNoAudio;
}
