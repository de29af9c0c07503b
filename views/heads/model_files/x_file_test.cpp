// .x files: every form reads back what was written; frames, shared materials and per-face normals
// are understood; malformed files fail with a reason.
#include "views/heads/model_files/x_file.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include <gtest/gtest.h>

#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/head_test_support.h"

namespace {

mesh_file Sample() {
    mesh_file m = head_test::FanMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, -0.5f}}, "skin.jpg");
    m.mesh.buffer.vertices[2].u = 0.5f;
    m.mesh.buffer.vertices[3].v = 0.25f;
    mesh_material lips;
    lips.material.diffuse = {0.7f, 0.2f, 0.2f, 1};
    lips.material.emissive = {0.1f, 0, 0, 0};
    m.materials.push_back(lips);
    m.mesh.attributes[1] = 1;
    m.mesh.SortByAttribute();
    return m;
}

TEST(XFile, EveryFormReadsBackWhatWasWritten) {
    const mesh_file in = Sample();
    for (x_format f : {x_format::text, x_format::binary, x_format::compressed_text, x_format::compressed_binary}) {
        const std::vector<uint8_t> bytes = WriteXFile(in, f);
        mesh_file out;
        std::string error;
        ASSERT_TRUE(ReadXFile(bytes.data(), bytes.size(), out, &error)) << static_cast<int>(f) << ": " << error;
        ASSERT_EQ(out.mesh.buffer.vertices.size(), in.mesh.buffer.vertices.size());
        for (std::size_t i = 0; i < in.mesh.buffer.vertices.size(); ++i)
            EXPECT_EQ(std::memcmp(&out.mesh.buffer.vertices[i], &in.mesh.buffer.vertices[i], sizeof(ModelVertex)), 0) << i;
        EXPECT_EQ(out.mesh.indices, in.mesh.indices);
        EXPECT_EQ(out.mesh.attributes, in.mesh.attributes);
        ASSERT_EQ(out.materials.size(), 2u);
        EXPECT_EQ(out.materials[0].texture_file, "skin.jpg");
        EXPECT_FLOAT_EQ(out.materials[1].material.diffuse.r, 0.7f);
        EXPECT_FLOAT_EQ(out.materials[1].material.emissive.r, 0.1f);
    }
}

TEST(XFile, FramesTransformMeshesAndFaceNormalsSplitVertices) {
    const char* text =
        "xof 0303txt 0032\n"
        "template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; [...] }\n"
        "Material Red { 1.0; 0.0; 0.0; 1.0;; 5.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }\n"
        "Frame Root {\n"
        "  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }\n"
        "  Mesh Quad {\n"
        "    4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n"
        "    2; 3;0,1,2;, 3;0,2,3;;\n"
        "    MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 3;0,0,0;, 3;1,1,1;; }\n"
        "    MeshMaterialList { 1; 1; 0;; {Red} }\n"
        "  }\n"
        "}\n";
    mesh_file out;
    std::string error;
    ASSERT_TRUE(ReadXFile(reinterpret_cast<const unsigned char*>(text), std::strlen(text), out, &error)) << error;
    const auto& v = out.mesh.buffer.vertices;
    // Vertices 0 and 2 are used with both normals: two copies added behind the four.
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[1].x, 11.0f);
    EXPECT_FLOAT_EQ(v[1].y, 20.0f);
    EXPECT_FLOAT_EQ(v[1].z, 30.0f);
    EXPECT_FLOAT_EQ(v[0].nz, -1.0f);
    EXPECT_FLOAT_EQ(v[4].ny, 1.0f);
    EXPECT_FLOAT_EQ(v[4].x, v[0].x);
    ASSERT_EQ(out.materials.size(), 1u);
    EXPECT_FLOAT_EQ(out.materials[0].material.diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(out.materials[0].material.power, 5.0f);
}

