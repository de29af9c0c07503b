// The 3D head view: viseme blending and mixing into the rest models, the camera, mouse rotation and
// zoom, and drawing through the device layer.
#include "views/heads/d3d/d3d_viseme_view.h"

#include <QMouseEvent>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "model/articulation_key.h"
#include "platform/resource_table.h"
#include "views/heads/d3d/gl_device.h"

namespace {

constexpr uint32_t kClearColour = 0xFF63BADF;
constexpr float kRotationStep = 0.08726647f;  // 5 degrees per mouse message
constexpr float kVerticalLimit = 1.5707964f;
constexpr float kVerticalClamp = 1.553343f;  // 89 degrees
constexpr float kMinimumDistance = 0.05f;

// Shared by every view of the process; the bar saves and restores the camera.
float g_distance_factor = 1.0f;
float g_angle = 0.0f;
float g_vertical_angle = 0.17453294f;
float g_last_amount = 0.0f;
int g_last_x = 0, g_last_y = 0;
bool g_vertical_drag = false;

}  // namespace

CD3dVisemeView::CD3dVisemeView(QWidget* parent) : QOpenGLWidget(parent) {
    world_ = view_ = projection_ = MatrixIdentity();
    setMouseTracking(true);
    setMinimumSize(100, 100);
}

CD3dVisemeView::~CD3dVisemeView() {
    if (gl_ && context()) {
        makeCurrent();
        gl_->ReleaseTextures();
        gl_.reset();
        doneCurrent();
    }
}

void CD3dVisemeView::OnLoaded() {
    loaded_ = true;
    SetTransforms();
}

bool CD3dVisemeView::CreateDeviceAndLoad(std::istream& in, const std::string& folder,
                                         const d3d_character::progress_fn& progress, std::string* error) {
    if (!character_.LoadCharacterFile(in, folder, progress, error)) return false;
    OnLoaded();
    return true;
}

bool CD3dVisemeView::ReadCharacterPack(const unsigned char* data, std::size_t size, std::string* error) {
    if (!character_.ReadCharacterPack(data, size, error)) return false;
    OnLoaded();
    return true;
}

bool CD3dVisemeView::LoadBuiltInHead(uint16_t resource_id, std::string* error) {
    const ResourceBytes bytes = FindEmbeddedResourceById(kModel3dResourceType, resource_id);
    if (!bytes.data) {
        if (error) *error = "the program holds no built-in head " + std::to_string(resource_id);
        return false;
    }
    return ReadCharacterPack(bytes.data, bytes.size, error);
}

std::vector<uint8_t> CD3dVisemeView::WriteCharacterPack(std::string* error) {
    return character_.WriteCharacterPack(error);
}

void CD3dVisemeView::SetViseme(const char* label, int32_t amount) {
    if (!loaded_) return;
    auto it = character_.morphs.find(label ? label : "");
    if (it == character_.morphs.end()) it = character_.morphs.find("x");
    if (it == character_.morphs.end()) return;
    // At most 30 steps away from the previous amount, so that the mouth never jumps.
    float a = static_cast<float>(amount);
    const float last = g_last_amount;
    if (a > last + 30) a = last + 30;
    if (a < last - 30) a = last - 30;
    g_last_amount = a;
    if (a > 100) a = 100;
    if (a <= 2) a = 0;
    const float w = a * 0.01f;
    const VisemeMorph& morph = it->second;
    const VisemeMorph& rest = character_.rest_morph;
    for (std::size_t j = 0; j < character_.rest_models.size(); ++j) {
        d3d_model* model = character_.rest_models[j];
        int count;
        ModelVertex* v = model->LockVertices(count);
        if (!v) continue;
        if (j < morph.arrays.size() && !morph.arrays[j].empty() &&
            morph.arrays[j].size() <= static_cast<std::size_t>(count) && j < rest.arrays.size() &&
            rest.arrays[j].size() >= morph.arrays[j].size()) {
            const auto& target = morph.arrays[j];
            const auto& base = rest.arrays[j];
            for (std::size_t k = 0; k < target.size(); ++k) {
                v[k].x = w * target[k].x + (1 - w) * base[k].x;
                v[k].y = w * target[k].y + (1 - w) * base[k].y;
                v[k].z = w * target[k].z + (1 - w) * base[k].z;
            }
        }
        model->UnlockVertices(v, false);
    }
    RequestFrame();
}

