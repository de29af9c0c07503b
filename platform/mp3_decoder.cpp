// Streaming MPEG audio decoding through libmpg123's feed interface.
#include "platform/mp3_decoder.h"

#include <mpg123.h>

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

}  // namespace

Mp3DecodeStatus DecodeMp3Stream(const Mp3ByteReader& read, long rate, int channels,
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

    std::vector<unsigned char> in(kFeedBytes);
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
            const long n = read(in.data(), in.size());
            if (n <= 0) break;  // all of the stream is decoded
            if (mpg123_feed(h, in.data(), static_cast<size_t>(n)) != MPG123_OK)
                return Mp3DecodeStatus::kNoDecoder;
            continue;
        }
        if (r == MPG123_OK || r == MPG123_NEW_FORMAT) continue;
        if (r == MPG123_DONE) break;
        if (done == 0) break;  // an unrecoverable stream error
    }
    return decodedAny ? Mp3DecodeStatus::kOk : Mp3DecodeStatus::kNoAudio;
}
