// Tests of the 2D head: the text meshes and the built-in shapes, the display state's rules, the
// drawing, and that shapes relayed from another thread are drawn on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <cstring>
#include <filesystem>
#include <thread>

#include "views/heads/head2d/head2d_renderer.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/heads/head2d/viseme_head_state.h"
#include "views/heads/head2d/viseme_mesh.h"
#include "views/heads/head2d/wireframe_viseme_view.h"
#include "model/articulation_key.h"
#include "model/pub_queue.h"
#include "platform/resource_table.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_relay.h"

namespace {

// A face of 60 vertices and 52 polygons followed by one row of teeth, in the resource format.
std::string FixtureText(const char* teethName = "topTeeth") {
    std::string t = "xof 0302txt 0064\nMesh Fixture\n{\n60\n";
    for (int i = 0; i < 60; ++i) t += std::to_string(i) + ".5," + std::to_string(-i) + ",0.0;,\n";
    t += "52;\n";
    for (int i = 0; i < 52; ++i) t += "3;" + std::to_string(i) + "," + std::to_string(i + 1) + "," + std::to_string(i + 2) + ";,\n";
    t += "}\nMesh " + std::string(teethName) + "\n{\n4\n0,0,0;,\n1,0,0;,\n1,1,0;,\n0,1,0;,\n1;\n4;0,1,2,3;,\n}\n";
    return t;
}

TEST(VisemeMeshText, ReadsTheFixture) {
    const std::string text = FixtureText();
    VisemeMeshSet set;
    std::string error;
    ASSERT_TRUE(set.Load(text.data(), text.size(), &error)) << error;
    EXPECT_EQ(set.name, "Fixture");
    EXPECT_FLOAT_EQ(set.face.vertices[3].x, 3.5f);
    EXPECT_FLOAT_EQ(set.face.vertices[3].y, -3.0f);
    EXPECT_EQ(set.face.parts[27].colour, kVisemeSkinColour);
    EXPECT_EQ(set.face.parts[28].colour, kVisemeLipColour);
    EXPECT_EQ((std::vector<int32_t>{5, 6, 7}), set.face.parts[5].corners);
    EXPECT_EQ(set.topTeeth.vertices.size(), 4u);
    EXPECT_EQ(set.topTeeth.parts[0].colour, kVisemeParsedColour);
    EXPECT_TRUE(set.bottomTeeth.vertices.empty());
    // The mouth is the inner lip contour of the face.
    ASSERT_EQ(set.mouth.vertices.size(), 12u);
    EXPECT_FLOAT_EQ(set.mouth.vertices[1].x, 50.5f);
    EXPECT_FLOAT_EQ(set.mouth.vertices[6].x, 34.5f);
    EXPECT_EQ(set.mouth.parts[0].colour, kVisemeMouthColour);

    // Names of the teeth compare in any case; a round trip through the writer gives the same mesh.
    const std::string lower = FixtureText("BOTTOMteeth");
    ASSERT_TRUE(set.Load(lower.data(), lower.size()));
    EXPECT_EQ(set.bottomTeeth.vertices.size(), 4u);
    const std::string again = kVisemeFileHeader + WriteVisemeMesh(set.name, set.face);
    VisemeMeshSet copy;
    ASSERT_TRUE(copy.Load(again.data(), again.size()));
    EXPECT_EQ(copy.face.parts[10].corners, set.face.parts[10].corners);
    EXPECT_FLOAT_EQ(copy.face.vertices[59].y, set.face.vertices[59].y);
}

TEST(VisemeMeshText, RefusesMalformedFaces) {
    const std::string good = FixtureText();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"cut in the vertices", good.substr(0, 200)},
        {"cut in the polygons", good.substr(0, good.find("}\nMesh") - 40)},
        {"not a mesh", replaced("Mesh Fixture", "Mush Fixture")},
        {"59 vertices", replaced("{\n60\n", "{\n59\n")},
        {"vertex count beyond the bytes", replaced("{\n60\n", "{\n99999999\n")},
        {"negative polygon count", replaced("52;\n", "-52;\n")},
        {"corner beyond the vertices", replaced("3;0,1,2;,", "3;0,1,60;,")},
        {"negative corner", replaced("3;0,1,2;,", "3;0,-1,2;,")},
        {"more than 256 corners", replaced("3;0,1,2;,", "257;0,1,2;,")},
        {"missing separator", replaced("0.5,0,0.0;,", "0.5 0,0.0;,")},
        {"header line over 1,023 characters", std::string(2000, 'x') + "\n" + good},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        VisemeMeshSet set;
        std::string error;
        EXPECT_FALSE(set.Load(c.text.data(), c.text.size(), &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    // Malformed teeth do not fail the shape.
    VisemeMeshSet set;
    const std::string badTeeth = replaced("4;0,1,2,3;,", "4;0,1,2,9;,");
    EXPECT_TRUE(set.Load(badTeeth.data(), badTeeth.size()));
    EXPECT_TRUE(set.topTeeth.vertices.empty());
}

TEST(VisemeMeshText, EveryBuiltInShapeHasTheExpectedCounts) {
    const char* const names[] = {"AA", "AE", "AH", "AO", "AW", "AY", "DX", "EH", "ER", "EY", "F", "H", "IH",
                                 "IY", "K", "L", "N", "OW", "OY", "S", "SH", "TH", "UH", "W", "X", "Y"};
    for (const char* name : names) {
        const ResourceBytes bytes = FindEmbeddedResource(kVisemeResourceType, name);
        ASSERT_NE(bytes.data, nullptr) << name;
        VisemeMeshSet set;
        std::string error;
        ASSERT_TRUE(set.Load(reinterpret_cast<const char*>(bytes.data), bytes.size, &error)) << name << ": " << error;
        EXPECT_EQ(VisemeResourceName(set.name), name);
        EXPECT_EQ(set.face.vertices.size(), 60u) << name;
        EXPECT_EQ(set.face.parts.size(), 52u) << name;
        EXPECT_EQ(set.bottomTeeth.vertices.size(), 44u) << name;
        const std::string n = name;
        const size_t top = (n == "AW" || n == "ER" || n == "UH" || n == "X") ? 0 : (n == "EH" || n == "L") ? 28 : 20;
        EXPECT_EQ(set.topTeeth.vertices.size(), top) << name;
    }
    const VisemeShapes shapes = LoadVisemeShapes();
    EXPECT_EQ(shapes.sets.size(), 26u);
    // The mix shape carries the top teeth of "AA".
    EXPECT_EQ(shapes.mixShape.topTeeth.vertices.size(), shapes.sets.at("AA").topTeeth.vertices.size());
    EXPECT_FLOAT_EQ(shapes.mixShape.topTeeth.vertices[2].y, shapes.sets.at("AA").topTeeth.vertices[2].y);
}

TEST(VisemeHeadState, AmountsRiseByFortyAndLabelsMapToShapes) {
    ResetLastVisemeAmount();
    CVisemeHeadState state;
    EXPECT_EQ(state.current, "IY");
    EXPECT_FLOAT_EQ(state.blend, 1.0f);
    const struct {
        const char* label;
        int amount;
        const char* current;
        float blend;
    } steps[] = {
        {"AA", 100, "AA", 0.40f}, {"AA", 100, "AA", 0.80f}, {"AA", 100, "AA", 1.00f},
        {"m", 100, "x", 1.00f},   {"b", 0, "x", 0.60f},     {"d", 70, "DX", 0.70f},
        // A label outside the map keeps the shape but blends it from "x" at the new amount.
        {"??", 50, "DX", 0.50f},  {"f", 2, "f", 0.10f},     {"f", 2, "f", 0.0f},
    };
    for (const auto& s : steps) {
        state.SetViseme(s.label, s.amount);
        EXPECT_EQ(state.current, s.current) << s.label << " " << s.amount;
        EXPECT_NEAR(state.blend, s.blend, 1e-6) << s.label << " " << s.amount;
        EXPECT_EQ(state.previous, "x");
        EXPECT_FALSE(state.mixMode);
    }
}

TEST(VisemeHeadState, ClicksStepThroughTheShapesInNameOrder) {
    const VisemeShapes shapes = LoadVisemeShapes();
    CVisemeHeadState state;
    state.current = "x";
    state.Click(shapes.sets);
    std::string order = state.current;
    for (int i = 0; i < 26; ++i) {
        state.Click(shapes.sets);
        order += " " + state.current;
    }
    EXPECT_EQ(order, "y AA AE AH AO AW AY DX EH ER EY IH IY OW OY SH TH UH f h k l n s w x y");
    state.current = "nothing";
    state.Click(shapes.sets);
    EXPECT_EQ(state.current, "AA");
    state.Click({});
    EXPECT_EQ(state.current, "x");
}

QImage Render(const CVisemeHeadState& state, VisemeShapes& shapes, int w = 200, int h = 210) {
    QImage image(w, h, QImage::Format_RGB888);
    RenderVisemeHead(image, state, shapes);
    return image;
}

TEST(VisemeHeadDrawing, TopTeethComeOnlyFromTheCurrentShape) {
    VisemeShapes shapes = LoadVisemeShapes();
    ASSERT_TRUE(shapes.sets.at("AW").topTeeth.vertices.empty());
    // "AW" blended from a shape with top teeth draws none: the same picture as without them.
    CVisemeHeadState state;
    state.current = "AW";
    state.previous = "IY";
    state.blend = 0.5f;
    const QImage blended = Render(state, shapes);
    VisemeShapes withoutTeeth = shapes;
    withoutTeeth.sets.at("IY").topTeeth = CFlatShaded2dMesh{};
    EXPECT_EQ(blended, Render(state, withoutTeeth));
    // The other way round the top teeth show.
    state.current = "IY";
    state.previous = "AW";
    VisemeShapes iyWithout = shapes;
    iyWithout.sets.at("IY").topTeeth = CFlatShaded2dMesh{};
    EXPECT_NE(Render(state, shapes), Render(state, iyWithout));
    // A blend of 1 draws the shape whole; a window one pixel wide still draws.
    state.blend = 1.0f;
    EXPECT_NE(Render(state, shapes, 1, 100).pixel(0, 60), QColor(Qt::white).rgb());
}

TEST(VisemeHeadDrawing, AnEvenMixAveragesFaceMouthAndBottomTeeth) {
    VisemeShapes shapes = LoadVisemeShapes();
    CVisemeHeadState state;
    ArticulationKey key{};
    key.count = 2;
    std::strcpy(key.pairs[0].code, "AA");
    key.pairs[0].weight = 0.5f;
    std::strcpy(key.pairs[1].code, "IY");
    key.pairs[1].weight = 0.5f;
    state.SetVisemeMix(key);
    Render(state, shapes);
    const VisemeMeshSet& aa = shapes.sets.at("AA");
    const VisemeMeshSet& iy = shapes.sets.at("IY");
    for (size_t i : {0u, 28u, 52u, 59u}) {
        EXPECT_FLOAT_EQ(shapes.mixShape.face.vertices[i].y, 0.5f * aa.face.vertices[i].y + 0.5f * iy.face.vertices[i].y);
    }
    EXPECT_FLOAT_EQ(shapes.mixShape.mouth.vertices[3].y, 0.5f * aa.mouth.vertices[3].y + 0.5f * iy.mouth.vertices[3].y);
    EXPECT_FLOAT_EQ(shapes.mixShape.bottomTeeth.vertices[0].y,
                    0.5f * aa.bottomTeeth.vertices[0].y + 0.5f * iy.bottomTeeth.vertices[0].y);
    EXPECT_EQ(shapes.mixShape.topTeeth.vertices.size(), aa.topTeeth.vertices.size());
    // A code outside the map counts as the closed mouth.
    key.count = 1;
    std::strcpy(key.pairs[0].code, "QQ");
    key.pairs[0].weight = 1.0f;
    state.SetVisemeMix(key);
    Render(state, shapes);
    EXPECT_FLOAT_EQ(shapes.mixShape.face.vertices[52].y, shapes.sets.at("x").face.vertices[52].y);
}

TEST(OffscreenDib, RowsAreFourByteAligned) {
    COffscreenDib dib;
    EXPECT_FALSE(dib.Create(10, 10, 8));
    EXPECT_FALSE(dib.Create(0, 10, 24));
    ASSERT_TRUE(dib.Create(5, 3, 24));
    EXPECT_EQ(dib.GetStride(), 16);
    EXPECT_EQ(dib.GetWidth(), 5);
    EXPECT_NE(dib.GetBits(), nullptr);
    ASSERT_TRUE(dib.Create(7, 2, 32));
    EXPECT_EQ(dib.GetStride(), 28);
    dib.Destroy();
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetHeight(), 0);
}

// The viseme player's shapes cross to the GUI thread through its relay: the view takes each one
// there, in order, and draws it at once.
TEST(WireFrameVisemeView, ShapesRelayedFromAnotherThreadAreDrawnOnTheGuiThread) {
    ResetLastVisemeAmount();
    CWireFrameVisemeView view;
    view.resize(200, 210);
    view.Init();
    view.show();
    QApplication::processEvents();
    SetVisemeHandler(&view);
    const int before = view.FramesDrawn();
    viseme_relay relay;
    constexpr int kShapes = 300;
    std::thread player([&relay] {
        ArticulationKey key{};
        key.count = 1;
        std::strcpy(key.pairs[0].code, "OW");
        key.pairs[0].weight = 1.0f;
        for (int i = 0; i < kShapes; ++i) {
            relay.PostViseme(i % 2 ? "AA" : "IY", 100);
            if (i % 50 == 0) relay.PostVisemeMix(&key);
        }
        relay.PostViseme("UW", 100);
    });
    // "UW" is the last shape sent: once it shows, every shape has been delivered.
    while (player.joinable()) {
        pub_queue::dispatch();
        QApplication::processEvents();
        if (view.State().current == "UH" && !view.State().mixMode) player.join();
    }
    EXPECT_GE(view.FramesDrawn() - before, kShapes + kShapes / 50 + 1);
    // The last shape is what the window shows.
    VisemeShapes shapes = LoadVisemeShapes();
    EXPECT_EQ(view.RenderFrame().convertToFormat(QImage::Format_RGB888), Render(view.State(), shapes));
    SetVisemeHandler(nullptr);
    pub_queue::destroy_instance();
}

// The five shapes a viewer must tell apart, side by side, for a person to look at.
TEST(VisemeHeadDrawing, FiveShapesLookDifferent) {
    VisemeShapes shapes = LoadVisemeShapes();
    const struct {
        const char* label;
        const char* caption;
    } shown[] = {{"AA", "AA"}, {"IY", "IY"}, {"UW", "UW"}, {"m", "M (x)"}, {"f", "F"}};
    constexpr int kW = 200, kH = 210;
    QImage strip(kW * 5, kH + 24, QImage::Format_RGB888);
    strip.fill(Qt::white);
    std::vector<QImage> frames;
    {
        QPainter painter(&strip);
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        for (int i = 0; i < 5; ++i) {
            CVisemeHeadState state;
            state.current = VisemeMeshNameFor(shown[i].label);
            frames.push_back(Render(state, shapes, kW, kH));
            painter.drawImage(i * kW, 0, frames.back());
            painter.setPen(Qt::black);
            painter.drawText(QRect(i * kW, kH, kW, 24), Qt::AlignCenter, shown[i].caption);
        }
    }
    // Every pair differs in at least 150 pixels, and each mouth's dark opening has its own size.
    for (int a = 0; a < 5; ++a) {
        for (int b = a + 1; b < 5; ++b) {
            int differing = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) differing += frames[a].pixel(x, y) != frames[b].pixel(x, y);
            EXPECT_GT(differing, 150) << shown[a].caption << " / " << shown[b].caption;
        }
    }
    std::filesystem::create_directories(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(strip.save(QString(MURMUREX_SCREENSHOT_DIR) + "/head2d_visemes.png"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
