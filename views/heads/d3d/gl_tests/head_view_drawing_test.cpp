// Draws the default 3D head through OpenGL (under an X server with Mesa) at rest and speaking, and
// checks that the mouth changes between visemes. The pictures go to the screenshot folder for a
// person to judge.
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "model/articulation_key.h"
#include "platform/resource_table.h"
#include "views/heads/d3d/d3d_viseme_view.h"
#include "views/heads/model_files/dds_image.h"

namespace {

ArticulationKey OneCode(const char* code) {
    ArticulationKey key{};
    key.count = 1;
    std::strncpy(key.pairs[0].code, code, 3);
    key.pairs[0].weight = 1.0f;
    return key;
}

// Share of pixels in the region that differ by more than a little between two pictures.
double DifferingShare(const QImage& a, const QImage& b, const QRect& region) {
    int differ = 0, total = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            ++total;
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 30) ++differ;
        }
    return total ? static_cast<double>(differ) / total : 0;
}

TEST(HeadViewDrawing, DefaultHeadSpeaksVisemesThatChangeTheMouth) {
    for (uint16_t id : {kHighPolyHeadId, kLowPolyHeadId}) {
        CD3dVisemeView view;
        std::string error;
        ASSERT_TRUE(view.LoadBuiltInHead(id, &error)) << error;
        view.SetCamera(1.0f, 0.0f, 0.17453294f);
        view.resize(400, 400);
        view.show();
        QApplication::processEvents();
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        const std::string prefix = std::string(MURMUREX_SCREENSHOT_DIR) + (id == kHighPolyHeadId ? "/head3d_high_" : "/head3d_low_");

        auto shoot = [&](const char* code) {
            const ArticulationKey key = OneCode(code);
            view.SetVisemeMix(&key);
            QApplication::processEvents();
            QImage image = view.grabFramebuffer();
            image.save(QString::fromStdString(prefix + (std::strcmp(code, "x") == 0 ? "rest" : code) + ".png"));
            return image;
        };
        const QImage rest = shoot("x");
        ASSERT_EQ(rest.width(), 400);
        // The background colour fills the corners; the head covers the middle.
        EXPECT_EQ(rest.pixel(2, 2) & 0xFFFFFF, 0x63BADFu);
        EXPECT_NE(rest.pixel(200, 200) & 0xFFFFFF, 0x63BADFu);
        // The mouth sits in the lower middle of the picture.
        const QRect mouth(140, 230, 120, 90);
        for (const char* code : {"AA", "IY", "UW", "m"}) {
            const QImage spoken = shoot(code);
            const double share = DifferingShare(rest, spoken, mouth);
            if (std::strcmp(code, "m") == 0)
                EXPECT_GT(share, 0.01) << code << " (lips pressed) should still differ from rest";
            else
                EXPECT_GT(share, 0.03) << code << " should change the mouth";
        }
        const QImage aa = shoot("AA"), uw = shoot("UW");
        EXPECT_GT(DifferingShare(aa, uw, mouth), 0.03) << "an open and a rounded mouth differ";
    }
}

// A window taller than wide shows the same head undistorted: the square view it would have in a
// square window stays whole, with more room above and below.
TEST(HeadViewDrawing, ATallWindowDoesNotStretchTheHead) {
    CD3dVisemeView view;
    std::string error;
    ASSERT_TRUE(view.LoadBuiltInHead(kHighPolyHeadId, &error)) << error;
    view.resize(200, 400);
    view.show();
    QApplication::processEvents();
    const QImage tall = view.grabFramebuffer();
    const d3d_matrix& p = view.Projection();
    EXPECT_NEAR(p.m[0][0] / p.m[1][1], 2.0f, 1e-4f);  // x scale over y scale = height over width
    EXPECT_NEAR(p.m[0][0], 1.0f / std::tan(3.14159265f / 8), 1e-3f);  // the square's horizontal view
    tall.save(QString::fromStdString(std::string(MURMUREX_SCREENSHOT_DIR) + "/head3d_tall.png"));
}

// The built-in head with its textures stored as DXT1 surfaces draws textured, like the original.
TEST(HeadViewDrawing, AHeadWithDdsTexturesDrawsTextured) {
    const ResourceBytes builtIn = FindEmbeddedResourceById(kModel3dResourceType, kHighPolyHeadId);
    ASSERT_TRUE(builtIn.data);
    d3d_character source;
    std::string error;
    ASSERT_TRUE(source.ReadCharacterPack(builtIn.data, builtIn.size, &error)) << error;
    ASSERT_FALSE(source.textures.Textures().empty());
    for (const auto& [name, texture] : source.textures.Textures())
        texture->file_bytes = EncodeDds(texture->width, texture->height, texture->rgba.data(), dds_format::dxt1);
    const std::vector<uint8_t> pack = source.WriteCharacterPack();

    auto draw = [](CD3dVisemeView& view) {
        view.SetCamera(1.0f, 0.0f, 0.17453294f);
        view.resize(400, 400);
        view.show();
        QApplication::processEvents();
        const ArticulationKey rest = OneCode("x");
        view.SetVisemeMix(&rest);
        QApplication::processEvents();
        return view.grabFramebuffer();
    };
    CD3dVisemeView original, dds;
    ASSERT_TRUE(original.LoadBuiltInHead(kHighPolyHeadId, &error)) << error;
    ASSERT_TRUE(dds.ReadCharacterPack(pack.data(), pack.size(), &error)) << error;
    EXPECT_TRUE(dds.Character().textures.Failures().empty());
    for (const d3d_model* m : dds.Character().rest_models)
        for (const ObjMaterial& material : m->Materials())
            if (!material.texture_file.empty()) { EXPECT_TRUE(material.texture) << material.texture_file; }
    const QImage expected = draw(original), shot = draw(dds);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    shot.save(QString(MURMUREX_SCREENSHOT_DIR) + "/head3d_dds_texture.png");
    // Block compression changes a colour here and there, never the picture.
    EXPECT_LT(DifferingShare(expected, shot, QRect(100, 60, 200, 300)), 0.05);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
