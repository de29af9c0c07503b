// Texture images (Targa, JPEG, BMP, DDS) and the texture manager's names.
#include "views/heads/model_files/d3d_texture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "views/heads/model_files/bmp_image.h"
#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/dds_image.h"
#include "views/heads/model_files/d3d_model.h"
#include "views/heads/model_files/d3d_texture_mgr.h"

namespace {

TEST(Texture, TargaRunsAndRowOrderDecode) {
    // 2x2, 24-bit, run-length, bottom row first: a run of two blue, then raw red and green.
    const std::vector<uint8_t> tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0,
                                      0x81, 255, 0, 0, 0x01, 0, 0, 255, 0, 255, 0};
    d3d_texture t;
    std::string error;
    ASSERT_TRUE(DecodeTarga(tga.data(), tga.size(), t, &error)) << error;
    ASSERT_EQ(t.width, 2);
    // Top row: red, green; bottom row: blue, blue.
    EXPECT_EQ(t.rgba[0], 255);
    EXPECT_EQ(t.rgba[5], 255);
    EXPECT_EQ(t.rgba[10], 255);
    EXPECT_EQ(t.rgba[14], 255);
    for (std::size_t cut = 0; cut < tga.size(); ++cut) EXPECT_FALSE(DecodeTarga(tga.data(), cut, t, &error)) << cut;
    std::vector<uint8_t> overrun = tga;
    overrun[18] = 0xFF;  // a run of 128 pixels in a 4-pixel image
    EXPECT_FALSE(DecodeTarga(overrun.data(), overrun.size(), t, &error));
}

TEST(Texture, EncodedImagesDecodeByContent) {
    std::vector<uint8_t> rgba(16 * 16 * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = i % 4 == 3 ? 255 : 200;
    for (const auto& bytes : {EncodeTarga(16, 16, rgba.data(), true), EncodeJpeg(16, 16, rgba.data(), 95)}) {
        auto t = DecodeTexture(bytes.data(), bytes.size());
        ASSERT_TRUE(t);
        EXPECT_EQ(t->width, 16);
        EXPECT_NEAR(t->rgba[4 * 17], 200, 3);
        EXPECT_EQ(t->file_bytes, bytes);
    }
    const std::vector<uint8_t> jpeg = EncodeJpeg(16, 16, rgba.data(), 95);
    std::string error;
    EXPECT_FALSE(DecodeTexture(jpeg.data(), jpeg.size() / 3, &error));
    EXPECT_FALSE(error.empty());
}

// A 10x6 image of 4x4 tiles of one colour each (so that block compression keeps it) with an alpha
// ramp by tile; the edge tiles are cut by the image's size.
std::vector<uint8_t> TiledImage(int w, int h) {
    std::vector<uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4;
            const int tile = (y / 4) * 3 + x / 4;
            p[0] = static_cast<uint8_t>(40 * tile), p[1] = static_cast<uint8_t>(255 - 30 * tile);
            p[2] = static_cast<uint8_t>(y < 4 ? 16 : 224), p[3] = static_cast<uint8_t>(255 - 34 * tile);
        }
    return rgba;
}

TEST(Texture, BmpAndDdsRoundTripEveryFormat) {
    const int w = 10, h = 6;
    const std::vector<uint8_t> rgba = TiledImage(w, h);
    struct format_case {
        const char* name;
        std::vector<uint8_t> bytes;
        int colour_tolerance;  // what 5/6-bit channels lose
        bool keeps_alpha;
        int alpha_tolerance;
    };
    const format_case cases[] = {
        {"bmp24", EncodeBmp(w, h, rgba.data(), false), 0, false, 0},
        {"bmp32", EncodeBmp(w, h, rgba.data(), true), 0, true, 0},
        {"dds rgba32", EncodeDds(w, h, rgba.data(), dds_format::rgba32), 0, true, 0},
        {"dds rgb24", EncodeDds(w, h, rgba.data(), dds_format::rgb24), 0, false, 0},
        {"dds rgb565", EncodeDds(w, h, rgba.data(), dds_format::rgb565), 8, false, 0},
        {"dds dxt1", EncodeDds(w, h, rgba.data(), dds_format::dxt1), 8, false, 0},
        {"dds dxt3", EncodeDds(w, h, rgba.data(), dds_format::dxt3), 8, true, 16},
        {"dds dxt5", EncodeDds(w, h, rgba.data(), dds_format::dxt5), 8, true, 0},
    };
    for (const format_case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto t = DecodeTexture(c.bytes.data(), c.bytes.size(), &error);
        ASSERT_TRUE(t) << error;
        ASSERT_EQ(t->width, w);
        ASSERT_EQ(t->height, h);
        for (std::size_t i = 0; i < rgba.size(); ++i) {
            const bool alpha = i % 4 == 3;
            const int expected = alpha && !c.keeps_alpha ? 255 : rgba[i];
            ASSERT_NEAR(t->rgba[i], expected, alpha ? c.alpha_tolerance : c.colour_tolerance) << "byte " << i;
        }
        // Every cut that takes pixels away is refused, before anything is read past the end (the
        // last bitmap row may lose its padding of up to three bytes).
        for (std::size_t cut = 0; cut + 3 < c.bytes.size(); ++cut)
            if (DecodeTexture(c.bytes.data(), cut)) {
                ADD_FAILURE() << "a file cut at " << cut << " decoded";
                break;
            }
    }
}

