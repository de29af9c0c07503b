// A triangle mesh as the model readers build it: vertices, three indices per triangle, one
// material index (attribute) per triangle, and the materials as the file names them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_device.h"
#include "views/heads/model_files/model_vertex.h"

// Meshes keep 16-bit indices' limit: a model holds at most this many vertices.
constexpr std::size_t kMaxMeshVertices = 65535;

struct mesh_material {
    d3d_material material;
    std::string name;
    std::string texture_file;  // empty when none
};

struct d3d_subset {
    uint32_t attribute = 0;
    uint32_t first_triangle = 0;
    uint32_t triangle_count = 0;
};

struct d3d_mesh {
    d3d_vertex_buffer buffer;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> attributes;  // one per triangle
    std::vector<d3d_subset> subsets;   // after SortByAttribute

    std::size_t TriangleCount() const { return attributes.size(); }
    // Orders the triangles by attribute (stable) and builds the subset table.
    void SortByAttribute();
    // Draws the triangles of one attribute.
    void DrawSubset(d3d_device& device, uint32_t attribute) const;
};

struct mesh_file {
    d3d_mesh mesh;
    std::vector<mesh_material> materials;
};
