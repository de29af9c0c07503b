// Texture images (Targa, JPEG) and the texture manager's names.
#include "views/heads/model_files/d3d_texture.h"

#include <gtest/gtest.h>

#include "views/heads/model_files/byte_stream.h"
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
