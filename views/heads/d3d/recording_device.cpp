// The recording back end of the device layer.
#include "views/heads/d3d/recording_device.h"

#include <cstdio>

namespace {
const char* StateName(d3d_render_state s) {
    switch (s) {
        case d3d_render_state::fill_mode: return "fill_mode";
        case d3d_render_state::shade_mode: return "shade_mode";
        case d3d_render_state::cull_mode: return "cull_mode";
        case d3d_render_state::normalize_normals: return "normalize_normals";
        case d3d_render_state::specular_enable: return "specular_enable";
        case d3d_render_state::ambient: return "ambient";
        case d3d_render_state::lighting: return "lighting";
    }
    return "?";
}
}  // namespace

bool recording_device::TestCooperativeLevel() {
    calls.push_back(lost ? "TestCooperativeLevel lost" : "TestCooperativeLevel");
    return !lost;
}

void recording_device::SetRenderState(d3d_render_state state, uint32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "SetRenderState %s 0x%X", StateName(state), value);
    calls.push_back(text);
}

void recording_device::SetTransform(d3d_transform_kind kind, const d3d_matrix& matrix) {
    const char* name = kind == d3d_transform_kind::world ? "world" : kind == d3d_transform_kind::view ? "view" : "projection";
    (kind == d3d_transform_kind::world ? world : kind == d3d_transform_kind::view ? view : projection) = matrix;
    calls.push_back(std::string("SetTransform ") + name);
}

void recording_device::SetLight(int index, const d3d_light& light) {
    if (index >= 0 && index < 2) lights[index] = light;
    calls.push_back("SetLight " + std::to_string(index));
}

void recording_device::LightEnable(int index, bool enable) {
    calls.push_back("LightEnable " + std::to_string(index) + (enable ? " on" : " off"));
}

void recording_device::SetMaterial(const d3d_material& m) {
    char text[96];
    std::snprintf(text, sizeof text, "SetMaterial %.2f %.2f %.2f", m.diffuse.r, m.diffuse.g, m.diffuse.b);
    calls.push_back(text);
}

void recording_device::SetTexture(int stage, const d3d_texture* texture) {
    calls.push_back("SetTexture " + std::to_string(stage) + (texture ? " texture" : " none"));
}

void recording_device::Clear(uint32_t colour, float depth) {
    char text[64];
    std::snprintf(text, sizeof text, "Clear 0x%08X %.1f", colour, depth);
    calls.push_back(text);
}

bool recording_device::BeginScene() {
    calls.push_back("BeginScene");
    return true;
}
void recording_device::EndScene() { calls.push_back("EndScene"); }
void recording_device::Present() { calls.push_back("Present"); }

void recording_device::DrawIndexedTriangles(const d3d_vertex_buffer& buffer, const std::vector<uint32_t>&,
                                            uint32_t first_index, uint32_t triangle_count) {
    drawn.push_back(&buffer);
    calls.push_back("Draw " + std::to_string(first_index) + " " + std::to_string(triangle_count));
}