TEST(XFile, MalformedFilesFailWithAReason) {
    const std::vector<uint8_t> good = WriteXFile(Sample(), x_format::text);
    const std::vector<uint8_t> bin = WriteXFile(Sample(), x_format::binary);
    const std::vector<uint8_t> zip = WriteXFile(Sample(), x_format::compressed_text);
    auto text = [](const char* body) {
        std::string s = std::string("xof 0303txt 0032\n") + body;
        return std::vector<uint8_t>(s.begin(), s.end());
    };
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"not a .x file", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}},
        {"no mesh", text("Header { 1; 0; 1; }\n")},
        {"face names a missing vertex", text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }")},
        {"vertex count beyond the file", text("Mesh { 99999999; 0;0;0;; }")},
        {"face with two corners", text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }")},
        {"unclosed mesh", text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;")},
        {"material index beyond the list",
         text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 4;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }")},
        {"unknown material reference",
         text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; {Nobody} } }")},
        {"text cut short", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)},
        {"binary cut short", std::vector<uint8_t>(bin.begin(), bin.begin() + bin.size() - 7)},
        {"compressed cut short", std::vector<uint8_t>(zip.begin(), zip.begin() + zip.size() - 5)},
    };
    std::vector<uint8_t> bad_block = zip;
    bad_block[16 + 4 + 4] = 'X';  // the block signature
    cases.emplace_back("compressed block without signature", bad_block);
    std::vector<uint8_t> huge = zip;
    huge[16] = huge[17] = huge[18] = huge[19] = 0xFF;  // claims 4 GB
    cases.emplace_back("compressed size out of range", huge);
    for (const auto& [name, bytes] : cases) {
        mesh_file out;
        std::string error;
        EXPECT_FALSE(ReadXFile(bytes.data(), bytes.size(), out, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

// A binary .x file built token by token, remembering where each float was put.
class binary_x {
public:
    explicit binary_x(bool doubles) : doubles_(doubles) {
        w_.WriteBytes(doubles ? "xof 0303bin 0064" : "xof 0303bin 0032", 16);
    }
    binary_x& Name(const std::string& n) {
        w_.WriteU16(1);
        w_.WriteU32(static_cast<uint32_t>(n.size()));
        w_.WriteBytes(n.data(), n.size());
        return *this;
    }
    binary_x& String(const std::string& text) {
        string_offset_ = w_.Bytes().size();
        w_.WriteU16(2);
        w_.WriteU32(static_cast<uint32_t>(text.size()));
        w_.WriteBytes(text.data(), text.size());
        w_.WriteU16(20);
        return *this;
    }
    binary_x& Open() { return w_.WriteU16(10), *this; }
    binary_x& Close() { return w_.WriteU16(11), *this; }
    binary_x& Ints(std::initializer_list<uint32_t> v) {
        w_.WriteU16(6);
        w_.WriteU32(static_cast<uint32_t>(v.size()));
        for (uint32_t x : v) w_.WriteU32(x);
        return *this;
    }
    binary_x& Floats(std::initializer_list<double> v) {
        w_.WriteU16(7);
        w_.WriteU32(static_cast<uint32_t>(v.size()));
        for (double x : v) {
            offsets_.push_back(w_.Bytes().size());
            if (doubles_) {
                uint64_t u;
                std::memcpy(&u, &x, 8);
                w_.WriteU32(static_cast<uint32_t>(u)), w_.WriteU32(static_cast<uint32_t>(u >> 32));
            } else {
                w_.WriteF32(static_cast<float>(x));
            }
        }
        return *this;
    }
    // A triangle whose vertex x, then a material with the given diffuse red and texture.
    static binary_x Triangle(bool doubles, double x, double red, const std::string& texture = "a.png") {
        binary_x b(doubles);
        b.Name("Mesh").Open().Ints({3}).Floats({x, 0, 0, 1, 0, 0, 0, 1, 0}).Ints({1, 3, 0, 1, 2});
        b.Name("MeshMaterialList").Open().Ints({1, 1, 0});
        b.Name("Material").Open().Floats({red, 0, 0, 1, 5, 0, 0, 0, 0, 0, 0});
        b.Name("TextureFilename").Open().String(texture).Close();
        return b.Close().Close().Close();
    }
    std::size_t OffsetOfFloat(std::size_t i) const { return offsets_[i]; }
    std::size_t OffsetOfString() const { return string_offset_; }
    std::vector<uint8_t> Bytes() const {
        byte_writer copy = w_;
        return copy.Bytes();
    }

private:
    byte_writer w_;
    bool doubles_;
    std::vector<std::size_t> offsets_;
    std::size_t string_offset_ = 0;
};

std::string ReadError(const std::vector<uint8_t>& bytes) {
    mesh_file out;
    std::string error;
    if (ReadXFile(bytes.data(), bytes.size(), out, &error)) return "read";
    return error;
}

std::vector<uint8_t> Text(const std::string& body) {
    const std::string s = "xof 0303txt 0032\n" + body;
    return {s.begin(), s.end()};
}

// A text triangle in a frame with some of its numbers, or its texture name, given: the matrix lies
// on line 3, the vertices on line 4, the material and texture on line 8.
std::vector<uint8_t> TextTriangle(const char* vertex_x, const char* red = "1.0", const char* matrix_x = "1",
                                  const char* texture = "a.png") {
    return Text(std::string("Frame F {\n FrameTransformMatrix { ") + matrix_x + ",0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n" +
                " Mesh { 3; " + vertex_x + ";0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;;\n" +
                " MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }\n MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }\n" +
                " MeshMaterialList { 1; 1; 0;; Material { " + red + ";0;0;1;; 5; 0;0;0;; 0;0;0;; TextureFilename { \"" +
                texture + "\"; } } } } }\n");
}

TEST(XFile, NumbersBeyondFloatAndNamesTheWriterCannotWriteAreRefusedWithTheirPlace) {
    const binary_x nan_red = binary_x::Triangle(false, 0, std::numeric_limits<double>::quiet_NaN());
    const binary_x inf_x = binary_x::Triangle(false, INFINITY, 1);
    const binary_x big_x = binary_x::Triangle(true, 1e39, 1);
    const binary_x big_red = binary_x::Triangle(true, 0, -2e88);
    const binary_x quoted = binary_x::Triangle(false, 0, 1, "a\"b.png");
    const binary_x newline = binary_x::Triangle(false, 0, 1, "a\nb.png");
    struct bad_case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string error;
    };
    const bad_case cases[] = {
        {"text vertex 1e39", TextTriangle("1e39"), "a number lies outside the range of float at line 4"},
        {"text vertex beyond double", TextTriangle("-1e999"), "a number lies outside the range of float at line 4"},
        {"text material 2e88", TextTriangle("0", "2e88"), "a number lies outside the range of float at line 8"},
        {"text matrix entry", TextTriangle("0", "1", "3.5e38"), "a number lies outside the range of float at line 3"},
        {"text normal", Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\nMeshNormals { 1; 0;0;-1e39;; 1; 3;0,0,0;; } }"),
         "a number lies outside the range of float at line 3"},
        {"text texture coordinate", Text("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n\nMeshTextureCoords { 3; 0;1e40;, 1;0;, 0;1;; } }"),
         "a number lies outside the range of float at line 4"},
        {"text 'inf' as the writer once wrote it", TextTriangle("inf"), "expected a number at line 4"},
        {"frame scale takes a vertex beyond float", TextTriangle("3e38", "1", "10"),
         "a frame transform moves a vertex beyond the range of float at line 4"},
        {"text control character in a texture name", TextTriangle("0", "1", "1", "a\tb.png"),
         "a string holds a control character at line 8"},
        {"binary NaN colour", nan_red.Bytes(), "a number is NaN at byte " + std::to_string(nan_red.OffsetOfFloat(9))},
        {"binary infinite vertex", inf_x.Bytes(), "a number is infinite at byte " + std::to_string(inf_x.OffsetOfFloat(0))},
        {"binary double vertex 1e39", big_x.Bytes(), "a number lies outside the range of float at byte " + std::to_string(big_x.OffsetOfFloat(0))},
        {"binary double colour -2e88", big_red.Bytes(), "a number lies outside the range of float at byte " + std::to_string(big_red.OffsetOfFloat(9))},
        {"binary '\"' in a texture name", quoted.Bytes(),
         "a name or string holds '\"' or a control character at byte " + std::to_string(quoted.OffsetOfString())},
        {"binary newline in a texture name", newline.Bytes(),
         "a name or string holds '\"' or a control character at byte " + std::to_string(newline.OffsetOfString())},
    };
    for (const bad_case& c : cases) EXPECT_EQ(ReadError(c.bytes), c.error) << c.name;
    // The same built files with sound numbers read.
    EXPECT_EQ(ReadError(TextTriangle("0")), "read");
    EXPECT_EQ(ReadError(binary_x::Triangle(true, 1e38, 1).Bytes()), "read");
}

TEST(XFile, RefusedInputsNoLongerLoad) {
    const struct {
        const char* file;
        const char* error;
    } cases[] = {
        {"x_material_overflow.x", "a number lies outside the range of float at line 3"},
        {"x_binary_nan_colour.x", "a number is NaN at byte "},
        // Named for its power beyond float (line 37); a texture name with control characters comes first.
        {"x_binary_inf_power.x", "a string holds a control character at line 32"},
    };
    for (const auto& c : cases) {
        std::ifstream in(std::string(MURMUREX_SOURCE_DIR "/fuzz/corpus/fuzz_x_reader/") + c.file, std::ios::binary);
        ASSERT_TRUE(in) << c.file;
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(ReadError(bytes).rfind(c.error, 0), 0u) << c.file << ": " << ReadError(bytes);
    }
}

TEST(XFile, ExtremeFloatsReadBackBitForBitAndWhatCannotBeWrittenIsNot) {
    mesh_file in = Sample();
    ModelVertex& v = in.mesh.buffer.vertices[1];
    v.x = FLT_MAX, v.y = -FLT_MAX, v.z = std::numeric_limits<float>::denorm_min();
    v.nx = -0.0f, v.u = FLT_MIN, v.v = -1.17549421e-38f;
    in.materials[1].material.diffuse = {FLT_MAX, -0.0f, std::numeric_limits<float>::denorm_min(), 1e-30f};
    in.materials[1].material.power = 3.4e38f;
    for (x_format f : {x_format::text, x_format::binary, x_format::compressed_text, x_format::compressed_binary}) {
        const std::vector<uint8_t> bytes = WriteXFile(in, f);
        mesh_file out;
        std::string error;
        ASSERT_TRUE(ReadXFile(bytes.data(), bytes.size(), out, &error)) << static_cast<int>(f) << ": " << error;
        EXPECT_EQ(std::memcmp(&out.mesh.buffer.vertices[1], &v, sizeof v), 0) << static_cast<int>(f);
        EXPECT_EQ(std::memcmp(&out.materials[1].material, &in.materials[1].material, sizeof(d3d_material)), 0)
            << static_cast<int>(f);
    }
    mesh_file nan_vertex = Sample();
    nan_vertex.mesh.buffer.vertices[0].y = NAN;
    mesh_file inf_power = Sample();
    inf_power.materials[0].material.power = INFINITY;
    mesh_file quoted_texture = Sample();
    quoted_texture.materials[0].texture_file = "say \"cheese\".png";
    for (const mesh_file* m : {&nan_vertex, &inf_power, &quoted_texture})
        for (x_format f : {x_format::text, x_format::binary}) EXPECT_TRUE(WriteXFile(*m, f).empty());
}

}  // namespace
