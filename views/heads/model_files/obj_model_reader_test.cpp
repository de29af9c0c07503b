// OBJ and MTL reading: faces, corner forms, vertex sharing, materials, and refused input.
#include "views/heads/model_files/obj_model_reader.h"

#include <sys/stat.h>

#include <cfloat>
#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include "views/heads/model_files/head_test_support.h"

namespace {

struct obj_case {
    const char* name;
    const char* obj;
    int32_t result;  // 0: loads
    std::size_t vertices, triangles;
};

TEST(ObjModelReader, ReadsFacesCornersAndRefusesBadIndices) {
    const obj_case cases[] = {
        {"two faces without slashes", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nf 2 4 3\n", 0, 4, 2},
        {"four corners give one triangle", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3 4\n", 0, 3, 1},
        {"trailing fields and comments are skipped", "# head\nv 0 0 0 1\nv 1 0 0\nv 0 1 0 extra\ns off\nf 1 2 3\n", 0, 3, 1},
        {"same position, two normals: two vertices",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nf 1//1 2//1 3//1\nf 1//2 3//1 2//1\n", 0, 4, 2},
        {"same position and normal twice: one vertex", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\nf 1//1 3//1 2//1\n", 0, 3, 2},
        {"position index 0", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", kObjMalformed, 0, 0},
        {"negative index", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 1 2\n", kObjMalformed, 0, 0},
        {"index beyond the positions read so far", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", kObjMalformed, 0, 0},
        {"texture index beyond the list", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/2 2/1 3/1\n", kObjMalformed, 0, 0},
        {"normal index beyond the list", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2 3\n", kObjMalformed, 0, 0},
        {"two corners only", "v 0 0 0\nv 1 0 0\nf 1 2\nf 1 2 1\n", kObjMalformed, 0, 0},
        {"garbage corner", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 x\n", kObjMalformed, 0, 0},
    };
    for (const obj_case& c : cases) {
        head_test::temp_folder dir;
        dir.Write("m.obj", c.obj);
        ObjModelReader reader;
        mesh_file out;
        const int32_t rc = reader.BuildMesh(dir.Path() + "m.obj", out);
        if (c.result != 0) {
            EXPECT_EQ(rc, c.result) << c.name;
            EXPECT_FALSE(reader.error.empty()) << c.name;
            continue;
        }
        ASSERT_GE(rc, 0) << c.name << ": " << reader.error;
        EXPECT_EQ(out.mesh.buffer.vertices.size(), c.vertices) << c.name;
        EXPECT_EQ(out.mesh.TriangleCount(), c.triangles) << c.name;
    }
}

TEST(ObjModelReader, CornerFormsFillWhatTheyGiveAndZeroTheRest) {
    head_test::temp_folder dir;
    dir.Write("m.obj", "v 1 2 3\nv 4 5 6\nv 7 8 9\nvt 0.25 0.75\nvn 0 0 -1\nf 1/1 2 3/1/1\n");
    ObjModelReader reader;
    mesh_file out;
    ASSERT_GE(reader.BuildMesh(dir.Path() + "m.obj", out), 0) << reader.error;
    const auto& v = out.mesh.buffer.vertices;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_FLOAT_EQ(v[0].u, 0.25f);
    EXPECT_FLOAT_EQ(v[0].v, 0.75f);
    EXPECT_EQ(v[0].nz, 0.0f);  // p/t: no normal
    EXPECT_EQ(v[1].u, 0.0f);   // p: neither
    EXPECT_EQ(v[1].nz, 0.0f);
    EXPECT_FLOAT_EQ(v[2].nz, -1.0f);
    EXPECT_FLOAT_EQ(v[2].x, 7.0f);
}

TEST(ObjModelReader, MaterialsComeFromUsemtlAndAreFilledByTheLibrary) {
    head_test::temp_folder dir;
    dir.Write("m.obj",
              "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl skin\nf 1 2 3\nusemtl lips\nf 1 3 2\nusemtl skin\nf 2 3 1\n");
    dir.Write("m.mtl",
              "newmtl unused\nKd 9 9 9\nmap_Kd nothing.tga\nnewmtl skin\nKa 0.1 0.2 0.3\nKd 0.5 0.4 0.3\nNs 40\nillum 2\n"
              "map_Kd skin.tga\nnewmtl lips\nKd 0.7 0.2 0.2\n");
    ObjModelReader reader;
    mesh_file out;
    ASSERT_GE(reader.BuildMesh(dir.Path() + "m.obj", out), 0) << reader.error;
    ASSERT_EQ(out.materials.size(), 3u);  // default, skin, lips
    EXPECT_EQ(out.materials[0].name, "default");
    EXPECT_EQ(out.materials[1].name, "skin");
    const d3d_material& skin = out.materials[1].material;
    EXPECT_FLOAT_EQ(skin.diffuse.r, 0.5f);
    EXPECT_EQ(skin.diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(skin.ambient.b, 0.3f);
    EXPECT_EQ(skin.power, 0.0f);
    EXPECT_EQ(out.materials[1].texture_file, "skin.tga");
    EXPECT_FLOAT_EQ(out.materials[2].material.diffuse.r, 0.7f);
    EXPECT_TRUE(out.materials[2].texture_file.empty());
    // Triangles are sorted by material: skin's two, then lips' one.
    EXPECT_EQ(out.mesh.attributes, (std::vector<uint32_t>{1, 1, 2}));
}

TEST(ObjModelReader, WithoutLibraryMaterialsAreBlackAndAMissingLibraryFails) {
    head_test::temp_folder dir;
    dir.Write("plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl a\nf 1 2 3\n");
    dir.Write("missing.obj", "mtllib none.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ObjModelReader plain;
    mesh_file out;
    ASSERT_GE(plain.BuildMesh(dir.Path() + "plain.obj", out), 0);
    EXPECT_EQ(out.materials[1].material.diffuse.g, 0.0f);
    ObjModelReader missing;
    EXPECT_EQ(missing.BuildMesh(dir.Path() + "missing.obj", out), kObjLibraryMissing);
    ObjModelReader absent;
    EXPECT_EQ(absent.BuildMesh(dir.Path() + "absent.obj", out), kObjFileMissing);
}

TEST(ObjModelReader, ALibraryOrModelThatIsNoRegularFileIsMissing) {
    // Libraries may name any path; a folder, a device (also reached through ".."), a pipe or a
    // dangling link is a missing library, read without blocking or filling the memory.
    head_test::temp_folder dir;
    std::filesystem::create_directories(dir.Path() + "sub");
    std::filesystem::create_symlink("/dev/zero", dir.Path() + "zero.mtl");
    ASSERT_EQ(::mkfifo((dir.Path() + "pipe.mtl").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.Path() + "nowhere.mtl", dir.Path() + "gone.mtl");
    for (const std::string library : {".", "sub", "zero.mtl", "pipe.mtl", "gone.mtl",
                                      "../../../../../../../../../../dev/zero", "../../../../../../../../../../dev/urandom"}) {
        SCOPED_TRACE(library);
        dir.Write("m.obj", "mtllib " + library + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl a\nf 1 2 3\n");
        ObjModelReader reader;
        mesh_file out;
        EXPECT_EQ(reader.BuildMesh(dir.Path() + "m.obj", out), kObjLibraryMissing);
        EXPECT_NE(reader.error.find("material library"), std::string::npos) << reader.error;
    }
    for (const std::string model : {"sub", "zero.mtl", "pipe.mtl", "gone.mtl"}) {
        SCOPED_TRACE(model);
        ObjModelReader reader;
        mesh_file out;
        EXPECT_EQ(reader.BuildMesh(dir.Path() + model, out), kObjFileMissing);
    }
}

TEST(ObjModelReader, SelfContainedBytesCarryTheLibraryIntoMemory) {
    head_test::temp_folder dir;
    dir.Write("m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl a\nf 1 2 3");  // no final line end
    dir.Write("m.mtl", "newmtl a\nKd 0.5 0.25 1\nmap_Kd t.png\n");
    ObjModelReader reader;
    mesh_file read;
    ASSERT_GE(reader.BuildMesh(dir.Path() + "m.obj", read), 0) << reader.error;
    const std::vector<uint8_t> bytes = reader.SelfContainedBytes();
    ObjModelReader again;
    mesh_file back;
    ASSERT_GE(again.BuildMeshFromMemory(bytes.data(), bytes.size(), back), 0) << again.error;
    ASSERT_EQ(back.materials.size(), read.materials.size());
    EXPECT_EQ(back.mesh.indices.size(), read.mesh.indices.size());
    EXPECT_EQ(back.materials[1].material.diffuse.g, 0.25f);
    EXPECT_EQ(back.materials[1].texture_file, "t.png");
}

TEST(ObjModelReader, MoreVerticesThanSixteenBitIndicesHoldFail) {
    // 65,536 distinct corners: one position used with as many texture coordinates.
    std::string obj = "v 0 0 0\n";
    for (int i = 0; i < 65536 + 2; ++i) obj += "vt " + std::to_string(i) + " 0\n";
    for (int i = 1; i + 2 <= 65536 + 2; i += 3)
        obj += "f 1/" + std::to_string(i) + " 1/" + std::to_string(i + 1) + " 1/" + std::to_string(i + 2) + "\n";
    head_test::temp_folder dir;
    dir.Write("big.obj", obj);
    ObjModelReader reader;
    mesh_file out;
    EXPECT_EQ(reader.BuildMesh(dir.Path() + "big.obj", out), kObjTooManyVertices);
}

TEST(ObjModelReader, NumbersMissingMalformedOrBeyondFloatAreRefusedWithTheirLine) {
    const std::string megabyte_number = "1" + std::string(1u << 20, '0');
    const struct {
        const char* name;
        std::string obj;
        std::string error;
    } cases[] = {
        {"position beyond float", "v 1e39 0 0\n", "line 1: '1e39' lies outside the range of float"},
        {"number beyond double", "v 0 0 0\nv 0 -1e999 0\n", "line 2: '-1e999' lies outside the range of float"},
        {"a megabyte-long number", "# big\nv " + megabyte_number + " 0 0\n",
         "line 2: '" + megabyte_number.substr(0, 32) + "...' is too long to be a number"},
        {"NaN normal", "v 0 0 0\nvn nan 0 1\n", "line 2: 'nan' is not a finite number"},
        {"infinite texture coordinate", "vt 0 -inf\n", "line 1: '-inf' is not a finite number"},
        {"malformed number", "v 0 0 0\r\nv 1 0x 0\r\n", "line 2: '0x' is not a number"},
        {"number missing on its line", "vt 0.5\nvt 0.5 0.5\n", "line 1: a number is missing"},
        {"number missing at the end", "v 0 0 0\nv 1 2", "line 2: a number is missing"},
        {"face line of a bad corner", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 x\n", "line 4: malformed face corner 'x'"},
        {"face on the last line without newline", "v 0 0 0\nv 1 0 0\nf 1 2 3", "line 3: face corner '3' names a vertex, "
                                                                               "coordinate or normal not read so far"},
    };
    for (const auto& c : cases) {
        ObjModelReader reader;
        mesh_file out;
        EXPECT_EQ(reader.BuildMeshFromMemory(reinterpret_cast<const unsigned char*>(c.obj.data()), c.obj.size(), out),
                  kObjMalformed)
            << c.name;
        EXPECT_EQ(reader.error, c.error) << c.name;
    }
    // The extremes a float holds are read.
    const std::string extremes = "v 3.40282347e+38 -3.40282347e+38 1e-45\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    ObjModelReader reader;
    mesh_file out;
    ASSERT_GE(reader.BuildMeshFromMemory(reinterpret_cast<const unsigned char*>(extremes.data()), extremes.size(), out), 0)
        << reader.error;
    EXPECT_EQ(out.mesh.buffer.vertices[0].x, FLT_MAX);
    EXPECT_EQ(out.mesh.buffer.vertices[0].z, std::numeric_limits<float>::denorm_min());
}

TEST(ObjModelReader, ALibraryColourBeyondFloatOrABadTextureNameIsRefusedWithItsLine) {
    const struct {
        std::string library, error;
    } cases[] = {
        {"newmtl skin\nKa 0 0 0\nKd 0.5 2e88 0\n",
         "material library m.mtl, line 3: '2e88' lies outside the range of float"},
        // The model's .x and pack forms could not carry such a name.
        {std::string("newmtl skin\nmap_Kd s") + '\0' + "kin.tga\n",
         "material library m.mtl, line 2: the texture name holds '\"' or a control character"},
        {"newmtl skin\nKd 1 1 1\nmap_Kd \"skin\".tga\n",
         "material library m.mtl, line 3: the texture name holds '\"' or a control character"},
    };
    for (const auto& c : cases) {
        head_test::temp_folder dir;
        dir.Write("m.obj", "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl skin\nf 1 2 3\n");
        dir.Write("m.mtl", c.library);
        ObjModelReader reader;
        mesh_file out;
        EXPECT_EQ(reader.BuildMesh(dir.Path() + "m.obj", out), kObjMalformed) << c.error;
        EXPECT_EQ(reader.error, c.error);
    }
}

}  // namespace
