// IMA ADPCM as WAVE files store it (format tag 0x11): blocks of a header per channel followed by
// 4-bit codes, decoded to 16-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>

// The frames one block of blockBytes holds for channels, or 0 when no valid block has that size.
unsigned ImaAdpcmFramesPerBlock(size_t blockBytes, unsigned channels);

// Decodes one block into frames x channels interleaved samples (frames from
// ImaAdpcmFramesPerBlock). Damaged step indexes are clamped, so every block decodes.
void DecodeImaAdpcmBlock(const unsigned char* block, size_t blockBytes, unsigned channels, int16_t* out);