void CD3dVisemeView::SetVisemeMix(const ArticulationKey* key) {
    if (!loaded_ || !key) return;
    const auto& rest_models = character_.rest_models;
    std::vector<std::vector<d3d_vector3>> sums(rest_models.size());
    for (std::size_t j = 0; j < rest_models.size(); ++j) sums[j].resize(static_cast<std::size_t>(rest_models[j]->VertexCount()));
    const int pairs = std::max(0, std::min(key->count, static_cast<int32_t>(ArticulationKey::kMaxPairs)));
    for (int i = 0; i < pairs; ++i) {
        char code[4];
        std::memcpy(code, key->pairs[i].code, 3);
        code[3] = 0;
        auto it = character_.morphs.find(code);
        if (it == character_.morphs.end()) continue;
        float w = key->pairs[i].weight;
        if (!(w > 0)) continue;
        if (w > 1) w = 1;
        for (std::size_t j = 0; j < rest_models.size() && j < it->second.arrays.size(); ++j) {
            const auto& array = it->second.arrays[j];
            for (std::size_t k = 0; k < array.size() && k < sums[j].size(); ++k) {
                sums[j][k].x += w * array[k].x;
                sums[j][k].y += w * array[k].y;
                sums[j][k].z += w * array[k].z;
            }
        }
    }
    for (std::size_t j = 0; j < rest_models.size(); ++j) {
        int count;
        ModelVertex* v = rest_models[j]->LockVertices(count);
        if (!v) continue;
        for (int k = 0; k < count; ++k) v[k].x = sums[j][k].x, v[k].y = sums[j][k].y, v[k].z = sums[j][k].z;
        rest_models[j]->UnlockVertices(v, false);
    }
    RequestFrame();
}

void CD3dVisemeView::GetCamera(float& distance_factor, float& angle, float& vertical_angle) {
    distance_factor = g_distance_factor;
    angle = g_angle;
    vertical_angle = g_vertical_angle;
}

void CD3dVisemeView::SetCamera(float distance_factor, float angle, float vertical_angle) {
    g_distance_factor = distance_factor;
    g_angle = angle;
    g_vertical_angle = vertical_angle;
    SetTransforms();
    RequestFrame();
}

void CD3dVisemeView::SetCameraZoom(float multiplier) {
    g_distance_factor *= multiplier;
    SetTransforms();
    RequestFrame();
}

void CD3dVisemeView::SetTransforms() {
    const float* lo = character_.bounds_min;
    const float* hi = character_.bounds_max;
    projection_ = MakeProjection();
    const float cx = (lo[0] + hi[0]) * 0.5f, cy = (lo[1] + hi[1]) * 0.5f;
    view_ = MatrixLookAtLH({cx, cy, lo[2] - (hi[1] - lo[1]) / std::sqrt(2.0f)}, {cx, cy, lo[2]}, {0, 1, 0});
    if (g_vertical_angle >= kVerticalLimit) g_vertical_angle = kVerticalClamp;
    if (g_vertical_angle <= -kVerticalLimit) g_vertical_angle = -kVerticalClamp;
    if (g_distance_factor <= kMinimumDistance) g_distance_factor = kMinimumDistance;
    world_ = MatrixMultiply(MatrixMultiply(MatrixRotationX(-g_vertical_angle), MatrixRotationY(g_angle)),
                            MatrixScaling(g_distance_factor, g_distance_factor, g_distance_factor));
}

d3d_matrix CD3dVisemeView::MakeProjection() const {
    // A quarter turn of view both ways in a square window. A window of another shape keeps that
    // square's view whole and undistorted, and shows more around it in its longer direction.
    const float quarter = 3.14159265f / 4;
    const float fov_y = aspect_ >= 1.0f ? quarter : 2.0f * std::atan(std::tan(quarter / 2) / aspect_);
    return MatrixPerspectiveFovLH(fov_y, aspect_, 1.0f, 10 * std::fabs(character_.bounds_max[2]));
}

void CD3dVisemeView::resizeGL(int w, int h) {
    aspect_ = w > 0 && h > 0 ? static_cast<float>(w) / static_cast<float>(h) : 1.0f;
    projection_ = MakeProjection();
}

