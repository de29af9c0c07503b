// DDS decoding (the top mip level) and writing for head textures; every size is checked against
// the file's bytes before pixels are allocated.
#include "views/heads/model_files/dds_image.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "views/heads/model_files/d3d_texture.h"

namespace {

constexpr std::size_t kHeaderEnd = 128;  // magic + 124-byte header
constexpr uint32_t kPixelAlpha = 0x1, kPixelAlphaOnly = 0x2, kPixelFourCc = 0x4, kPixelRgb = 0x40,
                   kPixelLuminance = 0x20000;

uint32_t U16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Put32At(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
constexpr uint32_t FourCc(const char (&s)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}

uint8_t FieldOf(uint32_t pixel, uint32_t mask, uint8_t missing) {
    if (!mask) return missing;
    const int shift = std::countr_zero(mask);
    const uint64_t top = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

void Rgb565(uint32_t c, uint8_t rgb[3]) {
    const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    rgb[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    rgb[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
    rgb[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
}

// The colour half of a block: four colours, or three and transparent black when the first end
// point is not the larger (only DXT1 blocks may use that mode).
void ColourBlock(const unsigned char* b, bool may_be_three, uint8_t texel[16][4]) {
    const uint32_t c0 = U16(b), c1 = U16(b + 2);
    uint8_t palette[4][4];
    Rgb565(c0, palette[0]);
    Rgb565(c1, palette[1]);
    palette[0][3] = palette[1][3] = palette[2][3] = palette[3][3] = 255;
    const bool four = !may_be_three || c0 > c1;
    for (int k = 0; k < 3; ++k) {
        if (four) {
            palette[2][k] = static_cast<uint8_t>((2 * palette[0][k] + palette[1][k]) / 3);
            palette[3][k] = static_cast<uint8_t>((palette[0][k] + 2 * palette[1][k]) / 3);
        } else {
            palette[2][k] = static_cast<uint8_t>((palette[0][k] + palette[1][k]) / 2);
            palette[3][k] = 0;
        }
    }
    if (!four) palette[3][3] = 0;
    const uint32_t indices = U32(b + 4);
    for (int i = 0; i < 16; ++i) std::memcpy(texel[i], palette[(indices >> (2 * i)) & 3], 4);
}

void ExplicitAlpha(const unsigned char* b, uint8_t texel[16][4]) {
    for (int i = 0; i < 16; ++i) {
        const uint8_t nibble = (b[i / 2] >> (4 * (i % 2))) & 15;
        texel[i][3] = static_cast<uint8_t>(nibble * 17);
    }
}

void InterpolatedAlpha(const unsigned char* b, uint8_t texel[16][4]) {
    uint8_t a[8];
    a[0] = b[0], a[1] = b[1];
    if (a[0] > a[1]) {
        for (int i = 1; i < 7; ++i) a[i + 1] = static_cast<uint8_t>(((7 - i) * a[0] + i * a[1]) / 7);
    } else {
        for (int i = 1; i < 5; ++i) a[i + 1] = static_cast<uint8_t>(((5 - i) * a[0] + i * a[1]) / 5);
        a[6] = 0, a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) texel[i][3] = a[(bits >> (3 * i)) & 7];
}

}  // namespace

bool DecodeDds(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = std::string("DDS: ") + why;
        out.rgba.clear();
        return false;
    };
    if (size < kHeaderEnd || std::memcmp(data, "DDS ", 4) != 0) return fail("file shorter than its header");
    if (U32(data + 4) != 124 || U32(data + 76) != 32) return fail("unknown header");
    const uint32_t height = U32(data + 12), width = U32(data + 16);
    const uint32_t pixel_flags = U32(data + 80), four_cc = U32(data + 84), bit_count = U32(data + 88);
    const uint32_t masks[4] = {U32(data + 92), U32(data + 96), U32(data + 100), U32(data + 104)};
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return fail("unsupported image size");
    const unsigned char* pixels = data + kHeaderEnd;
    const std::size_t present = size - kHeaderEnd;
    const int w = static_cast<int>(width), h = static_cast<int>(height);

    if (pixel_flags & kPixelFourCc) {
        std::size_t block_bytes;
        if (four_cc == FourCc("DXT1")) block_bytes = 8;
        else if (four_cc == FourCc("DXT3") || four_cc == FourCc("DXT5")) block_bytes = 16;
        else if (four_cc == FourCc("DX10")) return fail("extended-header surfaces are not supported");
        else return fail("unsupported compression");
        const std::size_t across = (width + 3) / 4, down = (height + 3) / 4;
        if (present / block_bytes / across < down) return fail("pixel data ends early");
        out.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
        const unsigned char* block = pixels;
        for (std::size_t by = 0; by < down; ++by)
            for (std::size_t bx = 0; bx < across; ++bx, block += block_bytes) {
                uint8_t texel[16][4];
                if (block_bytes == 8) {
                    ColourBlock(block, true, texel);
                } else {
                    ColourBlock(block + 8, false, texel);
                    if (four_cc == FourCc("DXT3")) ExplicitAlpha(block, texel);
                    else InterpolatedAlpha(block, texel);
                }
                for (int i = 0; i < 16; ++i) {
                    const std::size_t x = 4 * bx + i % 4, y = 4 * by + i / 4;
                    if (x < width && y < height) std::memcpy(out.rgba.data() + (y * width + x) * 4, texel[i], 4);
                }
            }
    } else if (pixel_flags & (kPixelRgb | kPixelLuminance | kPixelAlphaOnly)) {
        if (bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) return fail("unsupported pixel size");
        const std::size_t bytes = bit_count / 8;
        const std::size_t pitch = static_cast<std::size_t>(width) * bytes;
        if (present / pitch < height) return fail("pixel data ends early");
        const bool luminance = (pixel_flags & kPixelLuminance) != 0;
        const bool alpha_only = !luminance && !(pixel_flags & kPixelRgb);
        const uint32_t alpha_mask = (pixel_flags & (kPixelAlpha | kPixelAlphaOnly)) ? masks[3] : 0;
        out.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
        for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
            const unsigned char* p = pixels + i * bytes;
            uint32_t v = 0;
            for (std::size_t k = 0; k < bytes; ++k) v |= static_cast<uint32_t>(p[k]) << (8 * k);
            uint8_t* d = out.rgba.data() + 4 * i;
            if (luminance) {
                d[0] = d[1] = d[2] = FieldOf(v, masks[0], 0);
            } else if (!alpha_only) {
                d[0] = FieldOf(v, masks[0], 0), d[1] = FieldOf(v, masks[1], 0), d[2] = FieldOf(v, masks[2], 0);
            }
            d[3] = FieldOf(v, alpha_mask, 255);
        }
    } else {
        return fail("unsupported pixel format");
    }
    out.width = w;
    out.height = h;
    return true;
}

namespace {

uint32_t To565(const uint8_t* p) { return ((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3); }

int Distance(const uint8_t* a, const uint8_t* b) {
    int d = 0;
    for (int k = 0; k < 3; ++k) d += (a[k] - b[k]) * (a[k] - b[k]);
    return d;
}

void EncodeColourBlock(const uint8_t texel[16][4], std::vector<uint8_t>& out) {
    int low = 0, high = 0;
    auto brightness = [&](int i) { return 3 * texel[i][0] + 6 * texel[i][1] + texel[i][2]; };
    for (int i = 1; i < 16; ++i) {
        if (brightness(i) < brightness(low)) low = i;
        if (brightness(i) > brightness(high)) high = i;
    }
    uint32_t c0 = To565(texel[high]), c1 = To565(texel[low]);
    if (c0 < c1) std::swap(c0, c1);
    // Four-colour mode needs c0 > c1; equal end points give one colour either way.
    uint8_t block[8] = {static_cast<uint8_t>(c0), static_cast<uint8_t>(c0 >> 8), static_cast<uint8_t>(c1),
                        static_cast<uint8_t>(c1 >> 8), 0, 0, 0, 0};
    // The palette as the decoder makes it: texel 0 of the block with its index set to each value.
    uint8_t decoded[16][4];
    uint8_t palette[4][4];
    for (uint32_t k = 0; k < 4; ++k) {
        block[4] = static_cast<uint8_t>(k);
        ColourBlock(block, false, decoded);
        std::memcpy(palette[k], decoded[0], 4);
    }
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        for (int k = 1; k < 4; ++k)
            if (Distance(texel[i], palette[k]) < Distance(texel[i], palette[best])) best = k;
        indices |= static_cast<uint32_t>(best) << (2 * i);
    }
    for (int i = 0; i < 4; ++i) block[4 + i] = static_cast<uint8_t>(indices >> (8 * i));
    out.insert(out.end(), block, block + 8);
}

void EncodeAlphaBlock(const uint8_t texel[16][4], bool interpolated, std::vector<uint8_t>& out) {
    if (!interpolated) {
        for (int i = 0; i < 16; i += 2)
            out.push_back(static_cast<uint8_t>((texel[i][3] >> 4) | (texel[i + 1][3] & 0xF0)));
        return;
    }
    uint8_t a0 = 0, a1 = 255;
    for (int i = 0; i < 16; ++i) a0 = std::max(a0, texel[i][3]), a1 = std::min(a1, texel[i][3]);
    uint8_t head[8] = {a0, a1};
    uint8_t values[16][4];
    uint8_t palette[8];
    for (uint64_t k = 0; k < 8; ++k) {
        for (int b = 0; b < 6; ++b) head[2 + b] = static_cast<uint8_t>(b == 0 ? k : 0);
        InterpolatedAlpha(head, values);
        palette[k] = values[0][3];
    }
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        for (int k = 1; k < 8; ++k)
            if (std::abs(texel[i][3] - palette[k]) < std::abs(texel[i][3] - palette[best])) best = k;
        bits |= static_cast<uint64_t>(best) << (3 * i);
    }
    out.push_back(a0);
    out.push_back(a1);
    for (int b = 0; b < 6; ++b) out.push_back(static_cast<uint8_t>(bits >> (8 * b)));
}

}  // namespace

std::vector<uint8_t> EncodeDds(int width, int height, const uint8_t* rgba, dds_format format) {
    std::vector<uint8_t> out(kHeaderEnd, 0);
    std::memcpy(out.data(), "DDS ", 4);
    const bool blocks = format == dds_format::dxt1 || format == dds_format::dxt3 || format == dds_format::dxt5;
    Put32At(out, 4, 124);
    Put32At(out, 8, 0x1 | 0x2 | 0x4 | 0x1000 | (blocks ? 0x80000 : 0x8));  // caps, size, pixel format
    Put32At(out, 12, static_cast<uint32_t>(height));
    Put32At(out, 16, static_cast<uint32_t>(width));
    Put32At(out, 76, 32);
    Put32At(out, 108, 0x1000);  // a plain texture
    if (blocks) {
        Put32At(out, 80, kPixelFourCc);
        Put32At(out, 84, format == dds_format::dxt1 ? FourCc("DXT1") : format == dds_format::dxt3 ? FourCc("DXT3")
                                                                                                 : FourCc("DXT5"));
        const std::size_t block_bytes = format == dds_format::dxt1 ? 8 : 16;
        Put32At(out, 20, static_cast<uint32_t>(((width + 3) / 4) * ((height + 3) / 4) * block_bytes));
        for (int by = 0; by < (height + 3) / 4; ++by)
            for (int bx = 0; bx < (width + 3) / 4; ++bx) {
                uint8_t texel[16][4];
                for (int i = 0; i < 16; ++i) {
                    const int x = std::min(4 * bx + i % 4, width - 1), y = std::min(4 * by + i / 4, height - 1);
                    std::memcpy(texel[i], rgba + (static_cast<std::size_t>(y) * width + x) * 4, 4);
                }
                if (format != dds_format::dxt1) EncodeAlphaBlock(texel, format == dds_format::dxt5, out);
                EncodeColourBlock(texel, out);
            }
        return out;
    }
    const uint32_t bits = format == dds_format::rgba32 ? 32 : format == dds_format::rgb24 ? 24 : 16;
    Put32At(out, 80, kPixelRgb | (format == dds_format::rgba32 ? kPixelAlpha : 0));
    Put32At(out, 88, bits);
    if (bits == 16) {
        Put32At(out, 92, 0xF800), Put32At(out, 96, 0x07E0), Put32At(out, 100, 0x001F);
    } else {
        Put32At(out, 92, 0xFF0000), Put32At(out, 96, 0xFF00), Put32At(out, 100, 0xFF);
        if (bits == 32) Put32At(out, 104, 0xFF000000u);
    }
    Put32At(out, 20, static_cast<uint32_t>(width) * bits / 8);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        const uint8_t* p = rgba + 4 * i;
        if (bits == 16) {
            const uint32_t v = To565(p);
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
            continue;
        }
        out.push_back(p[2]);
        out.push_back(p[1]);
        out.push_back(p[0]);
        if (bits == 32) out.push_back(p[3]);
    }
    return out;
}
