// Fuzz target: the OBJ model reader; a model it accepts holds only finite numbers and survives
// being written as a .x file and read back.
#include <cmath>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/obj_model_reader.h"
#include "views/heads/model_files/x_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    ObjModelReader reader;
    mesh_file mesh;
    if (reader.BuildMeshFromMemory(data, size, mesh) < 0 || mesh.mesh.buffer.vertices.empty()) return 0;
    for (const ModelVertex& v : mesh.mesh.buffer.vertices)
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
            if (!std::isfinite(f)) std::abort();
    const std::vector<uint8_t> x = WriteXFile(mesh, x_format::compressed_binary);
    mesh_file back;
    if (!ReadXFile(x.data(), x.size(), back, nullptr) ||
        back.mesh.buffer.vertices.size() != mesh.mesh.buffer.vertices.size())
        std::abort();
    return 0;
}
