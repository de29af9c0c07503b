// Characters: text files, compiled packs written and read back, centring, and refused packs.
#include "views/heads/model_files/d3d_character.h"

#include <sys/stat.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <cstring>
#include <filesystem>
#include <new>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/resource_table.h"
#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/head_test_support.h"

namespace {

using head_test::FanMesh;
using head_test::Moved;

const std::vector<d3d_vector3> kTri = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
const std::vector<d3d_vector3> kQuad = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};

// A triple-form character: rest "N.x", "AA.x" opens the head, "M.x" moves the gums; an extra
// model and a texture.
struct sample_character {
    head_test::temp_folder dir;
    sample_character() {
        std::vector<uint8_t> rgba(4 * 4 * 4, 200);
        dir.Write("skin.tga", EncodeTarga(4, 4, rgba.data(), false));
        for (const char* f : {"N", "AA", "M"}) {
            const float open = std::strcmp(f, "AA") == 0 ? 1.0f : 0.0f;
            const float gums = std::strcmp(f, "M") == 0 ? 0.5f : 0.0f;
            dir.WriteModel(std::string("Head") + f + ".x", FanMesh(Moved(kQuad, 0, -open, 0), "skin.tga"));
            dir.WriteModel(std::string("Gums") + f + ".x", FanMesh(Moved(kTri, gums, 0, 0)), x_format::binary);
            dir.WriteModel(std::string("Teeth") + f + ".x", FanMesh(kTri), x_format::compressed_binary);
        }
        dir.WriteModel("Eyes.x", FanMesh(Moved(kTri, 0, 0, -1)));
    }
    std::string text = "# sample\nAUX Eyes.x 0 0.5 0\nAUX Missing.x 0 0 0\nx 1 N.x 1.0\nAA 2 AA.x 0.5 N.x 0.5\nm 1 M.x 1\nempty 0\n";
};

TEST(Character, TextFileLoadsMorphsRestAndExtraModels) {
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    int calls = 0;
    std::string error;
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path(), [&](int, int) { return ++calls, false; }, &error)) << error;
    EXPECT_EQ(calls, 4);
    ASSERT_EQ(c.rest_models.size(), 3u);  // Teeth, Gums, Head of N.x
    EXPECT_EQ(c.CharacterPackModelName(c.rest_models[2]), "HeadN.x");
    ASSERT_EQ(c.aux_models.size(), 1u);  // the missing one is left out silently
    ASSERT_EQ(c.morphs.count("empty"), 1u);
    EXPECT_TRUE(c.morphs["empty"].arrays.empty());
    // AA is half open: the head's first vertex is 0.5 lower than at rest.
    EXPECT_FLOAT_EQ(c.morphs["AA"].arrays[2][0].y - c.rest_morph.arrays[2][0].y, -0.5f);
    // Teeth were lowered by 0.75 when loaded.
    EXPECT_FLOAT_EQ(c.rest_morph.arrays[0][0].y - c.rest_morph.arrays[2][0].y, -0.75f);
    // The texture was loaded once and is found by its bare name.
    EXPECT_EQ(c.textures.Textures().size(), 1u);
    EXPECT_TRUE(c.textures.Find("skin.tga"));
}

TEST(Character, AFailedVisemeFileIsReportedOnce) {
    sample_character s;
    d3d_character c;
    std::vector<std::string> messages;
    c.SetMessageSink([&](const std::string& m) { messages.push_back(m); });
    std::istringstream in("x 1 N.x 1\nAA 1 Gone.x 1\nIY 1 Lost.x 1\n");
    std::string error;
    EXPECT_FALSE(c.LoadCharacterFile(in, s.dir.Path(), nullptr, &error));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The specified viseme file 'Gone.x' cannot be loaded");
    EXPECT_EQ(c.morphs.count("AA"), 0u);
}

