// The 2D head's meshes: text format reader and writer, sums and blends, shape sets, phoneme map.
#include "views/heads/head2d/viseme_mesh.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

void CFlatShaded2dMesh::SetPartColors(size_t first, size_t end, uint32_t colour) {
    for (size_t i = first; i < std::min(end, parts.size()); ++i) parts[i].colour = colour;
}

void CFlatShaded2dMesh::WeightedSum(const std::vector<std::pair<const CFlatShaded2dMesh*, float>>& list) {
    if (list.empty() || list.front().first == nullptr) return;
    const CFlatShaded2dMesh& first = *list.front().first;
    if (vertices.size() != first.vertices.size()) vertices.assign(first.vertices.size(), Vertex2{});
    if (parts.size() != first.parts.size()) parts = first.parts;
    std::fill(vertices.begin(), vertices.end(), Vertex2{});
    for (const auto& [mesh, weight] : list) {
        if (mesh == nullptr || mesh->vertices.size() != vertices.size()) continue;
        for (size_t i = 0; i < vertices.size(); ++i) {
            vertices[i].x += weight * mesh->vertices[i].x;
            vertices[i].y += weight * mesh->vertices[i].y;
        }
    }
}

std::vector<Vertex2> CFlatShaded2dMesh::Blended(const CFlatShaded2dMesh& from, float t) const {
    std::vector<Vertex2> out;
    if (from.vertices.size() != vertices.size()) return out;
    out.resize(vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
        out[i].x = (1.0f - t) * from.vertices[i].x + t * vertices[i].x;
        out[i].y = (1.0f - t) * from.vertices[i].y + t * vertices[i].y;
    }
    return out;
}

void VisemeTextReader::SkipBlanks() {
    while (p_ < end_ && IsBlank(*p_)) ++p_;
}

bool VisemeTextReader::SkipLine() {
    const char* start = p_;
    while (p_ < end_ && *p_ != '\n') {
        ++p_;
        if (p_ - start > 1023) return false;
    }
    if (p_ < end_) ++p_;
    return true;
}

bool VisemeTextReader::Expect(char c) {
    SkipBlanks();
    if (p_ >= end_ || *p_ != c) return false;
    ++p_;
    return true;
}

bool VisemeTextReader::ReadWord(std::string* word) {
    SkipBlanks();
    const char* start = p_;
    while (p_ < end_ && !IsBlank(*p_)) ++p_;
    if (p_ == start) return false;
    word->assign(start, p_);
    return true;
}

bool VisemeTextReader::ReadInt(int64_t* v) {
    SkipBlanks();
    char text[24];
    size_t n = 0;
    while (p_ < end_ && n + 1 < sizeof text && (std::isdigit(static_cast<unsigned char>(*p_)) || (n == 0 && (*p_ == '-' || *p_ == '+')))) {
        text[n++] = *p_++;
    }
    if (n == 0 || (n == 1 && !std::isdigit(static_cast<unsigned char>(text[0])))) return false;
    text[n] = '\0';
    *v = std::strtoll(text, nullptr, 10);
    return true;
}

bool VisemeTextReader::ReadFloat(float* v) {
    SkipBlanks();
    char text[48];
    size_t n = 0;
    while (p_ < end_ && n + 1 < sizeof text) {
        const char c = *p_;
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) break;
        text[n++] = c;
        ++p_;
    }
    if (n == 0) return false;
    text[n] = '\0';
    char* stop = nullptr;
    *v = std::strtof(text, &stop);
    return stop == text + n;
}

bool VisemeTextReader::ReadMesh(std::string* name, CFlatShaded2dMesh* mesh) {
    SkipBlanks();
    const char* start = p_;
    std::string word;
    if (!ReadWord(&word) || !EqualsNoCase(word, "mesh")) {
        p_ = start;
        return false;
    }
    if (!ReadWord(name) || !SkipLine() || !SkipLine()) return false;
    int64_t count;
    // Each vertex takes at least 7 bytes ("0,0,0;,"), each polygon at least 4.
    if (!ReadInt(&count) || count < 0 || count > (end_ - p_) / 7) return false;
    mesh->vertices.assign(size_t(count), Vertex2{});
    for (Vertex2& v : mesh->vertices) {
        float z;
        if (!ReadFloat(&v.x) || !Expect(',') || !ReadFloat(&v.y) || !Expect(',') || !ReadFloat(&z) || !Expect(';') ||
            !Expect(',')) {
            return false;
        }
    }
    int64_t polygons;
    if (!ReadInt(&polygons) || !Expect(';') || polygons < 0 || polygons > (end_ - p_) / 4) return false;
    mesh->parts.assign(size_t(polygons), Mesh2dPart{});
    for (Mesh2dPart& part : mesh->parts) {
        int64_t k;
        if (!ReadInt(&k) || !Expect(';') || k < 1 || k > CFlatShaded2dMesh::kMaxCorners) return false;
        part.corners.resize(size_t(k));
        for (int64_t i = 0; i < k; ++i) {
            int64_t index;
            if (!ReadInt(&index) || index < 0 || index >= count || !Expect(i + 1 < k ? ',' : ';')) return false;
            part.corners[size_t(i)] = static_cast<int32_t>(index);
        }
        if (!Expect(',')) return false;
    }
    std::string closing;
    return ReadWord(&closing);
}

