// The parametric head. Units are arbitrary (the head is about 20 tall); y is up and the face looks
// towards -z, where the head view's camera stands.
#include "tools/heads3d/head_geometry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kMouthY = -4.0f;      // the line where the lips meet
constexpr float kMouthHalf = 2.1f;    // half the mouth's width
// The jaw turns about a line through this point (near the ears), parallel to x.
constexpr float kPivotY = -1.2f, kPivotZ = 1.5f;

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
float Smooth(float a, float b, float v) {
    const float t = Clamp01((v - a) / (b - a));
    return t * t * (3 - 2 * t);
}
float Gauss(float d, float w) { return std::exp(-(d / w) * (d / w)); }

// Head profile from the crown down the neck: height, half-width, front and back depth.
struct profile_row {
    float y, rx, rzf, rzb;
};
const profile_row kProfile[] = {
    {10.0f, 0.0f, 0.0f, 0.0f},  {9.7f, 3.3f, 3.6f, 4.0f},   {8.8f, 5.5f, 5.9f, 6.7f},   {6.6f, 6.9f, 7.3f, 8.2f},
    {4.0f, 7.3f, 7.9f, 8.6f},   {1.5f, 7.3f, 8.2f, 8.4f},   {-1.0f, 7.0f, 8.3f, 7.8f},  {-3.5f, 6.6f, 8.0f, 6.8f},
    {-5.5f, 5.8f, 7.6f, 5.4f},  {-7.4f, 4.6f, 6.9f, 4.5f},  {-8.6f, 3.9f, 5.2f, 4.2f},  {-9.5f, 3.8f, 3.4f, 4.0f},
    {-12.0f, 3.9f, 3.4f, 4.2f}, {-15.0f, 4.3f, 3.7f, 4.5f},
};

profile_row ProfileAt(float y) {
    const int n = static_cast<int>(sizeof kProfile / sizeof kProfile[0]);
    if (y >= kProfile[0].y) return kProfile[0];
    for (int i = 0; i + 1 < n; ++i) {
        const profile_row& a = kProfile[i];
        const profile_row& b = kProfile[i + 1];
        if (y <= a.y && y >= b.y) {
            // Catmull-Rom through the neighbouring rows, so the outline has no kinks.
            const profile_row& p0 = kProfile[std::max(0, i - 1)];
            const profile_row& p3 = kProfile[std::min(n - 1, i + 2)];
            const float t = (a.y - y) / (a.y - b.y);
            auto cr = [t](float v0, float v1, float v2, float v3) {
                return 0.5f * (2 * v1 + (-v0 + v2) * t + (2 * v0 - 5 * v1 + 4 * v2 - v3) * t * t +
                               (-v0 + 3 * v1 - 3 * v2 + v3) * t * t * t);
            };
            // Near the crown the curve follows a circle so the top is round, not pointed.
            profile_row r{y, cr(p0.rx, a.rx, b.rx, p3.rx), cr(p0.rzf, a.rzf, b.rzf, p3.rzf), cr(p0.rzb, a.rzb, b.rzb, p3.rzb)};
            if (y > 8.8f) {
                const float s = std::sqrt(std::max(0.0f, 1 - ((y - 8.8f) / 1.2f) * ((y - 8.8f) / 1.2f)));
                r.rx = 5.5f * s, r.rzf = 5.9f * s, r.rzb = 6.7f * s;
            }
            return r;
        }
    }
    return kProfile[n - 1];
}

float LipMask(float x) { return Clamp01(1 - (x / 2.2f) * (x / 2.2f)); }

// How far the face stands out towards the viewer at (x, y).
float FaceRelief(float x, float y) {
    const float ax = std::fabs(x);
    float d = 0;
    // Nose: a ridge from between the eyes to the tip, cut off under the tip.
    if (y < 1.4f && y > -2.6f) {
        const float t = Clamp01((1.3f - y) / 3.2f);
        const float h = (0.35f + 1.9f * std::pow(t, 1.4f)) * Smooth(-2.35f, -1.55f, y);
        const float w = 0.5f + 0.45f * t;
        d += h * Gauss(x, w);
    }
    d += 0.5f * Gauss(ax - 0.8f, 0.42f) * Gauss(y + 1.75f, 0.38f);       // nostril wings
    d += 0.55f * Gauss(y - 2.45f, 0.55f) * Gauss(x, 3.6f) * Gauss(x, 3.6f);  // brow ridge
    d -= 0.95f * Gauss(ax - 2.55f, 1.2f) * Gauss(y - 1.0f, 0.9f);        // eye sockets
    d += 0.45f * Gauss(ax - 3.5f, 1.6f) * Gauss(y + 0.8f, 1.5f);         // cheekbones
    d += 0.35f * Gauss(y - (kMouthY + 1.1f), 0.8f) * Gauss(x, 2.2f);     // above the upper lip
    const float lips = std::exp(-std::pow(x / 1.95f, 4.0f));
    d += 0.6f * Gauss(y - (kMouthY + 0.33f), 0.3f) * lips;               // upper lip
    d += 0.65f * Gauss(y - (kMouthY - 0.4f), 0.34f) * lips;              // lower lip
    d -= 0.22f * Gauss(y - (kMouthY - 1.1f), 0.3f) * Gauss(x, 1.6f);     // fold under the lip
    d += 0.55f * Gauss(x, 1.5f) * Gauss(y + 6.9f, 1.0f);                 // chin
    return d;
}

