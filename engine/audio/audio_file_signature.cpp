// Audio file identification by signature bytes.
#include "engine/audio/audio_file_signature.h"

#include <cstdio>
#include <cstring>

AudioFileKind IdentifyAudioBytes(const unsigned char* data, size_t size) {
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WAVE", 4) == 0) {
        return AudioFileKind::kWave;
    }
    if (size >= 7 && std::memcmp(data, "NIST_1A", 7) == 0) return AudioFileKind::kNist;
    if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) return AudioFileKind::kOgg;
    if (size >= 3 && std::memcmp(data, "ID3", 3) == 0) return AudioFileKind::kMpeg;
    if (size >= 4 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0) {
        // A frame header: a known version and layer, a bit rate index and a sample rate index
        // that are not the reserved ones.
        const bool version = ((data[1] >> 3) & 3) != 1;
        const bool layer = ((data[1] >> 1) & 3) != 0;
        const bool bitRate = (data[2] >> 4) != 15;
        const bool rate = ((data[2] >> 2) & 3) != 3;
        if (version && layer && bitRate && rate) return AudioFileKind::kMpeg;
    }
    return AudioFileKind::kUnknown;
}

AudioFileKind IdentifyAudioFile(const char* path) {
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return AudioFileKind::kUnknown;
    unsigned char head[kAudioSignatureBytes];
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return IdentifyAudioBytes(head, n);
}
