// MP3 reading: find the first Layer III frame for the format, then decode the whole file.
#include "engine/audio/mp3_file_reader.h"

#include <cstdio>
#include <strings.h>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/audio/audio_file_signature.h"
#include "platform/mp3_decoder.h"

namespace {

// Kilobits per second by the header's bit-rate index.
constexpr int kMpeg1Layer3Kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kMpeg2Layer3Kbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr long kBaseRates[4] = {44100, 48000, 32000, 0};
// Files larger than a signed 32-bit count cannot be held.
constexpr long kMaxFileBytes = 0x7FFFFFFF;

}  // namespace

size_t SkipId3v2Tags(const unsigned char* data, size_t size) {
    size_t at = 0;
    // "ID3", version, flags, then a 28-bit size in four 7-bit bytes; a footer adds 10 bytes.
    while (at + 10 <= size && data[at] == 'I' && data[at + 1] == 'D' && data[at + 2] == '3' &&
           data[at + 3] != 0xFF && data[at + 4] != 0xFF &&
           (data[at + 6] | data[at + 7] | data[at + 8] | data[at + 9]) < 0x80) {
        const size_t body = static_cast<size_t>(data[at + 6]) << 21 |
                            static_cast<size_t>(data[at + 7]) << 14 | static_cast<size_t>(data[at + 8]) << 7 |
                            data[at + 9];
        const size_t footer = (data[at + 5] & 0x10) ? 10 : 0;
        const size_t next = at + 10 + body + footer;
        if (next > size) return size;
        at = next;
    }
    return at;
}

bool FindMp3FrameHeader(const unsigned char* data, size_t size, size_t offset, size_t* at, long* rate,
                        int* channels) {
    for (size_t i = offset; i + 3 < size; ++i) {
        const unsigned b0 = data[i], b1 = data[i + 1], b2 = data[i + 2], b3 = data[i + 3];
        if (b0 != 0xFF || b1 < 0xE0) continue;
        static constexpr int kVersionByBits[4] = {2, 3, 1, 0};  // 2.5, reserved, 2, 1
        const int version = kVersionByBits[(b1 >> 3) & 3];
        if (version == 3) continue;
        if (((b1 >> 1) & 3) != 1) continue;  // Layer III
        const long sampleRate = kBaseRates[(b2 >> 2) & 3] >> version;
        const int kbps = version == 0 ? kMpeg1Layer3Kbps[b2 >> 4] : kMpeg2Layer3Kbps[b2 >> 4];
        if (sampleRate == 0 || kbps == 0) continue;
        *at = i;
        *rate = sampleRate;
        *channels = (b3 & 0xC0) != 0xC0 ? 2 : 1;
        return true;
    }
    return false;
}

namespace {

// Bytes scanned per read while looking for the first frame header.
constexpr size_t kScanPiece = 1 << 16;

// The first Layer III header of the file, looked for after its ID3v2 tags a piece at a time (a
// tag may hold a large picture). False when there is none.
bool FindFirstHeader(std::FILE* file, long size, long* rate, int* channels) {
    std::vector<unsigned char> piece(kScanPiece);
    // Tag headers are 10 bytes; follow them from one to the next without reading their bodies.
    long at = 0;
    for (;;) {
        unsigned char head[10];
        if (at + 10 > size || std::fseek(file, at, SEEK_SET) != 0 || std::fread(head, 1, 10, file) != 10)
            break;
        const size_t skipped = SkipId3v2Tags(head, 10);
        if (skipped == 0) break;
        // A tag that runs past the end leaves nothing to scan.
        const unsigned long long body = static_cast<unsigned long long>(head[6]) << 21 | head[7] << 14 |
                                        head[8] << 7 | head[9];
        const unsigned long long next =
            static_cast<unsigned long long>(at) + 10 + body + ((head[5] & 0x10) ? 10 : 0);
        if (next >= static_cast<unsigned long long>(size)) return false;
        at = static_cast<long>(next);
    }
    // Pieces overlap by three bytes so that no header is cut in two.
    for (long start = at; start + 3 < size; start += static_cast<long>(kScanPiece) - 3) {
        if (std::fseek(file, start, SEEK_SET) != 0) return false;
        const size_t n = std::fread(piece.data(), 1, piece.size(), file);
        size_t where = 0;
        if (FindMp3FrameHeader(piece.data(), n, 0, &where, rate, channels)) return true;
        if (n < piece.size()) break;
    }
    return false;
}

}  // namespace

int Mp3AudioSource::Decode(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return kErrFileNotFound;
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || size > kMaxFileBytes) return kErrBadData;

    // Files of another kind named ".mp3" are left to their own readers: their samples would
    // otherwise pass for frame headers here and there and be decoded as noise.
    unsigned char head[kAudioSignatureBytes];
    if (std::fseek(file, 0, SEEK_SET) != 0) return kErrBadData;
    const AudioFileKind kind = IdentifyAudioBytes(head, std::fread(head, 1, sizeof head, file));
    if (kind == AudioFileKind::kWave || kind == AudioFileKind::kNist || kind == AudioFileKind::kOgg)
        return kErrBadData;

    long rate = 0;
    int channels = 0;
    if (!FindFirstHeader(file, size, &rate, &channels)) return kErrBadData;

    // The stream is fed from the start (the decoder skips the tags itself) a piece at a time, and
    // the samples go into one growing block: the peak is about the decoded size alone.
    if (std::fseek(file, 0, SEEK_SET) != 0) return kErrBadData;
    const auto read = [file](unsigned char* into, size_t n) -> long {
        const size_t got = std::fread(into, 1, n, file);
        return got == 0 && std::ferror(file) ? -1 : static_cast<long>(got);
    };
    const auto sink = [this](const int16_t* pcm, size_t count) { return AppendSamples(pcm, count); };
    switch (DecodeMp3Stream(read, static_cast<uint64_t>(size), rate, channels, sink)) {
    case Mp3DecodeStatus::kOk: break;
    case Mp3DecodeStatus::kNoDecoder: return kErrMissingCodec;
    case Mp3DecodeStatus::kNoAudio: return kErrBadData;
    case Mp3DecodeStatus::kOutOfMemory: return kErrOutOfMemory;
    }
    format.channels = static_cast<uint16_t>(channels);
    format.bitsPerSample = 16;
    format.sampleRate = static_cast<uint32_t>(rate) << 16;
    return 0;
}

bool Mp3FileReaderPlugin::CanRead(const char* path) {
    return strcasecmp(AudioFileExtension(path), ".mp3") == 0;
}