// How much of the eyebrow covers the skin at (x, y) on the side theta: 0..1, soft at the edges.
float BrowWeight(float x, float y, float theta) {
    const float ax = std::fabs(x);
    if (std::cos(theta) < 0.3f) return 0;
    const float centre = 2.35f + 0.3f * (1 - std::pow((ax - 2.45f) / 1.45f, 2.0f));
    const float half = 0.24f - 0.07f * Clamp01((ax - 1.0f) / 3.0f);
    return (1 - Smooth(half - 0.06f, half + 0.06f, std::fabs(y - centre))) * Smooth(0.85f, 1.15f, ax) * (1 - Smooth(3.75f, 4.05f, ax));
}

// How much of the lips' red covers the skin at (x, y) on the side theta: a bow on top, a fuller
// curve below, soft at the edges.
float LipWeight(float x, float y, float theta) {
    const float ax = std::fabs(x);
    if (std::cos(theta) < 0.3f || ax > kMouthHalf + 0.2f) return 0;
    const float across = std::pow(Clamp01(1 - (x / (kMouthHalf + 0.05f)) * (x / (kMouthHalf + 0.05f))), 0.55f);
    const float top = kMouthY + 0.05f + 0.55f * across + 0.07f * Gauss(ax - 0.4f, 0.25f) - 0.05f * Gauss(x, 0.15f);
    const float bottom = kMouthY - 0.05f - 0.68f * across;
    return Smooth(bottom - 0.05f, bottom + 0.05f, y) * (1 - Smooth(top - 0.05f, top + 0.05f, y));
}

// How much hair covers the head at (x, y) on the side theta.
float HairWeight(float x, float y, float theta) {
    // Level across the forehead, falling towards the back of the neck.
    const float c = std::min(1.0f, std::cos(theta) / 0.9f);
    const float hairline = 5.3f - 6.8f * (1 - c) / 2 + 0.0f * x;
    const float ears = Gauss(std::fabs(std::fabs(theta) - kPi / 2), 0.25f) * (1 - Smooth(2.0f, 3.0f, y));
    return Smooth(hairline - 0.12f, hairline + 0.12f, y) * (1 - ears);
}

struct builder {
    mesh_file mesh;
    head_part* part;
    // Normals point away from this point (set per primitive).
    d3d_vector3 centre;
    std::vector<d3d_vector3> centres;
    int Add(float x, float y, float z, float u, float v, int role) {
        centres.push_back(centre);
        ModelVertex w{};
        w.x = x, w.y = y, w.z = z, w.u = u, w.v = v;
        mesh.mesh.buffer.vertices.push_back(w);
        part->role.push_back(role);
        for (auto* list : {&part->jaw_weight, &part->upper_lip, &part->lower_lip, &part->mouth_area, &part->lip_edge, &part->front})
            list->push_back(0);
        return static_cast<int>(mesh.mesh.buffer.vertices.size() - 1);
    }
    void Tri(int a, int b, int c, uint32_t material) {
        mesh.mesh.indices.insert(mesh.mesh.indices.end(), {static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<uint32_t>(c)});
        mesh.mesh.attributes.push_back(material);
    }
    uint32_t Material(const std::string& name, float r, float g, float b, const std::string& texture) {
        mesh_material m;
        m.name = name;
        m.material.diffuse = {r, g, b, 1};
        // A little of the colour shows where no light falls, so the shadowed side is not black.
        m.material.emissive = {0.2f * r, 0.2f * g, 0.2f * b, 0};
        if (name == "cavity") m.material.emissive = {0.9f * r, 0.9f * g, 0.9f * b, 0};
        m.texture_file = texture;
        mesh.materials.push_back(m);
        return static_cast<uint32_t>(mesh.materials.size() - 1);
    }
};

