// Writes the 26 mouth shapes of the 2D head as text meshes: a lower face whose lips, jaw and teeth
// follow a few articulatory settings per viseme (jaw drop, lip spread, rounding, lip opening,
// teeth shown). Run: make_visemes2d OUTPUT_FOLDER (the committed output is resources/visemes2d).
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "views/heads/head2d/viseme_mesh.h"

namespace {

constexpr float kPi = 3.14159265f;

struct Viseme {
    const char* mesh;   // mesh name; the file is named by it in capitals
    float jaw;          // chin drop in pixels
    float spread;       // lip corner distance, 1 = rest
    float round;        // 0 spread lips .. 1 fully rounded and pushed out
    float upOpen;       // upper inner lip above the lip line
    float lowOpen;      // lower inner lip below it (negative: the lip is drawn up under the teeth)
    float topTeeth;     // how far the upper teeth reach below the upper inner lip; < 0: no upper teeth
    float bottomTeeth;  // how far the lower teeth reach above the lower inner lip
    int topTeethCount;  // 5, or 7 where the tongue tip pushes the row forward (wider look)
};

// Open vowels drop the jaw; front vowels spread the lips; back rounded vowels and w pucker them;
// labials close them; f and v tuck the lower lip under the upper teeth; sibilants bring the teeth
// together behind slightly parted lips.
const Viseme kVisemes[] = {
    {"AA", 20, 1.00f, 0.10f, 8, 24, 4, 0, 5},
    {"AE", 15, 1.18f, 0.00f, 7, 17, 6, 4, 5},
    {"AH", 12, 1.02f, 0.10f, 6, 14, 4, 2, 5},
    {"AO", 16, 0.78f, 0.65f, 8, 18, 3, 0, 5},
    {"AW", 15, 0.85f, 0.50f, 8, 18, -1, 2, 5},
    {"AY", 14, 1.08f, 0.10f, 7, 18, 5, 2, 5},
    {"DX", 5, 1.05f, 0.00f, 4, 6, 4, 4, 5},
    {"EH", 9, 1.14f, 0.00f, 6, 11, 6, 4, 7},
    {"ER", 6, 0.80f, 0.50f, 4, 6, -1, 2, 5},
    {"EY", 8, 1.18f, 0.00f, 5, 9, 5, 4, 5},
    {"f", 2, 1.02f, 0.00f, 9, -1, 11, 0, 5},
    {"h", 8, 1.00f, 0.10f, 5, 10, 3, 2, 5},
    {"IH", 6, 1.14f, 0.00f, 5, 7, 5, 4, 5},
    {"IY", 3, 1.32f, 0.00f, 5, 5, 5, 4, 5},
    {"k", 7, 1.05f, 0.00f, 5, 8, 4, 3, 5},
    {"l", 7, 1.05f, 0.00f, 5, 9, 5, 3, 7},
    {"n", 5, 1.05f, 0.00f, 4, 6, 4, 3, 5},
    {"OW", 12, 0.68f, 0.85f, 8, 13, 2, 0, 5},
    {"OY", 11, 0.74f, 0.70f, 7, 12, 2, 0, 5},
    {"s", 2, 1.22f, 0.00f, 4, 4, 4, 4, 5},
    {"SH", 3, 0.82f, 0.60f, 6, 6, 5, 5, 5},
    {"TH", 4, 1.05f, 0.00f, 5, 5, 5, 3, 5},
    {"UH", 5, 0.56f, 1.00f, 6, 7, -1, 0, 5},
    {"w", 3, 0.52f, 1.00f, 3, 4, 0, 0, 5},
    {"x", 0, 0.96f, 0.00f, 0, 0, -1, -8, 5},
    {"y", 4, 1.20f, 0.00f, 4, 5, 4, 3, 5},
};

constexpr float kMouthX = 0.0f;
constexpr float kMouthY = 78.0f;
constexpr float kHalfWidth = 34.0f;  // lip corner at rest

// Where a lip contour lies at t in [-1, 1] (corner to corner): the opening's profile, between a
// lens (spread lips) and an ellipse (rounded lips).
float Profile(float t, float round) {
    const float lens = 1.0f - t * t;
    const float ellipse = std::sqrt(std::max(0.0f, 1.0f - t * t));
    return (1.0f - round) * lens + round * ellipse;
}

// Point of a ring at u in [0, 1): left (0), over the top (0.25), right (0.5), under the bottom.
Vertex2 Ring(float u, float rx, float up, float down, float cy) {
    const float a = 2.0f * kPi * u;
    const float s = std::sin(a);
    return {kMouthX - rx * std::cos(a), cy - (s > 0 ? up : down) * s};
}

CFlatShaded2dMesh Face(const Viseme& v) {
    CFlatShaded2dMesh face;
    face.vertices.resize(60);
    auto& p = face.vertices;
    const float w = kHalfWidth * v.spread;
    const float upThick = (v.mesh[0] == 'x' ? 7.0f : 9.0f) + 5.0f * v.round;
    const float lowThick = (v.mesh[0] == 'x' ? 9.0f : 11.0f) + 5.0f * v.round + (v.lowOpen < 0 ? 3.0f : 0.0f);
    const float squeeze = 1.0f - 0.45f * v.round;  // rounded openings are narrower than the corners
    const float cornerY = kMouthY - 2.0f * (v.spread - 1.0f) * 5.0f;  // spread lips lift the corners a little

    // Lip contours: corners 28 (left) and 34 (right); upper outer 29..33, lower outer 35..39
    // (right to left); mid lines 40..44 and 45..49; inner lip 50..54 and 55..59.
    p[28] = {kMouthX - w, cornerY};
    p[34] = {kMouthX + w, cornerY};
    for (int i = 0; i < 5; ++i) {
        // Even steps across for spread lips, even angles round an ellipse for rounded ones.
        const float even = -1.0f + (i + 1) / 3.0f;
        const float t = (1.0f - v.round) * even - v.round * std::cos((i + 1) * kPi / 6.0f);
        const float x = kMouthX + t * w;
        const float xi = kMouthX + t * w * squeeze;
        const float prof = Profile(t, v.round);
        const float bow = 1.0f - 0.3f * std::exp(-(t / 0.2f) * (t / 0.2f));  // the dip in the upper lip's middle
        const float cy = cornerY + (kMouthY - cornerY) * prof;
        const float innerUp = cy - v.upOpen * prof;
        const float innerLow = cy + v.lowOpen * prof;
        p[50 + i] = {xi, innerUp};
        p[29 + i] = {x, innerUp - upThick * std::sqrt(std::max(0.0f, 1 - t * t)) * bow};
        p[40 + i] = {(x + xi) / 2, (p[29 + i].y + innerUp) / 2};
        // Lower contours run right to left.
        const int j = 4 - i;
        p[55 + j] = {xi, innerLow};
        p[35 + j] = {x, innerLow + lowThick * std::sqrt(std::max(0.0f, 1 - t * t))};
        p[45 + j] = {(x + xi) / 2, (p[35 + j].y + innerLow) / 2};
    }
    // Skin: a ring of 16 around the lips (0..15) and the face's edge of 12 (16..27), both starting
    // at the left and running over the top, as the lip ring does.
    for (int j = 0; j < 16; ++j) {
        p[j] = Ring(j / 16.0f, w + 16.0f + 6.0f * v.round, 26.0f, 30.0f + v.jaw * 0.9f, kMouthY);
    }
    for (int k = 0; k < 12; ++k) {
        const float u = k / 12.0f;
        Vertex2 q = Ring(u, 72.0f - v.jaw * 0.15f, kMouthY - 6.0f, 78.0f + v.jaw, kMouthY);
        face.vertices[16 + k] = q;
    }
    // Polygons 0..27 skin, 28..51 lips.
    const int lipRing[12] = {28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39};
    const float lipU[12] = {0, 1 / 12.f, 2 / 12.f, 3 / 12.f, 4 / 12.f, 5 / 12.f, 0.5f, 7 / 12.f, 8 / 12.f, 9 / 12.f, 10 / 12.f, 11 / 12.f};
    auto nearestLip = [&](float u) {
        int best = 0;
        float bestD = 2;
        for (int i = 0; i < 12; ++i) {
            float d = std::fabs(u - lipU[i]);
            d = std::min(d, 1 - d);
            if (d < bestD - 1e-6f) bestD = d, best = i;
        }
        return best;
    };
    auto add = [&](std::vector<int32_t> corners) { face.parts.push_back({kVisemeParsedColour, std::move(corners)}); };
    for (int j = 0; j < 16; ++j) {  // lips -> inner skin ring, one polygon per ring segment
        const int a = nearestLip(j / 16.0f), b = nearestLip((j + 1) / 16.0f);
        if (a == b) add({j, (j + 1) % 16, lipRing[a]});
        else add({j, (j + 1) % 16, lipRing[b], lipRing[a]});
    }
    for (int k = 0; k < 12; ++k) {  // inner ring -> face edge, one polygon per edge segment
        const int a = (k * 16 + 6) / 12, b = ((k + 1) * 16 + 6) / 12;
        std::vector<int32_t> c = {16 + k, 16 + (k + 1) % 12};
        for (int j = b; j >= a; --j) c.push_back(j % 16);
        add(c);
    }
    auto band = [&](const int outer[7], const int inner[7]) {
        add({outer[0], outer[1], inner[1]});
        for (int i = 1; i < 5; ++i) add({outer[i], outer[i + 1], inner[i + 1], inner[i]});
        add({outer[5], outer[6], inner[5]});
    };
    const int upOuter[7] = {28, 29, 30, 31, 32, 33, 34}, upMid[7] = {28, 40, 41, 42, 43, 44, 34},
              upInner[7] = {28, 50, 51, 52, 53, 54, 34};
    const int lowOuter[7] = {34, 35, 36, 37, 38, 39, 28}, lowMid[7] = {34, 45, 46, 47, 48, 49, 28},
              lowInner[7] = {34, 55, 56, 57, 58, 59, 28};
    band(upOuter, upMid);
    band(upMid, upInner);
    band(lowOuter, lowMid);
    band(lowMid, lowInner);
    return face;
}

// A row of teeth as separate quads; edgeY is the biting edge, the roots go behind the lip.
CFlatShaded2dMesh Teeth(int count, float halfSpan, float edgeY, float height) {
    CFlatShaded2dMesh teeth;
    const float step = 2 * halfSpan / count;
    for (int i = 0; i < count; ++i) {
        const float x0 = kMouthX - halfSpan + i * step + 0.6f, x1 = x0 + step - 1.2f;
        const float rootY = edgeY - height;
        const int base = static_cast<int>(teeth.vertices.size());
        teeth.vertices.push_back({x0, rootY});
        teeth.vertices.push_back({x1, rootY});
        teeth.vertices.push_back({x1, edgeY});
        teeth.vertices.push_back({x0, edgeY});
        teeth.parts.push_back({kVisemeParsedColour, {base, base + 1, base + 2, base + 3}});
    }
    return teeth;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_visemes2d OUTPUT_FOLDER\n");
        return 2;
    }
    for (const Viseme& v : kVisemes) {
        std::string text = kVisemeFileHeader;
        text += WriteVisemeMesh(v.mesh, Face(v));
        if (v.topTeeth >= 0) {
            const float edge = kMouthY - v.upOpen + v.topTeeth;
            text += WriteVisemeMesh("topTeeth", Teeth(v.topTeethCount, 24.0f, edge, 16.0f));
        }
        // Lower teeth: 11 narrow ones, moving with the jaw; their roots run down out of sight.
        CFlatShaded2dMesh bottom = Teeth(11, 22.0f, kMouthY + v.lowOpen - v.bottomTeeth + 16.0f, 16.0f);
        text += WriteVisemeMesh("bottomTeeth", bottom);
        const std::string path = std::string(argv[1]) + "/" + VisemeResourceName(v.mesh) + ".txt";
        std::ofstream out(path, std::ios::binary);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "make_visemes2d: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
