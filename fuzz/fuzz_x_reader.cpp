// Fuzz target: the .x model reader in all its forms. A model it accepts holds only finite numbers,
// and reads back the same, vertices and materials bit for bit, from its text and binary forms.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/x_file.h"

namespace {

bool AllFinite(const mesh_file& mesh) {
    for (const ModelVertex& v : mesh.mesh.buffer.vertices)
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
            if (!std::isfinite(f)) return false;
    for (const mesh_material& m : mesh.materials) {
        const d3d_material& d = m.material;
        for (const d3d_colour& c : {d.diffuse, d.ambient, d.specular, d.emissive})
            for (float f : {c.r, c.g, c.b, c.a})
                if (!std::isfinite(f)) return false;
        if (!std::isfinite(d.power)) return false;
    }
    return true;
}

bool SameMesh(const mesh_file& a, const mesh_file& b) {
    const auto& va = a.mesh.buffer.vertices;
    const auto& vb = b.mesh.buffer.vertices;
    if (va.size() != vb.size() || a.mesh.indices != b.mesh.indices || a.mesh.attributes != b.mesh.attributes ||
        a.materials.size() != b.materials.size())
        return false;
    if (!va.empty() && std::memcmp(va.data(), vb.data(), va.size() * sizeof(ModelVertex)) != 0) return false;
    for (std::size_t i = 0; i < a.materials.size(); ++i)
        if (std::memcmp(&a.materials[i].material, &b.materials[i].material, sizeof(d3d_material)) != 0 ||
            a.materials[i].texture_file != b.materials[i].texture_file)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    mesh_file mesh;
    std::string error;
    if (!ReadXFile(data, size, mesh, &error)) return 0;
    if (!AllFinite(mesh)) std::abort();
    for (x_format format : {x_format::text, x_format::binary}) {
        const std::vector<uint8_t> bytes = WriteXFile(mesh, format);
        mesh_file back;
        if (!ReadXFile(bytes.data(), bytes.size(), back, &error) || !SameMesh(mesh, back)) std::abort();
    }
    return 0;
}
