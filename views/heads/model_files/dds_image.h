// DirectDraw surface (.dds) texture images: uncompressed and block-compressed (DXT1, DXT3, DXT5)
// surfaces, of which the first mip level is decoded; and a writer for tests and fuzz seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct d3d_texture;

enum class dds_format { rgba32, rgb24, rgb565, dxt1, dxt3, dxt5 };

// Decodes the top mip level of a 2D surface; false with a reason for cube maps, volumes and
// formats outside the list above, and for surfaces whose pixels the file does not hold.
bool DecodeDds(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error);
// A DDS file of top-to-bottom RGBA pixels in the given format. The block encoder is plain (each
// block's darkest and brightest colours as its end points): good enough for tests and seeds.
std::vector<uint8_t> EncodeDds(int width, int height, const uint8_t* rgba, dds_format format);
