// Test helpers for head files: small meshes written as .x files into a temporary folder, and
// character text files naming them.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_matrix.h"
#include "views/heads/model_files/x_file.h"

namespace head_test {

// A fan of triangles over the given positions (at least three), one material.
inline mesh_file FanMesh(const std::vector<d3d_vector3>& positions, const std::string& texture = "") {
    mesh_file m;
    for (const d3d_vector3& p : positions) {
        ModelVertex v{};
        v.x = p.x, v.y = p.y, v.z = p.z;
        v.nz = -1;
        m.mesh.buffer.vertices.push_back(v);
    }
    for (uint32_t k = 2; k < positions.size(); ++k) {
        m.mesh.indices.insert(m.mesh.indices.end(), {0u, k - 1, k});
        m.mesh.attributes.push_back(0);
    }
    mesh_material material;
    material.material.diffuse = {0.5f, 0.4f, 0.3f, 1};
    material.texture_file = texture;
    m.materials.push_back(material);
    return m;
}

// Positions moved by (dx, dy, dz).
inline std::vector<d3d_vector3> Moved(std::vector<d3d_vector3> ps, float dx, float dy, float dz) {
    for (d3d_vector3& p : ps) p.x += dx, p.y += dy, p.z += dz;
    return ps;
}

class temp_folder {
public:
    temp_folder() {
        char pattern[] = "/tmp/murmurex_heads_XXXXXX";
        path_ = mkdtemp(pattern);
        path_ += "/";
    }
    ~temp_folder() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(path_ + name, std::ios::binary) << text; }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(path_ + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteModel(const std::string& name, const mesh_file& m, x_format format = x_format::text) const {
        Write(name, WriteXFile(m, format));
    }

private:
    std::string path_;
};

}  // namespace head_test
