// The vertex and material records every head model is made of; shared by the model readers, the
// models and the device layer that draws them.
#pragma once

#include <memory>
#include <string>

// Position, normal, one texture coordinate set: 32 bytes.
struct ModelVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(ModelVertex) == 32);

struct d3d_colour {
    float r = 0, g = 0, b = 0, a = 0;
};

// Lighting colours of one subset.
struct d3d_material {
    d3d_colour diffuse, ambient, specular, emissive;
    float power = 0;
};

struct d3d_texture;

struct ObjMaterial {
    d3d_material material;
    std::shared_ptr<d3d_texture> texture;  // null when the subset has none
    std::string name;
    std::string texture_file;
};
