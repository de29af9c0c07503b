// The 3D head view without OpenGL: viseme blending and mixing into the rest models, the camera and
// its clamps, mouse rotation and zoom, and the calls a frame makes on a device.
#include "views/heads/d3d/d3d_viseme_view.h"

#include <QApplication>
#include <QMouseEvent>

#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "model/articulation_key.h"
#include "model/pub_queue.h"
#include "views/heads/d3d/recording_device.h"
#include "views/heads/model_files/head_test_support.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_relay.h"

namespace {

using head_test::FanMesh;
using head_test::Moved;

const std::vector<d3d_vector3> kTri = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

// One model; "AA" moves it 10 along x, "IY" 20 along y; an extra model drawn first.
class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteModel("rest.x", FanMesh(kTri));
        dir.WriteModel("aa.x", FanMesh(Moved(kTri, 10, 0, 0)));
        dir.WriteModel("iy.x", FanMesh(Moved(kTri, 0, 20, 0)));
        dir.WriteModel("extra.x", FanMesh(Moved(kTri, 0, 0, 1)));
        std::istringstream in("AUX extra.x 0 0 0\nsingle_model\nx 1 rest.x 1\nAA 1 aa.x 1\nIY 1 iy.x 1\n");
        std::string error;
        ASSERT_TRUE(view.CreateDeviceAndLoad(in, dir.Path(), nullptr, &error)) << error;
        rest_x = view.Character().rest_morph.arrays[0][0].x;
        rest_y = view.Character().rest_morph.arrays[0][0].y;
        // The last amount is shared by every view: bring it back to rest.
        for (int i = 0; i < 5; ++i) view.SetViseme("x", 0);
    }
    // The first vertex of the rest model as drawn.
    ModelVertex First() {
        int n;
        ModelVertex* v = view.Character().rest_models[0]->LockVertices(n);
        ModelVertex copy = v[0];
        view.Character().rest_models[0]->UnlockVertices(v, false);
        return copy;
    }
    float WeightShown() { return (First().x - rest_x) / 10; }

    head_test::temp_folder dir;
    CD3dVisemeView view;
    float rest_x = 0, rest_y = 0;
};

TEST_F(ViewTest, AmountsRiseAtMostThirtyAPerCallAndSmallOnesShowRest) {
    for (float expected : {0.3f, 0.6f, 0.9f, 1.0f}) {
        view.SetViseme("AA", 100);
        EXPECT_NEAR(WeightShown(), expected, 1e-5);
    }
    view.SetViseme("AA", 0);
    EXPECT_NEAR(WeightShown(), 0.7f, 1e-5);
    for (int i = 0; i < 4; ++i) view.SetViseme("AA", 0);
    view.SetViseme("AA", 2);
    EXPECT_EQ(WeightShown(), 0.0f);
    view.SetViseme("AA", 3);
    EXPECT_NEAR(WeightShown(), 0.03f, 1e-5);
}

TEST_F(ViewTest, UnknownLabelShowsTheRestMorph) {
    view.SetViseme("AA", 30);
    view.SetViseme("QQ", 60);
    EXPECT_FLOAT_EQ(First().x, rest_x);
}

TEST_F(ViewTest, MixesSumWeightedShapesWithWeightsCappedAtOne) {
    ArticulationKey key{};
    key.count = 2;
    std::strcpy(key.pairs[0].code, "AA");
    key.pairs[0].weight = 0.5f;
    std::strcpy(key.pairs[1].code, "IY");
    key.pairs[1].weight = 0.5f;
    view.SetVisemeMix(&key);
    EXPECT_NEAR(First().x, rest_x + 5, 1e-5);
    EXPECT_NEAR(First().y, rest_y + 10, 1e-5);

    key.count = 1;
    key.pairs[0].weight = 1.5f;
    view.SetVisemeMix(&key);
    EXPECT_NEAR(First().x, rest_x + 10, 1e-5);

    std::strcpy(key.pairs[0].code, "ZZ");
    view.SetVisemeMix(&key);
    EXPECT_EQ(First().x, 0.0f);  // no shape at all: the origin
    EXPECT_EQ(First().y, 0.0f);
}

TEST_F(ViewTest, CameraClampsZoomAndVerticalAngle) {
    float d, a, v;
    view.SetCamera(0.05f, 0, 0.2f);
    view.SetCameraZoom(1.05f);
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_FLOAT_EQ(d, 0.0525f);
    view.SetCamera(0.05f, 0, 0.2f);
    view.SetCameraZoom(0.95f);
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_FLOAT_EQ(d, 0.05f);
    view.SetCamera(1.0f, 0, 1.6f);
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_FLOAT_EQ(v, 1.553343f);
    view.SetCamera(1.0f, 0, -2.0f);
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_FLOAT_EQ(v, -1.553343f);
    view.SetCamera(1.0f, 0, 0.17453294f);
}

