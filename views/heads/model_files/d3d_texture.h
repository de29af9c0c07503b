// A decoded texture image and the decoders of the formats head models use: JPEG, PNG, BMP, DDS
// and Targa (recognised by content, not by name). The device layer uploads the pixels when it first draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Larger images than this are refused: a head texture is never near it, and a forged header must
// not make us allocate gigabytes.
constexpr int kMaxTextureSide = 8192;

// Shared by the texture manager and every material that uses it; freed with its last owner.
struct d3d_texture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;          // rows top to bottom, 4 bytes per pixel
    std::vector<uint8_t> file_bytes;    // the image file it was made from
};

// Decodes an image file held in memory; null with a reason when the bytes are no image we read
// ("it is empty", or the decoder's "PNG: ..."), written to follow the image's name.
std::shared_ptr<d3d_texture> DecodeTexture(const unsigned char* data, std::size_t size, std::string* error = nullptr);
// The same for a file on disk; the reason says what is wrong with the file without naming it
// ("it is a folder, not a file"), and a file of no format read here and not named as a Targa
// image is called so rather than a damaged Targa file.
std::shared_ptr<d3d_texture> LoadTextureFile(const std::string& path, std::string* error = nullptr);

// Decodes an uncompressed or run-length Targa image (8-bit grey, 24 or 32-bit colour).
bool DecodeTarga(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error);
// An uncompressed 24 or 32-bit Targa file of top-to-bottom RGBA pixels (alpha kept when with_alpha).
std::vector<uint8_t> EncodeTarga(int width, int height, const uint8_t* rgba, bool with_alpha);
// A baseline JPEG file of top-to-bottom RGBA pixels (alpha dropped).
std::vector<uint8_t> EncodeJpeg(int width, int height, const uint8_t* rgba, int quality);

// The largest head file read (model, texture, material library, character file or pack): far above
// any real one, so that a wrong path fails at once instead of filling the memory.
constexpr std::size_t kMaxHeadFileBytes = std::size_t{256} << 20;
// Every head file the user names is read through here: a regular file of at most kMaxHeadFileBytes,
// else false with a reason saying "cannot read" and why (missing, a folder, a device, too large).
bool ReadHeadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error = nullptr);
