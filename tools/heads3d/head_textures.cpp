// Procedural head textures from a seeded value noise, so every run paints the same images.
#include "tools/heads3d/head_textures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/heads3d/head_geometry.h"
#include "views/heads/model_files/d3d_texture.h"

namespace {

float Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Smooth noise in 0..1 with a period of `period` cells, so the images tile.
float Noise(float x, float y, int period, int seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto at = [&](int i, int j) { return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed); };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

using painter = std::function<void(float u, float v, float rgb[3])>;

std::vector<uint8_t> Paint(int size, const painter& paint) {
    std::vector<uint8_t> rgba(static_cast<std::size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float c[3];
            paint((x + 0.5f) / size, (y + 0.5f) / size, c);
            uint8_t* p = rgba.data() + 4 * (static_cast<std::size_t>(y) * size + x);
            for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::clamp(c[k], 0.0f, 1.0f) * 255 + 0.5f);
            p[3] = 255;
        }
    return rgba;
}

}  // namespace

std::vector<head_texture_file> MakeHeadTextures() {
    std::vector<head_texture_file> files;
    auto jpeg = [&](const char* name, int size, const painter& p) {
        files.push_back({name, EncodeJpeg(size, size, Paint(size, p).data(), 90)});
    };
    auto targa = [&](const char* name, int size, const painter& p) {
        files.push_back({name, EncodeTarga(size, size, Paint(size, p).data(), false)});
    };
    jpeg("skin.jpg", 512, [](float u, float v, float c[3]) {
        const float grain = 0.5f * Noise(u * 128, v * 128, 128, 1) + 0.3f * Noise(u * 32, v * 32, 32, 2) + 0.2f * Noise(u * 256, v * 256, 256, 3);
        const float blush = Noise(u * 16, v * 16, 16, 4);
        c[0] = 0.94f + 0.06f * grain;
        c[1] = 0.9f + 0.08f * grain - 0.04f * blush;
        c[2] = 0.88f + 0.08f * grain - 0.05f * blush;
        float hair[3] = {c[0], c[1], c[2]};
        HeadSkinTexel(u, v, hair);
        // Strands where the hair is.
        const float strands = 0.75f + 0.45f * Noise(u * 384, v * 24, 384, 14);
        for (int k = 0; k < 3; ++k) {
            const float covered = (c[k] - hair[k]) / std::max(1e-3f, c[k]);
            c[k] = hair[k] * (1 - covered * (1 - strands) * 0.6f);
        }
    });
    jpeg("lips.jpg", 128, [](float u, float v, float c[3]) {
        const float lines = 0.5f + 0.5f * std::sin(u * 2 * 3.14159265f * 24 + 3 * Noise(u * 8, v * 8, 8, 5));
        const float g = 0.9f + 0.1f * lines * Noise(u * 32, v * 32, 32, 6);
        c[0] = g;
        c[1] = g * 0.92f;
        c[2] = g * 0.93f;
    });
    jpeg("hair.jpg", 256, [](float u, float v, float c[3]) {
        const float strands = 0.55f * Noise(u * 96, v * 6, 96, 7) + 0.3f * Noise(u * 192, v * 10, 192, 8) + 0.15f * Noise(u * 24, v * 3, 24, 9);
        const float g = 0.55f + 0.6f * strands;
        c[0] = g;
        c[1] = g * 0.95f;
        c[2] = g * 0.9f;
    });
    jpeg("gums.jpg", 128, [](float u, float v, float c[3]) {
        const float g = 0.88f + 0.12f * Noise(u * 32, v * 32, 32, 10);
        c[0] = g;
        c[1] = g * 0.94f;
        c[2] = g * 0.95f;
    });
    targa("eye.tga", 256, [](float u, float v, float c[3]) {
        const float dx = (u - 0.5f) * 2, dy = (v - 0.5f) * 2;
        const float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        if (r < 0.17f) {
            c[0] = c[1] = c[2] = 0.03f;
        } else if (r < 0.47f) {
            const float streak = Noise(a * 12, r * 6, 1 << 20, 11);
            const float edge = std::clamp((r - 0.38f) / 0.09f, 0.0f, 1.0f);
            const float g = (0.75f + 0.5f * streak) * (1 - 0.55f * edge);
            c[0] = 0.25f * g;
            c[1] = 0.45f * g;
            c[2] = 0.62f * g;
        } else {
            const float vein = std::max(0.0f, Noise(a * 20, r * 4, 1 << 20, 12) - 0.72f) * 2.5f * std::clamp((r - 0.6f) * 2, 0.0f, 1.0f);
            c[0] = 0.97f;
            c[1] = 0.95f - 0.35f * vein;
            c[2] = 0.93f - 0.35f * vein;
        }
    });
    targa("teeth.tga", 64, [](float u, float v, float c[3]) {
        const float g = 0.93f + 0.07f * Noise(u * 16, v * 16, 16, 13);
        c[0] = g;
        c[1] = g * (0.96f + 0.03f * v);
        c[2] = g * (0.86f + 0.1f * v);
    });
    return files;
}