void CD3dVisemeView::SetupDevice(d3d_device& device) {
    device.SetRenderState(d3d_render_state::fill_mode, kFillSolid);
    device.SetRenderState(d3d_render_state::shade_mode, kShadeGouraud);
    device.SetRenderState(d3d_render_state::cull_mode, kCullCounterClockwise);
    device.SetRenderState(d3d_render_state::normalize_normals, 1);
    device.SetRenderState(d3d_render_state::specular_enable, 1);
    device.SetRenderState(d3d_render_state::ambient, 0x808080);
    device.SetRenderState(d3d_render_state::cull_mode, kCullNone);
}

void CD3dVisemeView::SetupLights(d3d_device& device) {
    d3d_light light;
    light.diffuse = {1, 1, 1, 1};
    light.specular = {0, 0, 0, 0};
    light.ambient = {1, 1, 1, 0};
    light.range = std::sqrt(FLT_MAX);
    light.direction = {0, -1, 1};
    device.SetLight(0, light);
    device.LightEnable(0, true);
    light.direction = {0, 0, 1};
    device.SetLight(1, light);
    device.LightEnable(1, true);
    device.SetRenderState(d3d_render_state::fill_mode, kFillSolid);
    device.SetRenderState(d3d_render_state::shade_mode, kShadeGouraud);
    device.SetRenderState(d3d_render_state::cull_mode, kCullCounterClockwise);
    device.SetRenderState(d3d_render_state::normalize_normals, 1);
    device.SetRenderState(d3d_render_state::specular_enable, 1);
    device.SetRenderState(d3d_render_state::ambient, 0xFFFFFFFF);
    device.SetRenderState(d3d_render_state::cull_mode, kCullNone);
    device.SetRenderState(d3d_render_state::lighting, 1);
}

void CD3dVisemeView::RenderFrame(d3d_device& device) {
    if (!loaded_ || character_.rest_models.empty()) return;
    if (!device.TestCooperativeLevel()) {
        RequestFrame();
        return;
    }
    device.SetTransform(d3d_transform_kind::projection, projection_);
    device.SetTransform(d3d_transform_kind::view, view_);
    device.SetTransform(d3d_transform_kind::world, world_);
    device.Clear(kClearColour, 1.0f);
    if (!device.BeginScene()) return;
    for (const d3d_model* m : character_.aux_models) m->Draw(device);
    for (const d3d_model* m : character_.rest_models) m->Draw(device);
    device.EndScene();
    device.Present();
}

void CD3dVisemeView::initializeGL() {
    gl_ = std::make_unique<gl_device>();
    SetupDevice(*gl_);
    SetupLights(*gl_);
}

void CD3dVisemeView::paintGL() {
    if (!gl_) initializeGL();
    if (!loaded_ || character_.rest_models.empty()) {
        gl_->Clear(kClearColour, 1.0f);
        return;
    }
    SetupLights(*gl_);
    RenderFrame(*gl_);
}

void CD3dVisemeView::RequestFrame() { update(); }

void CD3dVisemeView::mousePressEvent(QMouseEvent* event) {
    g_last_x = static_cast<int>(event->position().x());
    g_last_y = static_cast<int>(event->position().y());
    QOpenGLWidget::mousePressEvent(event);
}

void CD3dVisemeView::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    const int y = static_cast<int>(event->position().y());
    const bool left = event->buttons() == Qt::LeftButton;
    const auto modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    if (left && modifiers == Qt::NoModifier) {
        // One step per mouse message, whatever the distance moved.
        const int dx = std::abs(x - g_last_x), dy = std::abs(y - g_last_y);
        if (dy > dx || (dy == dx && g_vertical_drag)) {
            if (y > g_last_y) g_vertical_angle += kRotationStep;
            if (y < g_last_y) g_vertical_angle -= kRotationStep;
            g_vertical_drag = true;
        } else {
            if (x > g_last_x) g_angle -= kRotationStep;
            if (x < g_last_x) g_angle += kRotationStep;
            g_vertical_drag = false;
        }
        g_last_x = x;
        g_last_y = y;
        SetTransforms();
        RequestFrame();
    } else {
        if ((event->buttons() & Qt::LeftButton) && (event->modifiers() & Qt::ControlModifier) && y != g_last_y)
            SetCameraZoom(y < g_last_y ? 1.05f : 0.95f);
        g_last_x = x;
        g_last_y = y;
    }
    QOpenGLWidget::mouseMoveEvent(event);
}
