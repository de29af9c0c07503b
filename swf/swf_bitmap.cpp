// Decoding the SWF bitmap tags' pixel data.
#include "swf/swf_bitmap.h"

#include "swf/flash_bitmap_tags.h"
#include "swf/swf_inflate.h"

namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

}  // namespace

bool DecodeSwfLosslessBitmap(const FlashTagDefineBitsLossless& tag, bool alpha, swf_argb_image& out,
                             std::string& error) {
    out = swf_argb_image();
    const uint64_t w = tag.width, h = tag.height;
    if (w == 0 || h == 0 || w * h > kSwfMaxBitmapPixels) {
        error = "bitmap size " + std::to_string(w) + "x" + std::to_string(h) + " out of range";
        return false;
    }
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> argb(static_cast<size_t>(w * h));
    if (tag.format == 3) {
        if (tag.data.empty()) {
            error = "colour-mapped bitmap without a table size";
            return false;
        }
        const size_t colors = tag.data[0] + 1u;
        const size_t entry = alpha ? 4 : 3;
        const size_t stride = (w + 3) & ~size_t(3);
        if (!InflateSwfDataExactly(tag.data, 1, colors * entry + stride * h, pixels)) {
            error = "colour-mapped bitmap data is short or not zlib";
            return false;
        }
        for (uint64_t y = 0; y < h; ++y) {
            for (uint64_t x = 0; x < w; ++x) {
                size_t idx = pixels[colors * entry + y * stride + x];
                if (idx >= colors) continue;  // stays transparent
                const uint8_t* c = &pixels[idx * entry];
                argb[y * w + x] = Argb(alpha ? c[3] : 255, c[0], c[1], c[2]);  // stored premultiplied already
            }
        }
    } else if (tag.format == 4 && !alpha) {
        const size_t stride = (w * 2 + 3) & ~size_t(3);
        if (!InflateSwfDataExactly(tag.data, 0, stride * h, pixels)) {
            error = "15-bit bitmap data is short or not zlib";
            return false;
        }
        auto c5 = [](unsigned c) { return static_cast<uint32_t>((c & 31) * 255 / 31); };
        for (uint64_t y = 0; y < h; ++y) {
            for (uint64_t x = 0; x < w; ++x) {
                unsigned v = pixels[y * stride + x * 2] << 8 | pixels[y * stride + x * 2 + 1];
                argb[y * w + x] = Argb(255, c5(v >> 10), c5(v >> 5), c5(v));
            }
        }
    } else if (tag.format == 5) {
        if (!InflateSwfDataExactly(tag.data, 0, w * h * 4, pixels)) {
            error = "32-bit bitmap data is short or not zlib";
            return false;
        }
        for (uint64_t i = 0; i < w * h; ++i) {
            const uint8_t* p = &pixels[i * 4];
            argb[i] = Argb(alpha ? p[0] : 255, p[1], p[2], p[3]);
        }
    } else {
        error = "bitmap format " + std::to_string(tag.format) + " unknown";
        return false;
    }
    out.width = static_cast<uint32_t>(w);
    out.height = static_cast<uint32_t>(h);
    out.pixels = std::move(argb);
    return true;
}

std::vector<uint8_t> CleanSwfJpeg(const std::vector<uint8_t>& data) {
    if (data.size() >= 4 && data[0] == 0xFF && data[1] == 0xD9 && data[2] == 0xFF && data[3] == 0xD8)
        return std::vector<uint8_t>(data.begin() + 4, data.end());
    return data;
}

std::vector<uint8_t> JoinSwfJpegWithTables(const FlashTagJPEGTables* tables, const FlashTagDefineBitsJPEG1& tag) {
    // The shared tables end with an end-of-image marker and the data starts with a start-of-image
    // marker: the two join into one stream without them.
    std::vector<uint8_t> bytes;
    if (tables) bytes = CleanSwfJpeg(tables->data);
    if (bytes.size() >= 2 && bytes[bytes.size() - 2] == 0xFF && bytes.back() == 0xD9) bytes.resize(bytes.size() - 2);
    std::vector<uint8_t> data = CleanSwfJpeg(tag.data);
    size_t skip = !bytes.empty() && data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8 ? 2 : 0;
    bytes.insert(bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(skip), data.end());
    return bytes;
}

bool DecodeSwfJpegAlpha(const std::vector<uint8_t>& alphaData, uint32_t width, uint32_t height,
                        std::vector<uint8_t>& alpha) {
    const uint64_t pixels = uint64_t(width) * height;
    return pixels <= kSwfMaxBitmapPixels && InflateSwfDataExactly(alphaData, 0, static_cast<size_t>(pixels), alpha);
}
