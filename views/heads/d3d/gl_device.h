// The OpenGL back end of the device layer: fixed-function OpenGL in the head view's widget
// context, with the device layer's depth range and lighting conventions mapped onto OpenGL's.
// Used on the GUI thread inside paintGL only, with the widget's context current.
#pragma once

#include <map>
#include <memory>

#include "views/heads/model_files/d3d_device.h"

class gl_device : public d3d_device {
public:
    gl_device();
    ~gl_device() override;

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

    // Frees the textures uploaded so far (with the context current).
    void ReleaseTextures();

private:
    void ApplyTransformsAndLights();

    d3d_matrix world_, view_, projection_;
    d3d_light lights_[8];
    bool transforms_dirty_ = true;
    std::map<const d3d_texture*, unsigned> textures_;
};
