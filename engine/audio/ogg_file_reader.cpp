// Ogg Vorbis decoding through vorbisfile: the whole file to 16-bit little-endian PCM.
#include "engine/audio/ogg_file_reader.h"

#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"

namespace {
constexpr int kReadPiece = 4096;
// Damaged data that keeps failing is given up after this many failed reads in a row, so a
// stream that never recovers cannot stall the load.
constexpr int kMaxFailedReadsInARow = 256;
constexpr long kMaxRateHz = 65535;  // rates are held as 16.16 fixed point
}  // namespace

int OggAudioSource::Decode(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return kErrFileNotFound;
    long fileSize = 0;
    if (std::fseek(file, 0, SEEK_END) == 0) fileSize = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);

    OggVorbis_File vf;
    if (ov_open(file, &vf, nullptr, 0) < 0) {
        std::fclose(file);  // a refused file stays ours to close
        return kErrBadData;
    }
    struct Clear {
        OggVorbis_File* vf;
        ~Clear() { ov_clear(vf); }  // closes the file too
    } clear{&vf};

    const vorbis_info* info = ov_info(&vf, -1);
    if (!info || info->channels < 1 || info->rate < 1 || info->rate > kMaxRateHz) return kErrBadData;
    format.channels = static_cast<uint16_t>(info->channels);
    format.sampleRate = static_cast<uint32_t>(info->rate) << 16;
    format.bitsPerSample = 16;

    const ogg_int64_t total = ov_pcm_total(&vf, -1);
    // The file's comments are its own text (terminal escapes included): they are not shown.
    // What the load found goes to the engine's debug log only.
    if (SdkLogIsOpen()) {
        SdkLogPrintf("Ogg Vorbis: %d channels, %ld Hz, %lld samples", info->channels, info->rate,
                     static_cast<long long>(total));
    }

    // Reserve what the stream says it holds, but never trust it beyond what the file's size can
    // plausibly decode to.
    if (total > 0) {
        const long long claimed = static_cast<long long>(total) * info->channels;
        const long long plausible = static_cast<long long>(fileSize) * 64;
        long long room = claimed < plausible ? claimed : plausible;
        if (room > static_cast<long long>(kMaxDecodedSamples))
            room = static_cast<long long>(kMaxDecodedSamples);
        if (!samples.Reserve(static_cast<size_t>(room))) return kErrOutOfMemory;
    }
    alignas(int16_t) char piece[kReadPiece];
    int failures = 0;
    for (;;) {
        int bitstream = 0;
        const long n = ov_read(&vf, piece, kReadPiece, 0 /* little-endian */, 2, 1, &bitstream);
        if (n == 0) break;
        if (n < 0) {
            // A hole or damaged page: skip it and go on with what follows.
            if (++failures >= kMaxFailedReadsInARow) break;
            continue;
        }
        failures = 0;
        if (!AppendSamples(reinterpret_cast<const int16_t*>(piece), static_cast<size_t>(n) / 2))
            return kErrOutOfMemory;
    }
    return 0;
}

bool OggFileReaderPlugin::CanRead(const char* path) {
    return strcasecmp(AudioFileExtension(path), ".ogg") == 0;
}
