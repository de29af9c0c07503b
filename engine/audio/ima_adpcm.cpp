// IMA ADPCM block decoding: each code moves the predictor by a step that adapts to the signal.
#include "engine/audio/ima_adpcm.h"

#include <algorithm>

namespace {

constexpr int kStepSizes[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kIndexMoves[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

struct Channel {
    int predictor;
    int index;

    int16_t Next(unsigned code) {
        const int step = kStepSizes[index];
        int diff = step >> 3;
        if (code & 1) diff += step >> 2;
        if (code & 2) diff += step >> 1;
        if (code & 4) diff += step;
        predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
        index = std::clamp(index + kIndexMoves[code & 7], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

}  // namespace

unsigned ImaAdpcmFramesPerBlock(size_t blockBytes, unsigned channels) {
    // A 4-byte header per channel, then groups of 4 bytes (8 codes) per channel in turn.
    if (channels == 0 || blockBytes < 4u * channels) return 0;
    const size_t codeBytes = blockBytes - 4u * channels;
    if (codeBytes % (4u * channels) != 0) return 0;
    const size_t frames = codeBytes / channels * 2 + 1;
    return frames > 0xFFFF ? 0 : static_cast<unsigned>(frames);
}

void DecodeImaAdpcmBlock(const unsigned char* block, size_t blockBytes, unsigned channels, int16_t* out) {
    const unsigned frames = ImaAdpcmFramesPerBlock(blockBytes, channels);
    if (frames == 0) return;
    for (unsigned c = 0; c < channels; ++c) {
        const unsigned char* header = block + 4 * c;
        Channel state{static_cast<int16_t>(header[0] | header[1] << 8), std::min<int>(header[2], 88)};
        out[c] = static_cast<int16_t>(state.predictor);
        // This channel's groups of 8 codes, low nibble first.
        const unsigned char* codes = block + 4 * channels + 4 * c;
        for (unsigned frame = 1; frame < frames; codes += 4 * channels) {
            for (unsigned b = 0; b < 4; ++b) {
                out[static_cast<size_t>(frame++) * channels + c] = state.Next(codes[b] & 0x0F);
                out[static_cast<size_t>(frame++) * channels + c] = state.Next(codes[b] >> 4);
            }
        }
    }
}