TEST(Character, AWindowsMadeCharacterFindsItsFilesDespiteCaseAndBackslashes) {
    // On disk everything is lower case; the character file, the .x texture name, the OBJ's
    // material library and its map_Kd use other cases and backslashes.
    head_test::temp_folder dir;
    std::filesystem::create_directories(dir.Path() + "mouth");
    std::filesystem::create_directories(dir.Path() + "tex");
    std::filesystem::create_directories(dir.Path() + "mouth/mats");
    std::vector<uint8_t> rgba(8 * 8 * 4, 180);
    dir.Write("tex/face.jpg", EncodeJpeg(8, 8, rgba.data(), 90));
    dir.WriteModel("rest.x", FanMesh(kQuad, "Tex\\Face.JPG"));
    dir.WriteModel("mouth/aa.x", FanMesh(Moved(kQuad, 0, -1, 0), "..\\TEX\\face.jpg"));
    dir.Write("mouth/m.obj", "mtllib Mats\\Skin.MTL\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nusemtl skin\nf 1 2 3\nf 1 3 4\n");
    dir.Write("mouth/mats/skin.mtl", "newmtl skin\nKd 1 1 1\nmap_Kd ..\\Tex\\FACE.jpg\n");
    d3d_character c;
    std::vector<std::string> messages;
    c.SetMessageSink([&](const std::string& m) { messages.push_back(m); });
    std::istringstream in("single_model\nx 1 Rest.X 1\nAA 1 Mouth\\AA.x 1\nm 1 MOUTH\\M.obj 1\n");
    std::string error;
    ASSERT_TRUE(c.LoadCharacterFile(in, dir.Path(), nullptr, &error)) << error;
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(c.morphs.count("AA"), 1u);
    ASSERT_EQ(c.morphs.count("m"), 1u);
    // One texture on disk, found under three spellings and shared by every model.
    EXPECT_EQ(c.textures.Textures().size(), 1u);
    EXPECT_TRUE(c.textures.Failures().empty());
    for (const auto& [name, model] : c.model_cache) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(model->Materials().empty());
        EXPECT_TRUE(model->Materials().back().texture);
    }
    // A pack compiled from it keeps the texture on its models.
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    d3d_character back;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    ASSERT_EQ(back.rest_models.size(), 1u);
    EXPECT_TRUE(back.rest_models[0]->Materials().back().texture);

    // A name that matches nothing in any case still fails with the viseme file message.
    d3d_character missing;
    missing.SetMessageSink([&](const std::string& m) { messages.push_back(m); });
    std::istringstream gone("single_model\nx 1 Rest.X 1\nAA 1 Mouth\\Gone.x 1\n");
    EXPECT_FALSE(missing.LoadCharacterFile(gone, dir.Path(), nullptr, &error));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The specified viseme file 'Mouth\\Gone.x' cannot be loaded");
}

TEST(Character, CentringUsesTrueBoundsBelowZero) {
    head_test::temp_folder dir;
    dir.WriteModel("low.x", FanMesh({{-3, -5, -2}, {-1, -4, -2}, {-2, -3, -1}}));
    d3d_model model;
    d3d_texture_mgr textures;
    ASSERT_TRUE(model.LoadFromFile(textures, dir.Path() + "low.x", kModelKindX));
    float lo[3], hi[3];
    model.GetBounds(lo, hi);
    EXPECT_FLOAT_EQ(lo[0], -3);
    EXPECT_FLOAT_EQ(hi[0], -1);
    EXPECT_FLOAT_EQ(hi[2], -1);
    d3d_character c;
    std::istringstream in("single_model\nx 1 low.x 1\n");
    ASSERT_TRUE(c.LoadCharacterFile(in, dir.Path()));
    EXPECT_FLOAT_EQ(c.centre[0], -2);
    EXPECT_FLOAT_EQ(c.centre[1], -4);
    EXPECT_FLOAT_EQ(c.bounds_max[0], 1);
    EXPECT_FLOAT_EQ(c.rest_morph.arrays[0][0].x, -1);
}

