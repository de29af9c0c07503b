// Windows bitmap (.bmp) texture images: the decoder the texture loader calls for files that start
// with "BM", and a small writer for tests and fuzz seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct d3d_texture;

// Decodes an uncompressed bitmap: 1, 4 and 8-bit palettes, 16, 24 and 32-bit colour
// (with or without bit-field masks), rows stored either way up. False with a reason otherwise.
bool DecodeBmp(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error);
// A 24-bit bottom-up bitmap of top-to-bottom RGBA pixels (alpha dropped), or 32-bit with alpha.
std::vector<uint8_t> EncodeBmp(int width, int height, const uint8_t* rgba, bool with_alpha);