// An ellipsoid with poles on the z axis (the first facing the viewer), or only its back half (a
// bowl open towards the viewer); material by the angle from the front pole.
void Ellipsoid(builder& b, float cx, float cy, float cz, float rx, float ry, float rz, int rings, int segments, int role,
               const std::function<uint32_t(float)>& material_of, bool back_half_only, bool planar_uv) {
    b.centre = {cx, cy, cz};
    const float start = back_half_only ? kPi / 2 : 0;
    const float step = (kPi - start) / (rings + 1);
    const int front = back_half_only ? -1 : b.Add(cx, cy, cz - rz, 0.5f, 0.5f, role);
    std::vector<std::vector<int>> ring_ids;
    for (int i = back_half_only ? 0 : 1; i <= rings; ++i) {
        const float phi = start + step * i;
        std::vector<int> ids;
        for (int j = 0; j < segments; ++j) {
            const float psi = 2 * kPi * j / segments;
            const float sx = std::sin(phi) * std::cos(psi), sy = std::sin(phi) * std::sin(psi);
            float u = 0.5f + 0.5f * sx, v = 0.5f - 0.5f * sy;
            if (!planar_uv) u = static_cast<float>(j) / segments, v = phi / kPi;
            ids.push_back(b.Add(cx + rx * sx, cy + ry * sy, cz - rz * std::cos(phi), u, v, role));
        }
        ring_ids.push_back(ids);
    }
    const int back = b.Add(cx, cy, cz + rz, 0.5f, 0.5f, role);
    if (front >= 0)
        for (int j = 0; j < segments; ++j) b.Tri(front, ring_ids[0][(j + 1) % segments], ring_ids[0][j], material_of(step * 0.5f));
    for (std::size_t i = 0; i + 1 < ring_ids.size(); ++i) {
        const float phi = start + step * (static_cast<float>(i) + (back_half_only ? 0.5f : 1.5f));
        for (int j = 0; j < segments; ++j) {
            const int a = ring_ids[i][j], c = ring_ids[i][(j + 1) % segments];
            const int d = ring_ids[i + 1][j], e = ring_ids[i + 1][(j + 1) % segments];
            b.Tri(a, c, e, material_of(phi));
            b.Tri(a, e, d, material_of(phi));
        }
    }
    for (int j = 0; j < segments; ++j) b.Tri(back, ring_ids.back()[j], ring_ids.back()[(j + 1) % segments], material_of(kPi));
}

// A patch of a sphere around the front of an eye between two elevations (radians above the
// eye's middle); its first row of triangles (at `from`) takes the edge material.
void Lid(builder& b, float cx, float cy, float cz, float r, float from, float to, uint32_t edge, uint32_t material, int rows,
         int columns) {
    b.centre = {cx, cy, cz};
    std::vector<std::vector<int>> ids(rows + 1);
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= columns; ++j) {
            const float e = from + (to - from) * i / rows, a = -1.7f + 3.4f * j / columns;
            ids[i].push_back(b.Add(cx + r * std::cos(e) * std::sin(a), cy + r * std::sin(e), cz - r * std::cos(e) * std::cos(a),
                                   static_cast<float>(j) / columns, static_cast<float>(i) / rows, 0));
        }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const uint32_t m = i == 0 ? edge : material;
            b.Tri(ids[i][j], ids[i][j + 1], ids[i + 1][j + 1], m);
            b.Tri(ids[i][j], ids[i + 1][j + 1], ids[i + 1][j], m);
        }
}

// A tooth: a rounded block standing on the arc, `top` to `bottom` in y, facing the viewer.
void Tooth(builder& b, float x, float z, float width, float depth, float top, float bottom, float facing, int role,
           uint32_t material, int around) {
    const int levels = 3;
    b.centre = {x, 0.5f * (top + bottom), z + 0.3f};
    std::vector<std::vector<int>> rings;
    const float c = std::cos(facing), s = std::sin(facing);
    for (int l = 0; l < levels; ++l) {
        const float t = static_cast<float>(l) / (levels - 1);
        const float y = top + (bottom - top) * t;
        // The biting edge is thinner than the root.
        const float taper = 1 - 0.35f * (top > bottom ? t : 1 - t);
        std::vector<int> ids;
        for (int k = 0; k < around; ++k) {
            const float a = 2 * kPi * k / around;
            const float lx = 0.5f * width * std::cos(a), lz = 0.5f * depth * taper * std::sin(a);
            ids.push_back(b.Add(x + c * lx - s * lz, y, z + s * lx + c * lz, static_cast<float>(k) / around, t, role));
        }
        rings.push_back(ids);
    }
    const int edge = b.Add(x, bottom, z, 0.5f, 1, role);
    for (int l = 0; l + 1 < levels; ++l)
        for (int k = 0; k < around; ++k) {
            const int a = rings[l][k], d = rings[l][(k + 1) % around], e = rings[l + 1][(k + 1) % around], f = rings[l + 1][k];
            b.Tri(a, d, e, material);
            b.Tri(a, e, f, material);
        }
    for (int k = 0; k < around; ++k) b.Tri(edge, rings.back()[(k + 1) % around], rings.back()[k], material);
}

// The dental arc: z of the teeth's front at x.
float ArcZ(float x) { return -7.55f + 0.24f * x * x; }
float ArcFacing(float x) { return std::atan(0.48f * x); }

}  // namespace

void HeadSkinTexel(float u, float v, float out[3]) {
    const float theta = (u - 0.5f) * 2 * kPi, y = 10.5f - 26.0f * v;
    const float x = ProfileAt(y).rx * std::sin(theta);
    const float hair = HairWeight(x, y, theta), brow = BrowWeight(x, y, theta), lip = LipWeight(x, y, theta);
    // Colours relative to the skin material they are multiplied with.
    const float hair_rgb[3] = {0.45f, 0.37f, 0.26f}, brow_rgb[3] = {0.3f, 0.25f, 0.19f}, lip_rgb[3] = {0.95f, 0.5f, 0.56f};
    for (int k = 0; k < 3; ++k) {
        out[k] = out[k] * (1 - lip) + lip_rgb[k] * out[k] * lip;
        out[k] = out[k] * (1 - hair) + hair_rgb[k] * hair;
        out[k] = out[k] * (1 - brow) + brow_rgb[k] * brow;
    }
}

