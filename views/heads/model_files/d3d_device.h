// The device layer the 3D head draws through: the render states, transforms, lights, materials,
// textures and indexed triangle lists the head view uses. Back ends: OpenGL inside the head view's
// widget, and a recorder for tests. A device is used on the GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "views/heads/model_files/d3d_matrix.h"
#include "views/heads/model_files/model_vertex.h"

enum class d3d_render_state { fill_mode, shade_mode, cull_mode, normalize_normals, specular_enable, ambient, lighting };
constexpr uint32_t kFillWireframe = 2, kFillSolid = 3;
constexpr uint32_t kShadeGouraud = 2;
constexpr uint32_t kCullNone = 1, kCullCounterClockwise = 3;

enum class d3d_transform_kind { world, view, projection };

// A directional light: direction is where the light travels.
struct d3d_light {
    d3d_colour diffuse, specular, ambient;
    d3d_vector3 direction;
    float range = 0;
    float attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
};

// Vertices of one model; the generation changes whenever they are written, so that a back end
// holding a copy knows to refresh it.
struct d3d_vertex_buffer {
    std::vector<ModelVertex> vertices;
    uint64_t generation = 0;
};

class d3d_device {
public:
    virtual ~d3d_device() = default;
    // False while the device cannot draw (lost, or not yet made current).
    virtual bool TestCooperativeLevel() = 0;
    virtual void SetRenderState(d3d_render_state state, uint32_t value) = 0;
    virtual void SetTransform(d3d_transform_kind kind, const d3d_matrix& matrix) = 0;
    virtual void SetLight(int index, const d3d_light& light) = 0;
    virtual void LightEnable(int index, bool enable) = 0;
    virtual void SetMaterial(const d3d_material& material) = 0;
    // Null unbinds the stage.
    virtual void SetTexture(int stage, const d3d_texture* texture) = 0;
    // Clears colour (0xAARRGGBB) and depth.
    virtual void Clear(uint32_t colour, float depth) = 0;
    virtual bool BeginScene() = 0;
    virtual void EndScene() = 0;
    virtual void Present() = 0;
    // triangle_count triangles from indices[first_index] on.
    virtual void DrawIndexedTriangles(const d3d_vertex_buffer& buffer, const std::vector<uint32_t>& indices,
                                      uint32_t first_index, uint32_t triangle_count) = 0;
};
