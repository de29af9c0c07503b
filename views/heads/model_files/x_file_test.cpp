// .x files: every form reads back what was written; frames, shared materials and per-face normals
// are understood; malformed files fail with a reason.
#include "views/heads/model_files/x_file.h"

#include <cstring>

#include <gtest/gtest.h>

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

}  // namespace