mouth_pose PoseOf(const std::string& code) {
    //                                 jaw   open  round spread closed tuck tongue tip
    static const std::map<std::string, mouth_pose> poses = {
        {"x", {}},
        {"AA", {1.0f, 0.35f, 0, 0.2f, 0, 0, 0, 0}},   {"AE", {0.75f, 0.3f, 0, 0.45f, 0, 0, 0, 0}},
        {"AH", {0.65f, 0.25f, 0, 0.1f, 0, 0, 0, 0}},  {"AO", {0.75f, 0.25f, 0.5f, 0, 0, 0, 0, 0}},
        {"AW", {0.65f, 0.2f, 0.6f, 0, 0, 0, 0, 0}},   {"AY", {0.75f, 0.3f, 0, 0.35f, 0, 0, 0, 0}},
        {"CH", {0.25f, 0.3f, 0.65f, 0, 0, 0, 0, 0.3f}}, {"DH", {0.3f, 0.2f, 0, 0.1f, 0, 0, 1, 0}},
        {"EH", {0.5f, 0.3f, 0, 0.45f, 0, 0, 0, 0}},   {"ER", {0.35f, 0.2f, 0.45f, 0, 0, 0, 0, 0.3f}},
        {"EY", {0.45f, 0.3f, 0, 0.65f, 0, 0, 0, 0}},  {"IH", {0.35f, 0.3f, 0, 0.65f, 0, 0, 0, 0}},
        {"IY", {0.2f, 0.35f, 0, 1.0f, 0, 0, 0, 0}},   {"NG", {0.35f, 0.15f, 0, 0.1f, 0, 0, 0, 0}},
        {"OW", {0.55f, 0.15f, 0.85f, 0, 0, 0, 0, 0}}, {"OY", {0.5f, 0.15f, 0.75f, 0, 0, 0, 0, 0}},
        {"SH", {0.2f, 0.3f, 0.75f, 0, 0, 0, 0, 0.2f}}, {"TH", {0.3f, 0.2f, 0, 0.1f, 0, 0, 1, 0}},
        {"UH", {0.35f, 0.15f, 0.65f, 0, 0, 0, 0, 0}}, {"UW", {0.2f, 0.1f, 1.0f, 0, 0, 0, 0, 0}},
        {"ZH", {0.2f, 0.3f, 0.65f, 0, 0, 0, 0, 0.2f}}, {"b", {0, 0, 0, 0, 1, 0, 0, 0}},
        {"d", {0.3f, 0.25f, 0, 0.2f, 0, 0, 0, 1}},    {"f", {0.15f, 0, 0, 0.1f, 0, 1, 0, 0}},
        {"g", {0.4f, 0.2f, 0, 0.1f, 0, 0, 0, 0}},     {"h", {0.5f, 0.25f, 0, 0.1f, 0, 0, 0, 0}},
        {"j", {0.25f, 0.3f, 0.55f, 0, 0, 0, 0, 0.3f}}, {"k", {0.4f, 0.2f, 0, 0.1f, 0, 0, 0, 0}},
        {"l", {0.35f, 0.25f, 0, 0.15f, 0, 0, 0, 1}},  {"m", {0, 0, 0, 0, 1, 0, 0, 0}},
        {"n", {0.3f, 0.25f, 0, 0.15f, 0, 0, 0, 1}},   {"p", {0, 0, 0, 0, 1, 0, 0, 0}},
        {"r", {0.3f, 0.2f, 0.5f, 0, 0, 0, 0, 0.4f}},  {"s", {0.12f, 0.35f, 0, 0.6f, 0, 0, 0, 0.3f}},
        {"t", {0.3f, 0.25f, 0, 0.2f, 0, 0, 0, 1}},    {"v", {0.15f, 0, 0, 0.1f, 0, 1, 0, 0}},
        {"w", {0.2f, 0.05f, 1.0f, 0, 0, 0, 0, 0}},    {"y", {0.25f, 0.3f, 0, 0.6f, 0, 0, 0, 0.3f}},
        {"z", {0.12f, 0.35f, 0, 0.6f, 0, 0, 0, 0.3f}},
    };
    auto it = poses.find(code);
    return it == poses.end() ? mouth_pose{} : it->second;
}

head_builder::head_builder(head_detail detail) : detail_(detail) {
    parts_.resize(5);
    const char* names[] = {"Head", "Gums", "Teeth", "Eyes", "UpperTeeth"};
    for (int i = 0; i < 5; ++i) parts_[i].name = names[i];
    BuildMouthParts();
    BuildEyes();
    BuildHead();
}