// A line that stops making sense, or whose numbers take a position beyond float, refuses the
// character with the line; so does a file with nothing to draw. Each of these loaded before, as
// far as it got, and a pack compiled from some of them was refused by its own reader.
TEST(Character, LinesThatMakeNoSenseOrLeaveFloatAreRefusedWithTheirLine) {
    head_test::temp_folder dir;
    dir.WriteModel("rest.x", FanMesh(kQuad));                       // 0 to 2
    dir.WriteModel("open.x", FanMesh(Moved(kQuad, 0, -1, 0)));      // -1 to 2
    dir.WriteModel("big.x", FanMesh({{1e37f, 0, 0}, {0, 0, 0}, {0, 1, 0}}));
    dir.WriteModel("low.x", FanMesh({{-3e38f, 0, 0}, {0, 0, 0}, {0, 1, 0}}));
    const char* head = "single_model\nx 1 rest.x 1\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        // weight x position beyond float, and a weight float cannot hold at all
        {std::string(head) + "AA 1 open.x 3e38\n", "line 3: the weights of 'AA' move its positions beyond the range of float"},
        {std::string(head) + "# two halves\nAA 2 open.x 1.5e38\n open.x 1.5e38\n",
         "line 4: the weights of 'AA' move its positions beyond the range of float"},
        {std::string(head) + "AA 1 open.x 1e39\n", "line 3: the weight of 'open.x' is '1e39', beyond the range of float"},
        {std::string(head) + "AA 1 open.x\n  one\n", "line 4: the weight of 'open.x' is 'one', not a number"},
        // extra models moved to the edge of float
        {std::string(head) + "AUX big.x 3.4e38 0 0\n", "line 3: the offset moves the extra model 'big.x' beyond the range of float"},
        {"AUX rest.x 1e39 0 0\n", "line 1: the offset of the extra model 'rest.x' is '1e39', beyond the range of float"},
        {"AUX rest.x 0 0,5 0\n", "line 1: the offset of the extra model 'rest.x' is '0,5', not a number"},
        // centring: the centre lies far below, and a morph far above it
        {std::string(head) + "AUX low.x 0 0 0\nAA 1 open.x 1.5e38\n",
         "line 4: the morph 'AA' lies too far from the models' centre for float"},
        // not a character at all, or one cut short
        {"this is not a character\n", "line 1: the label 'this' is followed by 'is', not a count of viseme files"},
        {std::string(head) + "AA 2 open.x 1\n", "line 3: the file ends inside the line of the label 'AA'"},
        {std::string(head) + "\n\nAA", "line 5: the file ends before the count of the label 'AA'"},
        {"", "it names no model to draw"},
        {"# a comment\nsingle_model\nAA 1 open.x 1\nempty 0\n", "it names no model to draw"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        d3d_character character;
        std::istringstream in(c.text);
        std::string error;
        EXPECT_FALSE(character.LoadCharacterFile(in, dir.Path(), nullptr, &error));
        EXPECT_EQ(error, c.error);
    }
    // A weight too small for float is nothing; a sign and an exponent are numbers.
    d3d_character tiny;
    std::istringstream in(std::string(head) + "AA 2 open.x 1e-60 open.x +1E0\n");
    std::string error;
    ASSERT_TRUE(tiny.LoadCharacterFile(in, dir.Path(), nullptr, &error)) << error;
    EXPECT_EQ(tiny.morphs["AA"].arrays[0][0].y - tiny.rest_morph.arrays[0][0].y, -1.0f);
}

// Whatever loads compiles to a pack that reads back, or is refused when it is compiled: never a
// pack its own reader refuses.
TEST(CharacterPack, EveryPackWrittenReadsBackOrIsNotWritten) {
    head_test::temp_folder dir;
    // Every model beyond half of float's range: the sum of the bounds would overflow float.
    dir.WriteModel("far.x", FanMesh({{3e38f, 3e38f, 3e38f}, {3.2e38f, 3e38f, 3e38f}, {3e38f, 3.2e38f, 3e38f}}));
    dir.WriteModel("far_open.x", FanMesh({{3e38f, 2.9e38f, 3e38f}, {3.2e38f, 2.9e38f, 3e38f}, {3e38f, 3.2e38f, 3e38f}}));
    // An extra model stored near float's low edge and shown, by its offset, inside the head;
    // the pack stores the model file as read, which the centre then moves beyond float.
    dir.WriteModel("rest.x", FanMesh({{0, 0, 0}, {2e38f, 0, 0}, {0, 1, 0}}));
    dir.WriteModel("low.x", FanMesh({{-3e38f, 0, 0}, {-3e38f, 1, 0}, {-2.9e38f, 0, 0}}));
    const struct {
        std::string text;
        std::string refused;  // empty: the pack is written and reads back
    } cases[] = {
        {"single_model\nx 1 far.x 1\nAA 1 far_open.x 1\nAA2 2 far.x 0.5 far_open.x 0.5\n", ""},
        {"single_model\nx 1 rest.x 1\nAUX low.x 3.2e38 0 0\n",
         "its pack would not read back: the pack's centre moves model 'low.x' beyond the range of float"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        d3d_character character;
        std::istringstream in(c.text);
        std::string error;
        ASSERT_TRUE(character.LoadCharacterFile(in, dir.Path(), nullptr, &error)) << error;
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(std::isfinite(character.centre[a]));
            EXPECT_TRUE(std::isfinite(character.bounds_min[a]) && std::isfinite(character.bounds_max[a]));
        }
        const std::vector<uint8_t> pack = character.WriteCharacterPack(&error);
        if (!c.refused.empty()) {
            EXPECT_TRUE(pack.empty());
            EXPECT_EQ(error, c.refused);
            continue;
        }
        d3d_character back;
        ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
        ASSERT_EQ(back.morphs.size(), character.morphs.size());
        for (const auto& [label, morph] : character.morphs)
            EXPECT_EQ(back.morphs[label].arrays[0][1].x, morph.arrays[0][1].x) << label;
    }
}