std::string WriteVisemeMesh(const std::string& name, const CFlatShaded2dMesh& mesh) {
    std::string out = "Mesh " + name + "\n{\n" + std::to_string(mesh.vertices.size()) + "\n";
    char line[96];
    for (const Vertex2& v : mesh.vertices) {
        std::snprintf(line, sizeof line, "%.3f,%.3f,0.000;,\n", v.x, v.y);
        out += line;
    }
    out += std::to_string(mesh.parts.size()) + ";\n";
    for (const Mesh2dPart& part : mesh.parts) {
        out += std::to_string(part.corners.size()) + ";";
        for (size_t i = 0; i < part.corners.size(); ++i) {
            out += std::to_string(part.corners[i]);
            out += i + 1 < part.corners.size() ? "," : ";";
        }
        out += ",\n";
    }
    out += "}\n";
    return out;
}

bool VisemeMeshSet::Load(const char* data, size_t size, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    *this = VisemeMeshSet{};
    if (data == nullptr) return fail("no data");
    VisemeTextReader in(data, size);
    if (!in.SkipLine()) return fail("header line too long");
    if (!in.ReadMesh(&name, &face)) return fail("face mesh missing or malformed");
    if (face.vertices.size() != kFaceVertices || face.parts.size() != kFacePolygons) {
        return fail("face is not 60 vertices and 52 polygons");
    }
    face.SetPartColors(0, kSkinPolygons, kVisemeSkinColour);
    face.SetPartColors(kSkinPolygons, face.parts.size(), kVisemeLipColour);
    for (int i = 0; i < 2; ++i) {
        std::string meshName;
        CFlatShaded2dMesh mesh;
        if (!in.ReadMesh(&meshName, &mesh)) break;
        if (EqualsNoCase(meshName, "topTeeth")) topTeeth = std::move(mesh);
        else if (EqualsNoCase(meshName, "bottomTeeth")) bottomTeeth = std::move(mesh);
    }
    BuildMouth();
    return true;
}

void VisemeMeshSet::BuildMouth() {
    static constexpr int kInnerLip[12] = {28, 50, 51, 52, 53, 54, 34, 55, 56, 57, 58, 59};
    mouth = CFlatShaded2dMesh{};
    if (face.vertices.size() < kFaceVertices) return;
    Mesh2dPart part;
    part.colour = kVisemeMouthColour;
    for (int i = 0; i < 12; ++i) {
        mouth.vertices.push_back(face.vertices[size_t(kInnerLip[i])]);
        part.corners.push_back(i);
    }
    mouth.parts.push_back(std::move(part));
}

const std::map<std::string, std::string>& VisemePhonemeMap() {
    static const std::map<std::string, std::string> map = [] {
        static const struct {
            const char* mesh;
            const char* codes[4];
        } kGroups[] = {
            {"x", {"x", "m", "p", "b"}},   {"f", {"v", "f"}},       {"SH", {"ZH", "CH", "j", "SH"}},
            {"k", {"NG", "g", "k"}},       {"s", {"s", "z"}},       {"TH", {"DH", "TH", "t"}},
            {"ER", {"r", "ER"}},           {"UH", {"UH", "UW"}},    {"DX", {"d"}},
        };
        static const char* const kSelf[] = {"h", "IY", "y", "w", "n", "l", "AW", "AE", "EY",
                                            "IH", "AH", "AO", "EH", "AY", "OW", "OY", "AA"};
        std::map<std::string, std::string> m;
        for (const auto& group : kGroups) {
            for (const char* code : group.codes) {
                if (code) m[code] = group.mesh;
            }
        }
        for (const char* code : kSelf) m[code] = code;
        return m;
    }();
    return map;
}

const char* VisemeMeshNameFor(const std::string& code) {
    const auto& map = VisemePhonemeMap();
    auto it = map.find(code);
    return it == map.end() ? nullptr : it->second.c_str();
}

std::string VisemeResourceName(const std::string& meshName) {
    std::string out = meshName;
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}