TEST(Texture, HandMadeBmpAndDxtDetails) {
    // An 8-bit bitmap stored top down (negative height) with a two-entry palette, 3x2 pixels.
    std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,
                                40, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 8, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 255, 0, 255, 0, 0, 0,   // palette: red, blue (stored B, G, R, 0)
                                0, 1, 0, 0, 1, 1, 0, 0};      // rows padded to 4 bytes
    d3d_texture t;
    std::string error;
    ASSERT_TRUE(DecodeBmp(bmp.data(), bmp.size(), t, &error)) << error;
    const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
    const uint8_t* want[6] = {red, blue, red, blue, blue, red};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(std::memcmp(t.rgba.data() + 4 * i, want[i], 4), 0) << i;

    // A DXT1 block whose first end point is the smaller one: three colours and transparent black.
    std::vector<uint8_t> dds = EncodeDds(4, 4, std::vector<uint8_t>(64, 255).data(), dds_format::dxt1);
    const uint8_t block[8] = {0x00, 0x00, 0x1F, 0x00, 0b11100100, 0, 0, 0};  // black, blue; 0,1,2,3
    std::memcpy(dds.data() + 128, block, 8);
    ASSERT_TRUE(DecodeDds(dds.data(), dds.size(), t, &error)) << error;
    EXPECT_EQ(t.rgba[2], 0);       // black
    EXPECT_EQ(t.rgba[6], 255);     // blue
    EXPECT_EQ(t.rgba[10], 127);    // half way
    EXPECT_EQ(t.rgba[15], 0);      // transparent
    EXPECT_EQ(t.rgba[19], 255);    // the rest of the block (index 0) is opaque

    // Forged sizes: a 8192x8192 block surface and bitmap in a few bytes are refused without
    // allocating their pixels; volume-sized or zero sides are refused outright.
    std::vector<uint8_t> big = dds;
    big[12] = 0, big[13] = 0x20, big[16] = 0, big[17] = 0x20;
    EXPECT_FALSE(DecodeDds(big.data(), big.size(), t, &error));
    EXPECT_NE(error.find("ends early"), std::string::npos) << error;
    big[13] = 0x21;
    EXPECT_FALSE(DecodeDds(big.data(), big.size(), t, &error));
    std::vector<uint8_t> wide = bmp;
    wide[18] = 0, wide[19] = 0x20;
    EXPECT_FALSE(DecodeBmp(wide.data(), wide.size(), t, &error));
    std::vector<uint8_t> no_palette = bmp;
    no_palette[10] = 54;  // pixels claimed to start inside the palette still read in bounds
    no_palette.resize(58);
    EXPECT_FALSE(DecodeBmp(no_palette.data(), no_palette.size(), t, &error));
}