TEST(CharacterPack, WrittenAndReadBackGivesTheSameCharacter) {
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path()));
    const std::vector<uint8_t> pack = c.WriteCharacterPack();

    d3d_character back;
    std::string error;
    std::size_t consumed = 0;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error, &consumed)) << error;
    EXPECT_EQ(consumed, pack.size());
    ASSERT_EQ(back.morphs.size(), c.morphs.size());
    for (const auto& [label, morph] : c.morphs) {
        ASSERT_EQ(back.morphs.count(label), 1u) << label;
        const auto& other = back.morphs[label];
        ASSERT_EQ(other.arrays.size(), morph.arrays.size()) << label;
        for (std::size_t j = 0; j < morph.arrays.size(); ++j)
            for (std::size_t k = 0; k < morph.arrays[j].size(); ++k) {
                EXPECT_EQ(other.arrays[j][k].x, morph.arrays[j][k].x);
                EXPECT_EQ(other.arrays[j][k].y, morph.arrays[j][k].y);
            }
    }
    ASSERT_EQ(back.rest_models.size(), 3u);
    EXPECT_EQ(back.CharacterPackModelName(back.rest_models[0]), "TeethN.x");
    ASSERT_EQ(back.aux_models.size(), 1u);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(back.bounds_min[a], c.bounds_min[a]);
        EXPECT_EQ(back.bounds_max[a], c.bounds_max[a]);
        EXPECT_EQ(back.centre[a], c.centre[a]);
    }
    // Drawn models stand where the rest morph says, teeth included.
    int n;
    const float* p = back.rest_models[0]->GetPositions(n);
    (void)p;
    ModelVertex* v = back.rest_models[0]->LockVertices(n);
    EXPECT_FLOAT_EQ(v[0].y, c.rest_morph.arrays[0][0].y);
    back.rest_models[0]->UnlockVertices(v, false);
    // The texture travelled inside the pack and the head model finds it by its bare name.
    EXPECT_TRUE(back.rest_models[2]->Materials()[0].texture);
    // Positions shared by several morphs are pooled once: writing again gives the same bytes.
    EXPECT_EQ(back.WriteCharacterPack().size(), pack.size());
    VertexPool pool;
    for (const auto& [label, morph] : c.morphs) pool.Collect(morph);
    std::size_t positions = 0;
    for (const auto& [label, morph] : c.morphs)
        for (const auto& a : morph.arrays) positions += a.size();
    EXPECT_LT(pool.Size(), positions);
}

TEST(CharacterPack, AModelDrawnTwiceStaysOneModel) {
    sample_character s;
    d3d_character c;
    std::istringstream in("x 1 N.x 1\nAUX HeadN.x 0 0 0\n");
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path()));
    ASSERT_EQ(c.aux_models.size(), 1u);
    EXPECT_EQ(c.aux_models[0], c.rest_models[2]);
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    d3d_character back;
    std::string error;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    ASSERT_EQ(back.aux_models.size(), 1u);
    EXPECT_EQ(back.aux_models[0], back.rest_models[2]);
}

