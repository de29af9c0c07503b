// Fuzz target: the .x model reader in all its forms; a model it accepts must read back the same
// from its text form.
#include <cmath>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/x_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    mesh_file mesh;
    std::string error;
    if (!ReadXFile(data, size, mesh, &error)) return 0;
    for (const ModelVertex& v : mesh.mesh.buffer.vertices)
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
            if (!std::isfinite(f)) return 0;
    const std::vector<uint8_t> text = WriteXFile(mesh, x_format::text);
    mesh_file back;
    if (!ReadXFile(text.data(), text.size(), back, &error) || back.mesh.indices != mesh.mesh.indices) std::abort();
    return 0;
}