void head_builder::BuildHead() {
    head_part& part = parts_[0];
    builder b{{}, &part, {}, {}};
    const bool high = detail_ == head_detail::high;
    const uint32_t skin = b.Material("skin", 0.66f, 0.5f, 0.42f, high ? "skin.jpg" : "");
    const uint32_t lips = b.Material("lips", 0.66f, 0.32f, 0.32f, "");
    const uint32_t brows = b.Material("brows", 0.2f, 0.13f, 0.08f, high ? "hair.jpg" : "");
    const uint32_t hair = b.Material("hair", 0.3f, 0.19f, 0.11f, high ? "hair.jpg" : "");

    // Rings from the crown down, closer where the face has detail, one exactly on the mouth line.
    const float scale = high ? 1.0f : 2.1f;
    std::vector<float> ys;
    for (float y = 9.9f; y > -15.0f;) {
        ys.push_back(y);
        float step = 0.62f;
        if (y < 4.0f && y > -8.5f) step = 0.3f;
        if (std::fabs(y - kMouthY) < 1.3f) step = 0.17f;
        y -= step * scale;
    }
    ys.push_back(-15.0f);
    int mouth_ring = 0;
    for (std::size_t i = 0; i < ys.size(); ++i)
        if (std::fabs(ys[i] - kMouthY) < std::fabs(ys[mouth_ring] - kMouthY)) mouth_ring = static_cast<int>(i);
    ys[mouth_ring] = kMouthY;

    const std::size_t others = high ? parts_[1].rest.mesh.buffer.vertices.size() + parts_[2].rest.mesh.buffer.vertices.size() +
                                          parts_[3].rest.mesh.buffer.vertices.size() + parts_[4].rest.mesh.buffer.vertices.size()
                                    : 0;
    const std::size_t budget = (high ? 6435 : 1672) - others;
    // As many columns as the budget allows, leaving room for the neck's cap.
    int columns = 8;
    auto count_for = [&](int cols) {
        int dups = 0;
        for (int j = 0; j < cols; ++j) {
            const float u = 2.0f * j / cols - 1;
            const float theta = kPi * (0.55f * u + 0.45f * u * u * u);
            const float x = ProfileAt(kMouthY).rx * std::sin(theta);
            if (std::cos(theta) > 0 && std::fabs(x) < kMouthHalf) ++dups;
        }
        return 1 + ys.size() * cols + std::max(0, dups - 2);
    };
    while (count_for(columns + 2) + 5 <= budget) columns += 2;

    b.centre = {0, -1.0f, 0.5f};
    const int pole = b.Add(0, 10.0f, 0, 0.5f, 0, 1);
    std::vector<std::vector<int>> ids(ys.size(), std::vector<int>(columns));
    std::vector<int> lower_copy(columns, -1);
    std::vector<float> thetas(columns);
    for (int j = 0; j < columns; ++j) {
        const float u = 2.0f * j / columns - 1;
        thetas[j] = kPi * (0.55f * u + 0.45f * u * u * u);
    }
    auto surface = [&](float y, float theta, float& x, float& z) {
        const profile_row r = ProfileAt(y);
        const float c = std::cos(theta), s = std::sin(theta);
        const float rz = r.rzb + (r.rzf - r.rzb) * Smooth(-0.2f, 0.2f, c);
        x = r.rx * s;
        z = -rz * c;
        const float front = Clamp01((c - 0.15f) / 0.35f);
        z -= front * FaceRelief(x, y);
        // Ears: a flattened bump on each side.
        const float ear = 1.1f * Gauss(std::fabs(theta) - kPi / 2 - 0.08f, 0.16f) * Gauss(y - 0.2f, 1.5f);
        x += (s > 0 ? 1 : -1) * ear * std::fabs(s);
    };
    for (std::size_t i = 0; i < ys.size(); ++i)
        for (int j = 0; j < columns; ++j) {
            float x, z;
            surface(ys[i], thetas[j], x, z);
            const float u = thetas[j] / (2 * kPi) + 0.5f, v = (10.5f - ys[i]) / 26.0f;
            ids[i][j] = b.Add(x, ys[i], z, u, v, 1);
        }
    // The mouth line: inside the mouth each vertex gets a copy for the lower lip; the corners stay
    // shared so the lips close there.
    std::vector<int> inside;
    for (int j = 0; j < columns; ++j) {
        const ModelVertex& v = b.mesh.mesh.buffer.vertices[ids[mouth_ring][j]];
        if (std::cos(thetas[j]) > 0 && std::fabs(v.x) < kMouthHalf) inside.push_back(j);
    }
    for (std::size_t k = 1; k + 1 < inside.size(); ++k) {
        const int j = inside[k];
        const ModelVertex v = b.mesh.mesh.buffer.vertices[ids[mouth_ring][j]];
        lower_copy[j] = b.Add(v.x, v.y, v.z, v.u, v.v, 1);
    }
    // Lips roll inwards along the line.
    for (int j : inside) {
        for (int id : {ids[mouth_ring][j], lower_copy[j]}) {
            if (id < 0) continue;
            ModelVertex& v = b.mesh.mesh.buffer.vertices[id];
            v.z += 0.35f * LipMask(v.x);
            part.lip_edge[id] = 1;
        }
    }
    // Triangles, with the material of the region they lie in.
    auto material_at = [&](float x, float y, float theta) {
        const float ax = std::fabs(x), c = std::cos(theta);
        (void)ax, (void)c;
        // The high-detail head paints lips, brows and hair into its skin texture, with soft edges.
        if (high) return skin;
        if (LipWeight(x, y, theta) > 0.5f) return lips;
        if (BrowWeight(x, y, theta) > 0.5f) return brows;
        if (HairWeight(x, y, theta) > 0.5f) return hair;
        return skin;
    };
    auto vid = [&](std::size_t i, int j, bool below_line) {
        if (static_cast<int>(i) == mouth_ring && below_line && lower_copy[j] >= 0) return lower_copy[j];
        return ids[i][j];
    };
    for (int j = 0; j < columns; ++j) b.Tri(pole, ids[0][(j + 1) % columns], ids[0][j], hair);
    for (std::size_t i = 0; i + 1 < ys.size(); ++i)
        for (int j = 0; j < columns; ++j) {
            const int j2 = (j + 1) % columns;
            const int a = vid(i, j, true), c = vid(i, j2, true), d = vid(i + 1, j, false), e = vid(i + 1, j2, false);
            const float th = 0.5f * (thetas[j] + (j2 == 0 ? kPi : thetas[j2]));
            const ModelVertex& va = b.mesh.mesh.buffer.vertices[a];
            const ModelVertex& ve = b.mesh.mesh.buffer.vertices[e];
            const uint32_t m = material_at(0.5f * (va.x + ve.x), 0.5f * (ys[i] + ys[i + 1]), th);
            b.Tri(a, c, e, m);
            b.Tri(a, e, d, m);
        }
    // Weights of the mouth's movements, from the rest position.
    const auto& vs = b.mesh.mesh.buffer.vertices;
    for (std::size_t k = 1; k < vs.size(); ++k) {
        const ModelVertex& v = vs[k];
        bool lower = v.y < kMouthY - 1e-4f;
        for (int j = 0; j < columns; ++j)
            if (static_cast<int>(k) == lower_copy[j]) lower = true;
        const float ax = std::fabs(v.x);
        const float front = Clamp01((-v.z / std::max(1.0f, std::sqrt(v.x * v.x + v.z * v.z)) - 0.05f) / 0.4f);
        if (lower) {
            const float side = Clamp01(1 - (ax - 2.2f) / 3.4f);
            const float neck = Clamp01((v.y + 10.2f) / 2.4f);
            // Near the mouth corners the lower lip follows the jaw only partly.
            const float corner = 1 - 0.5f * Gauss(v.y - kMouthY, 0.6f) * Smooth(1.2f, kMouthHalf + 0.2f, ax);
            part.jaw_weight[k] = side * neck * front * corner;
            part.lower_lip[k] = Gauss(v.y - kMouthY, 0.8f) * LipMask(v.x) * front;
        } else {
            part.upper_lip[k] = Gauss(v.y - kMouthY, 0.7f) * LipMask(v.x) * front;
        }
        part.mouth_area[k] = Gauss(v.x, 2.9f) * Gauss(v.y - kMouthY, 1.5f) * front;
        part.front[k] = front;
    }
    ComputeNormals(b.mesh, b.centres);
    part.rest = std::move(b.mesh);
    // The neck's open end gets a cap, sized so the head has exactly its vertex count.
    PadTo(part, budget, 0, -15.0f, 0.3f, 3.9f);
}

