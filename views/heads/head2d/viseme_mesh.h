// The 2D head's shapes: flat-shaded polygon meshes, the text mesh format they are stored in (the
// built-in "VISEMES" resources), the four meshes of one mouth shape and the phoneme -> shape map.
// No toolkit here: the generator in tools/ writes the same format, and a fuzz target reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct Vertex2 {
    float x = 0.0f;
    float y = 0.0f;
};

// Colours are 0xRRGGBB.
constexpr uint32_t kVisemeSkinColour = 0xD69E8C;  // red 214, green 158, blue 140
constexpr uint32_t kVisemeLipColour = 0x843429;   // red 132, green 52, blue 41
constexpr uint32_t kVisemeParsedColour = 0xFFFFFF;
constexpr uint32_t kVisemeMouthColour = 0x000000;

struct Mesh2dPart {
    uint32_t colour = kVisemeParsedColour;
    std::vector<int32_t> corners;  // vertex indices of one filled polygon
};

class CFlatShaded2dMesh {
public:
    static constexpr int kMaxCorners = 256;

    virtual ~CFlatShaded2dMesh() = default;

    void SetPartColors(size_t first, size_t end, uint32_t colour);
    // Sets this mesh to the sum of weight x mesh over the list. Takes the first mesh's vertex
    // count and (when the part counts differ) its parts; a mesh whose vertex count differs from the
    // first one's is left out. An empty list changes nothing.
    void WeightedSum(const std::vector<std::pair<const CFlatShaded2dMesh*, float>>& list);
    // (1 - t) x from + t x this, vertex by vertex; empty when the vertex counts differ.
    std::vector<Vertex2> Blended(const CFlatShaded2dMesh& from, float t) const;

    std::vector<Vertex2> vertices;
    std::vector<Mesh2dPart> parts;
};

// A cursor over the bytes of a text mesh file; every read stays inside them.
class VisemeTextReader {
public:
    VisemeTextReader(const char* data, size_t size) : p_(data), end_(data + size) {}
    // Skips one line of at most 1,023 characters and its line end; false when it is longer.
    bool SkipLine();
    // One mesh: "Mesh" (any case), its name, the rest of that line and the "{" line, the vertices
    // and the polygons, and the closing word. False when the text does not start with "mesh" (the
    // cursor then stays where it was) or when any item does not match. Every polygon is white;
    // corners must name vertices of the mesh, at most 256 of them.
    bool ReadMesh(std::string* name, CFlatShaded2dMesh* mesh);
    bool AtEnd() { SkipBlanks(); return p_ >= end_; }

private:
    void SkipBlanks();
    bool Expect(char c);
    bool ReadWord(std::string* word);
    bool ReadInt(int64_t* v);
    bool ReadFloat(float* v);

    const char* p_;
    const char* end_;
};

// The text of one mesh in the same format (vertices with z = 0).
std::string WriteVisemeMesh(const std::string& name, const CFlatShaded2dMesh& mesh);
constexpr const char* kVisemeFileHeader = "xof 0302txt 0064\n";

// One mouth shape: the face (skin and lips, with the mouth as a hole), the mouth drawn under it and
// the teeth. A shape may lack either row of teeth.
struct VisemeMeshSet {
    static constexpr size_t kFaceVertices = 60;
    static constexpr size_t kFacePolygons = 52;
    static constexpr size_t kSkinPolygons = 28;

    // Reads a whole "VISEMES" text: the face, then up to two teeth meshes ("topTeeth",
    // "bottomTeeth", any case). False, with error set, when the face is missing, malformed or not
    // 60 vertices and 52 polygons.
    bool Load(const char* data, size_t size, std::string* error = nullptr);
    // The mouth: one black polygon on the face's inner lip contour.
    void BuildMouth();

    std::string name;
    CFlatShaded2dMesh face;
    CFlatShaded2dMesh mouth;
    CFlatShaded2dMesh topTeeth;
    CFlatShaded2dMesh bottomTeeth;
};

// The mesh name shown for a phoneme code; null for a code outside the map.
const char* VisemeMeshNameFor(const std::string& code);
// The phoneme map: code -> mesh name, in byte order of the codes.
const std::map<std::string, std::string>& VisemePhonemeMap();
// The resource that holds a mesh: its name in capitals.
std::string VisemeResourceName(const std::string& meshName);
constexpr const char* kVisemeResourceType = "VISEMES";