TEST_F(ViewTest, DraggingRotatesOneStepPerMoveAndCtrlDragZooms) {
    view.SetCamera(1.0f, 0, 0);
    auto move = [&](int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::LeftButton, mods);
        QCoreApplication::sendEvent(&view, &e);
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &press);
    float d, a, v;
    move(90, 52);  // mostly right: the angle shrinks by one step
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_NEAR(a, -0.08726647f, 1e-6);
    move(91, 60);  // mostly down: the vertical angle grows
    move(95, 64);  // diagonal: keeps to the vertical axis used last
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_NEAR(v, 2 * 0.08726647f, 1e-6);
    EXPECT_NEAR(a, -0.08726647f, 1e-6);
    move(95, 54, Qt::ControlModifier);  // up with Ctrl: zoom in
    CD3dVisemeView::GetCamera(d, a, v);
    EXPECT_FLOAT_EQ(d, 1.05f);
    view.SetCamera(1.0f, 0, 0.17453294f);
}

TEST_F(ViewTest, AFrameDrawsExtraModelsThenRestModelsOnTheClearedTarget) {
    recording_device device;
    CD3dVisemeView::SetupDevice(device);
    view.SetupLights(device);
    device.calls.clear();
    view.RenderFrame(device);
    const auto& c = device.calls;
    auto at = [&](const std::string& s) { return std::find(c.begin(), c.end(), s) - c.begin(); };
    ASSERT_LT(at("Clear 0xFF63BADF 1.0"), static_cast<long>(c.size()));
    EXPECT_LT(at("Clear 0xFF63BADF 1.0"), at("BeginScene"));
    EXPECT_LT(at("EndScene"), at("Present"));
    ASSERT_EQ(device.drawn.size(), 2u);
    EXPECT_EQ(device.drawn[0], &view.Character().aux_models[0]->Mesh().buffer);
    EXPECT_EQ(device.drawn[1], &view.Character().rest_models[0]->Mesh().buffer);
    EXPECT_FLOAT_EQ(device.lights[0].direction.y, -1.0f);
    EXPECT_FLOAT_EQ(device.lights[1].direction.z, 1.0f);

    device.calls.clear();
    device.drawn.clear();
    device.lost = true;
    view.RenderFrame(device);
    EXPECT_TRUE(device.drawn.empty());
}

TEST(HeadView, TheCameraLooksAtTheBuiltInHeadFromInFront) {
    CD3dVisemeView view;
    std::string error;
    ASSERT_TRUE(view.LoadBuiltInHead(kHighPolyHeadId, &error)) << error;
    view.SetCamera(1.0f, 0, 0);
    // The middle of the face's front lies in the middle of the picture, between the depth planes.
    const auto& c = view.Character();
    const d3d_vector3 centre{(c.bounds_min[0] + c.bounds_max[0]) / 2, (c.bounds_min[1] + c.bounds_max[1]) / 2, c.bounds_min[2]};
    const d3d_matrix all = MatrixMultiply(MatrixMultiply(view.World(), view.View()), view.Projection());
    const d3d_vector3 p = TransformPoint(centre, all);
    EXPECT_NEAR(p.x, 0, 1e-5);
    EXPECT_NEAR(p.y, 0, 1e-5);
    EXPECT_GT(p.z, 0);
    EXPECT_LT(p.z, 1);
    view.SetCamera(1.0f, 0, 0.17453294f);
}

// The viseme player's shapes cross to the GUI thread through its relay: the view takes them
// between frames, each one moving the mouth, while frames go on.
TEST_F(ViewTest, VisemesRelayedFromAnotherThreadReachTheViewBetweenFrames) {
    SetVisemeHandler(&view);
    viseme_relay relay;
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread visemes([&] {
        for (int i = 0; !stop; ++i) {
            // A few queued at a time, as the player's pace gives.
            if (pub_queue::pending_count() >= 50) {
                std::this_thread::yield();
                continue;
            }
            relay.PostViseme(i % 2 ? "AA" : "IY", (i * 7) % 101);
            ++sent;
        }
    });
    recording_device device;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int frame = 0; (frame < 200 || sent < 500) && std::chrono::steady_clock::now() < deadline; ++frame) {
        pub_queue::dispatch();
        device.calls.clear();
        view.RenderFrame(device);
    }
    stop = true;
    visemes.join();
    EXPECT_GE(sent.load(), 500);
    EXPECT_GE(device.drawn.size(), 2u);
    // What was sent last is shown once dispatched: four steps of 30 reach the whole shape.
    pub_queue::dispatch();
    for (int i = 0; i < 4; ++i) relay.PostViseme("AA", 100);
    pub_queue::dispatch();
    EXPECT_NEAR(WeightShown(), 1.0f, 1e-5);
    SetVisemeHandler(nullptr);
    pub_queue::destroy_instance();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