TEST(CharacterPack, AnIndexBeyondThePoolReadsAsOrigin) {
    byte_writer w;
    w.WriteI32(1);
    for (float f : {1.0f, 2.0f, 3.0f}) w.WriteF32(f);
    w.WriteI32(1);  // one array
    w.WriteI32(3);  // of three positions
    for (int32_t i : {0, 7, -1}) w.WriteI32(i);
    byte_reader in(w.Bytes().data(), w.Bytes().size());
    VertexPool pool;
    std::string error;
    ASSERT_TRUE(pool.Read(in, &error));
    VisemeMorph morph;
    ASSERT_TRUE(ReadVisemeMorph(in, morph, pool, &error));
    EXPECT_EQ(morph.arrays[0][0].z, 3.0f);
    EXPECT_EQ(morph.arrays[0][1].x, 0.0f);
    EXPECT_EQ(morph.arrays[0][2].y, 0.0f);
}

TEST(CharacterPack, TruncatedOversizedAndMismatchedPacksFail) {
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path()));
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    std::string error;
    for (std::size_t cut = 0; cut < pack.size(); ++cut) {
        d3d_character back;
        EXPECT_FALSE(back.ReadCharacterPack(pack.data(), cut, &error)) << cut;
    }
    // The texture count claims more textures than the bytes could hold.
    std::vector<uint8_t> oversized = pack;
    oversized[0] = oversized[1] = oversized[2] = 0xFF;
    oversized[3] = 0x7F;
    d3d_character back;
    EXPECT_FALSE(back.ReadCharacterPack(oversized.data(), oversized.size(), &error));
    EXPECT_NE(error.find("larger than its data"), std::string::npos) << error;
}

TEST(CharacterPack, APackHoldingNaNOrInfinityIsRefusedWithItsPlace) {
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path()));
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    // The pool follows the textures: its count, then three floats per position.
    d3d_texture_mgr textures;
    byte_reader texture_section(pack.data(), pack.size());
    std::string error;
    ASSERT_TRUE(textures.ReadPack(texture_section, &error)) << error;
    const std::size_t pool_y = texture_section.Position() + 4 + 4;
    const std::size_t centre_x = pack.size() - 12;
    const struct {
        std::size_t at;
        float value;
        std::string error;
    } cases[] = {
        {pool_y, std::numeric_limits<float>::quiet_NaN(), "a pool position at byte " + std::to_string(pool_y - 4) + " is not finite"},
        {pool_y + 12, -INFINITY, "a pool position at byte " + std::to_string(pool_y + 8) + " is not finite"},
        {centre_x, INFINITY, "a bound at byte " + std::to_string(centre_x) + " is not finite"},
    };
    for (const auto& bad : cases) {
        std::vector<uint8_t> bytes = pack;
        std::memcpy(bytes.data() + bad.at, &bad.value, 4);
        d3d_character back;
        EXPECT_FALSE(back.ReadCharacterPack(bytes.data(), bytes.size(), &error)) << bad.error;
        EXPECT_EQ(error, bad.error);
    }
}

