// MP3 reading: find the first Layer III frame for the format, then decode the whole file.
#include "engine/audio/mp3_file_reader.h"

#include <cstdio>
#include <strings.h>
#include <vector>

#include "engine/api/error_codes.h"
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
           data[at + 3] != 0xFF && data[at + 4] != 0xFF && (data[at + 6] | data[at + 7] | data[at + 8] | data[at + 9]) < 0x80) {
        const size_t body = static_cast<size_t>(data[at + 6]) << 21 | static_cast<size_t>(data[at + 7]) << 14 |
                            static_cast<size_t>(data[at + 8]) << 7 | data[at + 9];
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

int Mp3AudioSource::Decode(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return kErrFileNotFound;
    std::vector<unsigned char> bytes;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    bool ok = size >= 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) return kErrBadData;

    // A tag in front may hold anything, pictures included, that looks like a frame header.
    const size_t audioStart = SkipId3v2Tags(bytes.data(), bytes.size());
    size_t at = 0;
    long rate = 0;
    int channels = 0;
    if (!FindMp3FrameHeader(bytes.data(), bytes.size(), audioStart, &at, &rate, &channels)) {
        return kErrBadData;
    }
    switch (DecodeMp3ToPcm16(bytes.data(), bytes.size(), rate, channels, &samples)) {
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
