// Pixels of the SWF bitmap tags without a toolkit: lossless bitmaps decoded to premultiplied ARGB,
// the JPEG tags' data made into one stream a JPEG decoder reads, and the JPEG3 alpha plane. The
// renderers turn these into their own images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FlashTagDefineBitsJPEG1;
class FlashTagDefineBitsLossless;
class FlashTagJPEGTables;

// Bitmaps beyond this many pixels are refused rather than allocated.
constexpr uint64_t kSwfMaxBitmapPixels = 16u * 1024u * 1024u;

struct swf_argb_image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // rows top-down, 0xAARRGGBB premultiplied
};

// A DefineBitsLossless (alpha false) or DefineBitsLossless2 (alpha true) tag's pixels. False with a
// reason for a size out of range, an unknown format, or data that is short or not zlib.
bool DecodeSwfLosslessBitmap(const FlashTagDefineBitsLossless& tag, bool alpha, swf_argb_image& out,
                             std::string& error);

// JPEG data of the bitmap tags may start with an end-of-image marker before the real start.
std::vector<uint8_t> CleanSwfJpeg(const std::vector<uint8_t>& data);

// A DefineBits tag's data joined with the movie's shared tables (null when it has none).
std::vector<uint8_t> JoinSwfJpegWithTables(const FlashTagJPEGTables* tables, const FlashTagDefineBitsJPEG1& tag);

// The JPEG3 alpha plane of a width x height image, one byte a pixel; false when it is short, not
// zlib or the image is too big.
bool DecodeSwfJpegAlpha(const std::vector<uint8_t>& alphaData, uint32_t width, uint32_t height,
                        std::vector<uint8_t>& alpha);
