// Microsoft ADPCM block decoding: a second-order predictor per channel, corrected by scaled
// 4-bit codes whose scale adapts to the signal.
#include "engine/audio/ms_adpcm.h"

#include <algorithm>

namespace {

constexpr int kCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                     {240, 0}, {460, -208}, {392, -232}};
constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};

int16_t Load16(const unsigned char* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

}  // namespace

unsigned MsAdpcmFramesPerBlock(size_t blockBytes, unsigned channels) {
    // A 7-byte header per channel holds the first two frames; then one code per nibble.
    if (channels == 0 || channels > 2 || blockBytes < 7u * channels) return 0;  // mono or stereo only
    const size_t codes = (blockBytes - 7u * channels) * 2;
    const size_t frames = codes / channels + 2;
    return frames > 0xFFFF ? 0 : static_cast<unsigned>(frames);
}

void DecodeMsAdpcmBlock(const unsigned char* block, size_t blockBytes, unsigned channels, int16_t* out) {
    const unsigned frames = MsAdpcmFramesPerBlock(blockBytes, channels);
    if (frames == 0) return;
    struct State {
        int c1, c2, delta, sample1, sample2;
    };
    // The header: every channel's predictor number, then its step, its latest sample and the
    // one before, each field for all channels in turn.
    State states[2];
    for (unsigned c = 0; c < channels; ++c) {
        const unsigned predictor = std::min<unsigned>(block[c], 6);
        states[c] = {kCoefficients[predictor][0], kCoefficients[predictor][1],
                     Load16(block + channels + 2 * c), Load16(block + 3 * channels + 2 * c),
                     Load16(block + 5 * channels + 2 * c)};
        out[c] = static_cast<int16_t>(states[c].sample2);
        out[channels + c] = static_cast<int16_t>(states[c].sample1);
    }
    // Codes, high nibble first, alternate over the channels.
    const unsigned char* codes = block + 7 * channels;
    const size_t total = static_cast<size_t>(frames - 2) * channels;
    for (size_t i = 0; i < total; ++i) {
        const unsigned nibble = (codes[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0x0F;
        const int code = nibble >= 8 ? static_cast<int>(nibble) - 16 : static_cast<int>(nibble);
        State& s = states[i % channels];
        const int predicted = (s.sample1 * s.c1 + s.sample2 * s.c2) / 256;
        const int sample = std::clamp(predicted + code * s.delta, -32768, 32767);
        s.sample2 = s.sample1;
        s.sample1 = sample;
        // Damaged data could grow the step without end; real streams stay far below the cap.
        s.delta = std::clamp(kAdaptation[nibble] * s.delta / 256, 16, 1 << 20);
        out[2 * channels + i] = static_cast<int16_t>(sample);
    }
}