void head_builder::BuildMouthParts() {
    const bool high = detail_ == head_detail::high;
    const int around = high ? 10 : 6;
    // Lower gums, tongue and the mouth's dark cavity.
    {
        head_part& part = parts_[1];
        builder b{{}, &part, {}, {}};
        const uint32_t gums = b.Material("gums", 0.62f, 0.3f, 0.32f, high ? "gums.jpg" : "");
        const uint32_t tongue = b.Material("tongue", 0.66f, 0.28f, 0.28f, high ? "lips.jpg" : "");
        const uint32_t cavity = b.Material("cavity", 0.16f, 0.03f, 0.04f, high ? "gums.jpg" : "");
        Ellipsoid(b, 0, -4.6f, -6.8f, 2.7f, 2.2f, 3.0f, high ? 9 : 4, high ? 24 : 12, 0, [&](float) { return cavity; }, true, false);
        const std::size_t tongue_first = b.mesh.mesh.buffer.vertices.size();
        Ellipsoid(b, 0, -4.7f, -5.7f, 1.45f, 0.5f, 1.5f, high ? 8 : 4, high ? 16 : 8, 3, [&](float) { return tongue; }, false, false);
        (void)tongue_first;
        // The lower gum: a band along the dental arc, below the teeth.
        const int columns = high ? 16 : 8;
        std::vector<int> rows[3];
        b.centre = {0, -5.0f, -4.0f};
        const float ry[3] = {-4.9f, -5.2f, -5.55f}, rz[3] = {0.35f, 0.25f, 0.8f};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c <= columns; ++c) {
                const float x = -2.25f + 4.5f * c / columns;
                rows[r].push_back(b.Add(x, ry[r], ArcZ(x) + rz[r], static_cast<float>(c) / columns, r / 2.0f, 2));
            }
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < columns; ++c) {
                b.Tri(rows[r][c], rows[r][c + 1], rows[r + 1][c + 1], gums);
                b.Tri(rows[r][c], rows[r + 1][c + 1], rows[r + 1][c], gums);
            }
        ComputeNormals(b.mesh, b.centres);
        part.rest = std::move(b.mesh);
    }
    // Lower teeth and upper teeth (with the upper gum).
    for (int upper = 0; upper < 2; ++upper) {
        head_part& part = parts_[upper ? 4 : 2];
        builder b{{}, &part, {}, {}};
        const uint32_t teeth = b.Material("teeth", 0.7f, 0.68f, 0.62f, high ? "teeth.tga" : "");
        const float widths[] = {0.42f, 0.36f, 0.4f, 0.45f, 0.48f};
        float x = 0;
        for (int k = 0; k < 5; ++k) {
            const float w = widths[k] * (upper ? 1.0f : 0.85f);
            const float cx = x + w / 2;
            for (int side = -1; side <= 1; side += 2) {
                const float tx = side * cx;
                if (upper)
                    Tooth(b, tx, ArcZ(tx) + 0.22f, w * 0.95f, 0.45f, -3.25f, -4.15f, ArcFacing(tx), 0, teeth, around);
                else
                    Tooth(b, tx, ArcZ(tx) + 0.42f, w * 0.95f, 0.42f, -4.95f, -4.2f, ArcFacing(tx), 2, teeth, around);
            }
            x += w;
        }
        if (upper) {
            const uint32_t gums = b.Material("gums", 0.62f, 0.3f, 0.32f, high ? "gums.jpg" : "");
            const int columns = high ? 16 : 8;
            std::vector<int> rows[3];
            b.centre = {0, -3.0f, -4.0f};
            const float ry[3] = {-3.3f, -2.95f, -2.6f}, rz[3] = {0.05f, -0.08f, 0.5f};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c <= columns; ++c) {
                    const float gx = -2.3f + 4.6f * c / columns;
                    rows[r].push_back(b.Add(gx, ry[r], ArcZ(gx) + rz[r], static_cast<float>(c) / columns, r / 2.0f, 0));
                }
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < columns; ++c) {
                    b.Tri(rows[r][c], rows[r + 1][c + 1], rows[r][c + 1], gums);
                    b.Tri(rows[r][c], rows[r + 1][c], rows[r + 1][c + 1], gums);
                }
        }
        ComputeNormals(b.mesh, b.centres);
        part.rest = std::move(b.mesh);
    }
    if (!high) PadTo(parts_[1], 162, 0, -5.0f, -5.0f, 0.4f);
    if (!high) PadTo(parts_[2], 494, 0, -5.2f, -6.6f, 0.3f);
}

