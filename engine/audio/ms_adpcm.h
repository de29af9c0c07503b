// Microsoft ADPCM as WAVE files store it (format tag 2): blocks of a header per channel followed
// by 4-bit codes, decoded to 16-bit samples with the standard predictor coefficients.
#pragma once

#include <cstddef>
#include <cstdint>

// The frames one block of blockBytes holds for channels (1 or 2), or 0 when no valid block has
// that size.
unsigned MsAdpcmFramesPerBlock(size_t blockBytes, unsigned channels);

// Decodes one block into frames x channels interleaved samples (frames from
// MsAdpcmFramesPerBlock). Predictor numbers beyond the standard seven are taken as the last.
void DecodeMsAdpcmBlock(const unsigned char* block, size_t blockBytes, unsigned channels, int16_t* out);
