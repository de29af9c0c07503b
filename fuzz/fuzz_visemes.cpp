// Fuzz target: the 2D head's text meshes, loaded as a shape set and drawn into nothing but sums.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/head2d/viseme_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    VisemeMeshSet set;
    if (!set.Load(reinterpret_cast<const char*>(data), size)) return 0;
    // Every corner the reader accepted must name a vertex of its mesh.
    for (const CFlatShaded2dMesh* mesh : {&set.face, &set.mouth, &set.topTeeth, &set.bottomTeeth}) {
        for (const Mesh2dPart& part : mesh->parts) {
            for (int32_t corner : part.corners) {
                if (corner < 0 || static_cast<size_t>(corner) >= mesh->vertices.size()) std::abort();
            }
        }
    }
    CFlatShaded2dMesh sum;
    sum.WeightedSum({{&set.face, 0.5f}, {&set.bottomTeeth, 0.5f}});
    return 0;
}