void head_builder::BuildEyes() {
    const bool high = detail_ == head_detail::high;
    head_part& part = parts_[3];
    builder b{{}, &part, {}, {}};
    if (high) {
        const uint32_t eye = b.Material("eye", 0.7f, 0.7f, 0.7f, "eye.tga");
        for (int side = -1; side <= 1; side += 2)
            Ellipsoid(b, side * 2.55f, 1.0f, -6.55f, 1.15f, 1.15f, 1.15f, 14, 22, 0, [&](float) { return eye; }, false, true);
    } else {
        const uint32_t white = b.Material("sclera", 0.7f, 0.7f, 0.68f, "");
        const uint32_t iris = b.Material("iris", 0.22f, 0.33f, 0.45f, "");
        const uint32_t pupil = b.Material("pupil", 0.02f, 0.02f, 0.02f, "");
        auto material = [&](float phi) { return phi < 0.2f ? pupil : phi < 0.5f ? iris : white; };
        for (int side = -1; side <= 1; side += 2)
            Ellipsoid(b, side * 2.55f, 1.0f, -6.55f, 1.15f, 1.15f, 1.15f, 9, 14, 0, material, false, false);
    }
    // Lids: skin over the top and bottom of each eye, a dark lash line along the upper lid's edge.
    const uint32_t lid = b.Material("lid", 0.66f, 0.5f, 0.42f, high ? "skin.jpg" : "");
    const uint32_t lash = b.Material("lash", 0.12f, 0.08f, 0.06f, high ? "hair.jpg" : "");
    for (int side = -1; side <= 1; side += 2) {
        Lid(b, side * 2.55f, 1.0f, -6.55f, 1.22f, 0.32f, 1.5f, lash, lid, high ? 6 : 3, high ? 14 : 8);
        Lid(b, side * 2.55f, 1.0f, -6.55f, 1.2f, -1.5f, -0.62f, lid, lid, high ? 4 : 2, high ? 14 : 8);
    }
    // Each eye's normals point out of its own centre.
    for (ModelVertex& v : b.mesh.mesh.buffer.vertices) {
        const float cx = v.x < 0 ? -2.55f : 2.55f;
        float nx = v.x - cx, ny = v.y - 1.0f, nz = v.z + 6.55f;
        const float l = std::sqrt(nx * nx + ny * ny + nz * nz);
        v.nx = nx / l, v.ny = ny / l, v.nz = nz / l;
    }
    part.rest = std::move(b.mesh);
}

