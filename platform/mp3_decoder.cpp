// Whole-buffer MPEG audio decoding through libmpg123's feed interface.
#include "platform/mp3_decoder.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>
#include <new>

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

}  // namespace

Mp3DecodeStatus DecodeMp3ToPcm16(const unsigned char* data, size_t size, long rate, int channels,
                                 std::vector<int16_t>* pcm) {
    pcm->clear();
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
    if (mpg123_feed(h, data, size) != MPG123_OK) return Mp3DecodeStatus::kNoDecoder;

    try {
        // About 11 bytes of PCM per byte of a 128 kbit/s stereo stream; reserve a guess and grow.
        pcm->reserve(size * 6);
        alignas(int16_t) unsigned char chunk[32768];
        for (;;) {
            size_t done = 0;
            const int r = mpg123_read(h, chunk, sizeof chunk, &done);
            if (done > 0) {
                // The decoder writes host-order samples, little-endian on every target.
                const size_t samples = done / 2;
                const size_t old = pcm->size();
                pcm->resize(old + samples);
                std::memcpy(pcm->data() + old, chunk, samples * 2);
            }
            if (r == MPG123_OK || r == MPG123_NEW_FORMAT) continue;
            if (r == MPG123_NEED_MORE || r == MPG123_DONE) break;  // all of the data is decoded
            if (r == MPG123_ERR && done == 0) break;               // unrecoverable stream error
        }
    } catch (const std::bad_alloc&) {
        pcm->clear();
        pcm->shrink_to_fit();
        return Mp3DecodeStatus::kOutOfMemory;
    }
    pcm->shrink_to_fit();
    return pcm->empty() ? Mp3DecodeStatus::kNoAudio : Mp3DecodeStatus::kOk;
}