TEST(CharacterPack, ACentreThatMovesAModelBeyondFloatIsRefused) {
    head_test::temp_folder dir;
    dir.WriteModel("rest.x", FanMesh({{3e38f, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    d3d_character c;
    std::istringstream in("single_model\nx 1 rest.x 1\n");
    ASSERT_TRUE(c.LoadCharacterFile(in, dir.Path()));
    std::vector<uint8_t> pack = c.WriteCharacterPack();
    const float centre_x = -FLT_MAX;
    std::memcpy(pack.data() + pack.size() - 12, &centre_x, 4);
    d3d_character back;
    std::string error;
    EXPECT_FALSE(back.ReadCharacterPack(pack.data(), pack.size(), &error));
    EXPECT_EQ(error, "the pack's centre moves model 'rest.x' beyond the range of float");
}

TEST(CharacterPack, MorphsLongerThanTheirRestModelAreRefused) {
    head_test::temp_folder dir;
    dir.WriteModel("rest.x", FanMesh(kTri));
    dir.WriteModel("big.x", FanMesh(kQuad));
    d3d_character c;
    std::istringstream in("single_model\nx 1 rest.x 1\nAA 1 big.x 1\n");
    std::string error;
    EXPECT_FALSE(c.LoadCharacterFile(in, dir.Path(), nullptr, &error));
    EXPECT_NE(error.find("'AA'"), std::string::npos) << error;
}

TEST(CharacterPack, AnObjRestModelSurvivesThePack) {
    head_test::temp_folder dir;
    dir.Write("rest.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    d3d_character c;
    std::istringstream in("single_model\nx 1 rest.obj 1\n");
    ASSERT_TRUE(c.LoadCharacterFile(in, dir.Path()));
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    d3d_character back;
    std::string error;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    ASSERT_EQ(back.rest_models.size(), 1u);
    EXPECT_EQ(back.rest_models[0]->VertexCount(), 3);
}

TEST(CharacterPack, BuiltInHeadsReadToTheirExactEnd) {
    struct expected {
        uint16_t id;
        std::size_t textures;
        std::vector<int> rest;
        std::size_t aux;
    };
    for (const expected& e : {expected{216, 6, {6435}, 0}, expected{217, 0, {494, 162, 1672}, 2}}) {
        const ResourceBytes r = FindEmbeddedResourceById("MODEL3D", e.id);
        ASSERT_TRUE(r.data) << e.id;
        d3d_character c;
        std::string error;
        std::size_t consumed = 0;
        ASSERT_TRUE(c.ReadCharacterPack(r.data, r.size, &error, &consumed)) << e.id << ": " << error;
        EXPECT_EQ(consumed, r.size) << e.id;
        EXPECT_EQ(c.textures.Textures().size(), e.textures);
        ASSERT_EQ(c.rest_models.size(), e.rest.size());
        for (std::size_t j = 0; j < e.rest.size(); ++j) EXPECT_EQ(c.rest_models[j]->VertexCount(), e.rest[j]);
        EXPECT_EQ(c.aux_models.size(), e.aux);
        ASSERT_EQ(c.morphs.size(), 41u);
        EXPECT_EQ(c.morphs.begin()->first, "");
        EXPECT_TRUE(c.morphs.begin()->second.arrays.empty());
        for (const auto& [label, morph] : c.morphs)
            if (!label.empty()) { EXPECT_EQ(morph.arrays.size(), e.rest.size()) << label; }
        for (const d3d_model* m : c.rest_models)
            for (const ObjMaterial& mat : m->Materials())
                if (!mat.texture_file.empty()) { EXPECT_TRUE(mat.texture) << mat.texture_file; }
    }
}

}  // namespace

namespace {

// Paths that name no regular file: each must read as a missing file, never block, fill the
// memory or end the program.
struct non_regular_paths {
    head_test::temp_folder dir;
    std::vector<std::string> names = {".", "sub", "zero.x", "pipe.x", "gone.x"};
    non_regular_paths() {
        std::filesystem::create_directories(dir.Path() + "sub");
        std::filesystem::create_symlink("/dev/zero", dir.Path() + "zero.x");
        EXPECT_EQ(::mkfifo((dir.Path() + "pipe.x").c_str(), 0600), 0);
        std::filesystem::create_symlink(dir.Path() + "nowhere.x", dir.Path() + "gone.x");
    }
};

}  // namespace

TEST(Character, ModelsAndTexturesThatAreNoRegularFileReadAsMissing) {
    non_regular_paths paths;
    paths.dir.WriteModel("rest.x", FanMesh(kTri));
    for (const std::string& name : paths.names) {
        SCOPED_TRACE(name);
        d3d_character c;
        std::vector<std::string> messages;
        c.SetMessageSink([&](const std::string& m) { messages.push_back(m); });
        std::istringstream in("single_model\nx 1 rest.x 1\nAA 1 " + name + " 1\nAUX " + name + " 0 0 0\n");
        std::string error;
        EXPECT_FALSE(c.LoadCharacterFile(in, paths.dir.Path(), nullptr, &error));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], "The specified viseme file '" + name + "' cannot be loaded");
        EXPECT_TRUE(c.aux_models.empty());

        // As a texture: the model loads untextured and the texture is noted as unreadable.
        head_test::temp_folder textured;
        textured.WriteModel("rest.x", FanMesh(kTri, "../" + paths.dir.Path().substr(5) + name));
        d3d_model model;
        d3d_texture_mgr textures;
        ASSERT_TRUE(model.LoadFromFile(textures, textured.Path() + "rest.x", kModelKindX));
        EXPECT_FALSE(model.Materials()[0].texture);
        ASSERT_EQ(textures.Failures().size(), 1u);
        const std::string why = textures.Failures()[0].why;
        EXPECT_TRUE(why == "it is a folder, not a file" || why == "it is not a regular file" ||
                    why == "No such file or directory")
            << why;
    }
}

TEST(CharacterPack, HoldsTheCharacterAsLoadedWhateverHappensToItsFilesLater) {
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    ASSERT_TRUE(c.LoadCharacterFile(in, s.dir.Path()));
    // The files change and go after loading; the pack is still the character on screen.
    s.dir.WriteModel("HeadN.x", FanMesh(Moved(kQuad, 5, 5, 5)));
    std::filesystem::remove(s.dir.Path() + "TeethN.x");
    std::filesystem::remove(s.dir.Path() + "Eyes.x");
    std::filesystem::remove(s.dir.Path() + "skin.tga");
    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    d3d_character back;
    std::string error;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    ASSERT_EQ(back.rest_models.size(), 3u);
    ASSERT_EQ(back.aux_models.size(), 1u);
    int n, m;
    const float* shown = c.rest_models[2]->GetPositions(n);
    const float* packed = back.rest_models[2]->GetPositions(m);
    ASSERT_EQ(n, m);
    for (int i = 0; i < 3 * n; ++i) EXPECT_FLOAT_EQ(packed[i], shown[i]) << i;
    ASSERT_TRUE(back.rest_models[2]->Materials()[0].texture);
    EXPECT_EQ(back.rest_models[2]->Materials()[0].texture->rgba[0], 200);
}

TEST(CharacterPack, KeepsObjMaterialsAndSameNamedTexturesApart) {
    // The head is an OBJ whose library gives a colour and a texture; the eyes, in another
    // folder, use a texture of the same file name with other pixels.
    head_test::temp_folder dir;
    std::filesystem::create_directories(dir.Path() + "a");
    std::filesystem::create_directories(dir.Path() + "b");
    std::vector<uint8_t> red(4 * 4 * 4, 255), blue(4 * 4 * 4, 255);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i + 1] = red[i + 2] = 0, blue[i] = blue[i + 1] = 0;
    dir.Write("a/skin.tga", EncodeTarga(4, 4, red.data(), false));
    dir.Write("b/skin.tga", EncodeTarga(4, 4, blue.data(), false));
    dir.Write("a/head.obj", "mtllib head.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl face\nf 1 2 3\n");
    dir.Write("a/head.mtl", "newmtl face\nKd 0.25 0.5 0.75\nmap_Kd skin.tga\n");
    dir.WriteModel("b/eyes.x", FanMesh(kTri, "skin.tga"));
    d3d_character c;
    std::istringstream in("AUX b/eyes.x 0 0 0\nsingle_model\nx 1 a/head.obj 1\n");
    std::string error;
    ASSERT_TRUE(c.LoadCharacterFile(in, dir.Path(), nullptr, &error)) << error;
    const std::vector<std::string> sources = c.SourceFiles();
    for (const char* file : {"a/head.obj", "a/head.mtl", "a/skin.tga", "b/eyes.x", "b/skin.tga"})
        EXPECT_NE(std::find(sources.begin(), sources.end(), dir.Path() + file), sources.end()) << file;

    const std::vector<uint8_t> pack = c.WriteCharacterPack();
    d3d_character back;
    ASSERT_TRUE(back.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    ASSERT_EQ(back.rest_models.size(), 1u);
    ASSERT_EQ(back.aux_models.size(), 1u);
    const ObjMaterial& face = back.rest_models[0]->Materials().back();
    EXPECT_EQ(face.name, "face");
    EXPECT_FLOAT_EQ(face.material.diffuse.r, 0.25f);
    EXPECT_FLOAT_EQ(face.material.diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(face.material.diffuse.b, 0.75f);
    ASSERT_TRUE(face.texture);
    EXPECT_EQ(face.texture->rgba[0], 255);  // red, from a/
    const ObjMaterial& eyes = back.aux_models[0]->Materials()[0];
    ASSERT_TRUE(eyes.texture);
    EXPECT_EQ(eyes.texture->rgba[2], 255);  // blue, from b/
    EXPECT_EQ(eyes.texture->rgba[0], 0);
}

TEST(Character, RunningOutOfMemoryEndsTheLoadNotTheProgram) {
    // The progress call stands in for an allocation deep inside the load that fails.
    sample_character s;
    d3d_character c;
    std::istringstream in(s.text);
    std::string error;
    EXPECT_FALSE(c.LoadCharacterFile(in, s.dir.Path(), [](int, int) -> bool { throw std::bad_alloc(); }, &error));
    EXPECT_EQ(error, "there is not enough memory to load the character");
}