void head_builder::PadTo(head_part& part, std::size_t count, float cx, float cy, float cz, float radius) {
    auto& vs = part.rest.mesh.buffer.vertices;
    if (vs.size() + 4 > count) return;
    const int ring = static_cast<int>(count - vs.size() - 1);
    const int centre = static_cast<int>(vs.size());
    builder b{std::move(part.rest), &part, {}, {}};
    const uint32_t material = 0;
    b.Add(cx, cy, cz, 0.5f, 0.5f, 0);
    for (int k = 0; k < ring; ++k) {
        const float a = 2 * kPi * k / ring;
        b.Add(cx + radius * std::cos(a), cy, cz + radius * std::sin(a), 0.5f, 0.5f, 0);
    }
    for (int k = 0; k < ring; ++k) b.Tri(centre, centre + 1 + k, centre + 1 + (k + 1) % ring, material);
    for (int k = centre; k < centre + 1 + ring; ++k) {
        ModelVertex& v = b.mesh.mesh.buffer.vertices[k];
        v.nx = 0, v.ny = -1, v.nz = 0;
    }
    part.rest = std::move(b.mesh);
}

mesh_file head_builder::Posed(const head_part& part, const mouth_pose& p) const {
    mesh_file out = part.rest;
    const float angle = 0.3f * p.jaw;
    const float c = std::cos(angle), s = std::sin(angle);
    auto turn = [&](ModelVertex& v, float w) {
        const float dy = v.y - kPivotY, dz = v.z - kPivotZ;
        const float ny = kPivotY + dy * c + dz * s, nz = kPivotZ - dy * s + dz * c;
        v.y += w * (ny - v.y);
        v.z += w * (nz - v.z);
    };
    auto& vs = out.mesh.buffer.vertices;
    for (std::size_t k = 0; k < vs.size(); ++k) {
        ModelVertex& v = vs[k];
        switch (part.role[k]) {
            case 1: {
                const float wm = part.mouth_area[k], ul = part.upper_lip[k], ll = part.lower_lip[k];
                const float ax = std::fabs(v.x);
                // Rounding draws the corners in towards the middle; spreading pulls them apart.
                const float corners = Gauss(v.y - kMouthY, 1.3f) * Gauss(std::max(0.0f, ax - 1.5f), 1.8f) * part.front[k];
                v.x *= 1 - 0.42f * p.round * std::max(wm, corners) + 0.17f * p.spread * wm;
                v.z += (-0.95f * p.round + 0.15f * p.spread) * wm;
                v.y += 0.14f * p.spread * wm * std::min(1.0f, ax / kMouthHalf);
                const float part_lips = 0.3f * p.open + 0.06f * p.round;
                // The upper lip lifts off the teeth as the mouth opens.
                v.y += ul * (part_lips + 0.22f * p.open + 0.18f * p.jaw - 0.05f * p.closed);
                v.y -= ll * part_lips;
                v.z += 0.15f * p.closed * (ul + ll);
                // Rounded lips stay close together in front of the teeth, leaving a small opening.
                v.z -= 0.8f * p.round * std::max(ul, ll);
                v.y += ll * 2.0f * p.round * p.jaw - ul * 0.08f * p.round;
                v.y += ll * 0.5f * p.tuck;
                v.z += ll * 0.95f * p.tuck;
                turn(v, part.jaw_weight[k]);
                break;
            }
            case 2: turn(v, 1); break;
            case 3:
                v.y += 0.3f * p.tongue + 0.45f * p.tip;
                v.z -= 1.6f * p.tongue + 0.35f * p.tip;
                turn(v, 1);
                break;
            default: break;
        }
    }
    return out;
}

void ComputeNormals(mesh_file& file, const std::vector<d3d_vector3>& centres) {
    auto& vs = file.mesh.buffer.vertices;
    std::vector<d3d_vector3> n(vs.size());
    const auto& idx = file.mesh.indices;
    for (std::size_t t = 0; t + 2 < idx.size(); t += 3) {
        const ModelVertex &a = vs[idx[t]], &b = vs[idx[t + 1]], &c = vs[idx[t + 2]];
        const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const d3d_vector3 f{uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
        for (int k = 0; k < 3; ++k) n[idx[t + k]].x += f.x, n[idx[t + k]].y += f.y, n[idx[t + k]].z += f.z;
    }
    // Windings differ between primitives: each normal is turned away from its primitive's centre.
    for (std::size_t k = 0; k < vs.size(); ++k) {
        const d3d_vector3& c = centres[k];
        const float out = n[k].x * (vs[k].x - c.x) + n[k].y * (vs[k].y - c.y) + n[k].z * (vs[k].z - c.z);
        const float sign = out < 0 ? -1.0f : 1.0f;
        const float l = std::sqrt(n[k].x * n[k].x + n[k].y * n[k].y + n[k].z * n[k].z);
        if (l > 0) vs[k].nx = sign * n[k].x / l, vs[k].ny = sign * n[k].y / l, vs[k].nz = sign * n[k].z / l;
        else vs[k].nx = 0, vs[k].ny = 1, vs[k].nz = 0;
    }
}
