// A device that draws nothing and writes down every call, one line each, so that tests can check
// what the head view asks of a device and in which order.
#pragma once

#include <string>
#include <vector>

#include "views/heads/model_files/d3d_device.h"

class recording_device : public d3d_device {
public:
    bool TestCooperativeLevel() override;
    void SetRenderState(d3d_render_state state, uint32_t value) override;
    void SetTransform(d3d_transform_kind kind, const d3d_matrix& matrix) override;
    void SetLight(int index, const d3d_light& light) override;
    void LightEnable(int index, bool enable) override;
    void SetMaterial(const d3d_material& material) override;
    void SetTexture(int stage, const d3d_texture* texture) override;
    void Clear(uint32_t colour, float depth) override;
    bool BeginScene() override;
    void EndScene() override;
    void Present() override;
    void DrawIndexedTriangles(const d3d_vertex_buffer& buffer, const std::vector<uint32_t>& indices,
                              uint32_t first_index, uint32_t triangle_count) override;

    bool lost = false;
    std::vector<std::string> calls;
    // The last transforms and lights set, for checks on their values.
    d3d_matrix world, view, projection;
    d3d_light lights[2];
    // The vertex buffers drawn, in order.
    std::vector<const d3d_vertex_buffer*> drawn;
};