TEST(TextureManager, AnUndecodableTextureIsNotedOnceAndTheModelStillLoads) {
    // A model whose texture is a file that no decoder reads: the model loads untextured and the
    // manager keeps one failure naming the file, however many models use it.
    char pattern[] = "/tmp/murmurex_tex_XXXXXX";
    const std::string dir = std::string(mkdtemp(pattern)) + "/";
    { std::ofstream(dir + "bad.dds", std::ios::binary) << "DDS not really"; }
    d3d_texture_mgr mgr;
    for (int i = 0; i < 2; ++i) {
        d3d_model model;
        const std::string x = "xof 0303txt 0032\nMesh {\n3;\n0;0;0;,\n1;0;0;,\n0;1;0;;\n1;\n3;0,1,2;;\n"
                              "MeshMaterialList {\n1;\n1;\n0;;\nMaterial {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n"
                              "TextureFilename {\n\"bad.dds\";\n}\n}\n}\n}\n";
        std::ofstream(dir + "m.x", std::ios::binary) << x;
        std::string error;
        ASSERT_TRUE(model.LoadFromFile(mgr, dir + "m.x", kModelKindX, &error)) << error;
        ASSERT_EQ(model.Materials().size(), 1u);
        EXPECT_FALSE(model.Materials()[0].texture);
    }
    ASSERT_EQ(mgr.Failures().size(), 1u);
    EXPECT_EQ(mgr.Failures()[0].name, dir + "bad.dds");
    EXPECT_EQ(mgr.Failures()[0].why.rfind("DDS: ", 0), 0u) << mgr.Failures()[0].why;
    std::filesystem::remove_all(dir);
}

// The Output Window's line for a texture that cannot be used names the file once and says what is
// wrong with it in a sentence: an empty or foreign file is not called a short Targa file.
TEST(TextureManager, FailureWarningsSayWhatIsWrongWithTheFile) {
    char pattern[] = "/tmp/murmurex_tex_XXXXXX";
    const std::string dir = std::string(mkdtemp(pattern)) + "/";
    std::filesystem::create_directories(dir + "folder.png");
    { std::ofstream(dir + "empty.png", std::ios::binary); }
    { std::ofstream(dir + "words.png", std::ios::binary) << "this is text"; }
    { std::ofstream(dir + "short.tga", std::ios::binary) << "tga"; }
    const struct {
        const char* name;
        const char* why;
    } cases[] = {
        {"folder.png", "it is a folder, not a file"},
        {"empty.png", "it is empty"},
        {"words.png", "it is not an image this program reads (JPEG, PNG, DDS, BMP or Targa)"},
        {"short.tga", "Targa: file shorter than its header"},
        {"gone.png", "No such file or directory"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(LoadTextureFile(dir + c.name, &why), nullptr) << c.name;
        EXPECT_EQ(why, c.why) << c.name;
        EXPECT_EQ(TextureFailureWarning({dir + c.name, why}),
                  "the texture " + dir + c.name + " cannot be shown: " + c.why);
    }
    std::filesystem::remove_all(dir);
}

TEST(TextureManager, FindsByFullAndBareNameAndKeepsTheFirst) {
    d3d_texture_mgr mgr;
    auto a = std::make_shared<d3d_texture>();
    auto b = std::make_shared<d3d_texture>();
    mgr.Add(a, "heads/high/skin.jpg");
    mgr.Add(b, "heads/high/skin.jpg");  // already held: ignored
    EXPECT_EQ(mgr.Find("heads/high/skin.jpg"), a);
    EXPECT_EQ(mgr.Find("skin.jpg"), a);
    EXPECT_EQ(mgr.Find("Skin.jpg"), nullptr);
    mgr.Add(b, "other/skin.jpg");  // takes the bare name over
    EXPECT_EQ(mgr.Find("skin.jpg"), b);
    mgr.ReleaseAll();
    EXPECT_EQ(mgr.Find("skin.jpg"), nullptr);
    EXPECT_EQ(mgr.Aliases().size(), 1u);
}

TEST(TextureManager, PackSectionRoundTripsAndRefusesShortData) {
    std::vector<uint8_t> rgba(4 * 4 * 4, 128);
    const std::vector<uint8_t> tga = EncodeTarga(4, 4, rgba.data(), false);
    d3d_texture_mgr mgr;
    mgr.Add(DecodeTexture(tga.data(), tga.size()), "/nowhere/eye.tga");
    byte_writer out;
    mgr.WritePack(out);  // no such file: the bytes it was decoded from are written
    const auto& bytes = out.Bytes();
    d3d_texture_mgr back;
    byte_reader in(bytes.data(), bytes.size());
    std::string error;
    ASSERT_TRUE(back.ReadPack(in, &error)) << error;
    EXPECT_TRUE(in.AtEnd());
    ASSERT_TRUE(back.Find("eye.tga"));
    EXPECT_EQ(back.Find("eye.tga")->width, 4);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        d3d_texture_mgr partial;
        byte_reader short_in(bytes.data(), cut);
        EXPECT_FALSE(partial.ReadPack(short_in, &error)) << cut;
    }
}

}  // namespace
