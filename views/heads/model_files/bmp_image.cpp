// Bitmap decoding and writing for head textures; every count is checked against the file's bytes.
#include "views/heads/model_files/bmp_image.h"

#include <bit>

#include "views/heads/model_files/d3d_texture.h"

namespace {

uint32_t U16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One colour channel under a bit-field mask, scaled to 8 bits.
struct channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t top = 0;  // largest value the field holds
    explicit channel(uint32_t m = 0) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        top = m >> shift;
    }
    uint8_t Of(uint32_t pixel, uint8_t missing) const {
        if (!mask) return missing;
        const uint32_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>(static_cast<uint64_t>(v) * 255 / top);
    }
};

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

}  // namespace

bool DecodeBmp(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = std::string("BMP: ") + why;
        out.rgba.clear();
        return false;
    };
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return fail("file shorter than its header");
    const uint32_t pixel_offset = U32(data + 10);
    const uint32_t info_size = U32(data + 14);
    if (info_size != 12 && info_size < 40) return fail("unknown header");
    if (size - 14 < info_size) return fail("file ends inside its header");
    const unsigned char* info = data + 14;
    int64_t width, height;
    uint32_t bits, compression = kRgb, colours_used = 0;
    std::size_t palette_entry = 4;
    if (info_size == 12) {
        width = U16(info + 4);
        height = U16(info + 6);
        bits = U16(info + 10);
        palette_entry = 3;
    } else {
        width = static_cast<int32_t>(U32(info + 4));
        height = static_cast<int32_t>(U32(info + 8));
        bits = U16(info + 14);
        compression = U32(info + 16);
        colours_used = U32(info + 32);
    }
    const bool top_down = height < 0;
    if (top_down) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return fail("unsupported image size");
    if (compression == kRle8 || compression == kRle4) return fail("run-length compressed bitmaps are not supported");
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        return fail("unsupported compression");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail("unsupported pixel size");
    if (compression != kRgb && bits != 16 && bits != 32) return fail("bit fields on a pixel size that has none");

    // Masks: inside a V4/V5 header, or right after a plain one.
    std::size_t after_header = 14 + info_size;
    channel red, green, blue, alpha;
    if (bits == 16) red = channel(0x7C00), green = channel(0x03E0), blue = channel(0x001F);
    if (bits == 32) red = channel(0xFF0000), green = channel(0xFF00), blue = channel(0xFF);
    if (compression != kRgb) {
        const unsigned char* masks = info + 40;
        const std::size_t mask_count = compression == kAlphaBitFields ? 4 : 3;
        if (info_size == 40) {
            if (size - after_header < 4 * mask_count) return fail("file ends inside its colour masks");
            masks = data + after_header;
            after_header += 4 * mask_count;
        } else if (info_size < 40 + 4 * mask_count) {
            return fail("file ends inside its colour masks");
        }
        red = channel(U32(masks)), green = channel(U32(masks + 4)), blue = channel(U32(masks + 8));
        if (mask_count == 4 || info_size >= 56) alpha = channel(U32(masks + 12));
        if (!red.mask && !green.mask && !blue.mask) return fail("empty colour masks");
    }

    std::vector<uint8_t> palette;  // RGB triples
    if (bits <= 8) {
        const std::size_t most = std::size_t{1} << bits;
        const std::size_t count = colours_used == 0 || colours_used > most ? most : colours_used;
        if ((size - after_header) / palette_entry < count) return fail("file ends inside its palette");
        palette.resize(3 * most, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char* e = data + after_header + i * palette_entry;
            palette[3 * i] = e[2], palette[3 * i + 1] = e[1], palette[3 * i + 2] = e[0];
        }
    }

    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t last_row = (static_cast<std::size_t>(width) * bits + 7) / 8;
    if (pixel_offset > size || (size - pixel_offset < last_row) ||
        (size - pixel_offset - last_row) / stride < static_cast<std::size_t>(height - 1))
        return fail("pixel data ends early");

    const int w = static_cast<int>(width), h = static_cast<int>(height);
    out.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = data + pixel_offset + stride * static_cast<std::size_t>(row);
        const int y = top_down ? row : h - 1 - row;
        uint8_t* dst = out.rgba.data() + static_cast<std::size_t>(y) * w * 4;
        for (int x = 0; x < w; ++x, dst += 4) {
            if (bits <= 8) {
                const int per_byte = 8 / static_cast<int>(bits);
                const int shift = 8 - static_cast<int>(bits) * (x % per_byte + 1);
                const uint32_t index = (src[x / per_byte] >> shift) & ((1u << bits) - 1);
                dst[0] = palette[3 * index], dst[1] = palette[3 * index + 1], dst[2] = palette[3 * index + 2];
            } else if (bits == 24) {
                const unsigned char* p = src + 3 * x;
                dst[0] = p[2], dst[1] = p[1], dst[2] = p[0];
            } else {
                const uint32_t pixel = bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                dst[0] = red.Of(pixel, 0), dst[1] = green.Of(pixel, 0), dst[2] = blue.Of(pixel, 0);
                dst[3] = alpha.Of(pixel, 255);
            }
        }
    }
    out.width = w;
    out.height = h;
    return true;
}

std::vector<uint8_t> EncodeBmp(int width, int height, const uint8_t* rgba, bool with_alpha) {
    const uint32_t bits = with_alpha ? 32 : 24;
    const uint32_t info_size = with_alpha ? 56 : 40;  // a V3 header carries the alpha mask
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const uint32_t offset = 14 + info_size;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, static_cast<uint32_t>(offset + stride * height));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, info_size);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, with_alpha ? kBitFields : kRgb);
    Put32(out, static_cast<uint32_t>(stride * height));
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    if (with_alpha) {
        Put32(out, 0xFF0000);
        Put32(out, 0xFF00);
        Put32(out, 0xFF);
        Put32(out, 0xFF000000u);
    }
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = rgba + (static_cast<std::size_t>(y) * width + x) * 4;
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (with_alpha) out.push_back(p[3]);
        }
        out.resize(start + stride, 0);
    }
    return out;
}
