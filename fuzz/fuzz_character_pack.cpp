// Fuzz target: the compiled character pack reader (textures, pool, morphs, models); a pack it
// accepts holds only finite positions (pool, morphs, models) and bounds, and must be written again
// and read back.
#include <cmath>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/d3d_character.h"

namespace {

bool AllFinite(const d3d_character& c) {
    auto finite = [](const VisemeMorph& morph) {
        for (const auto& array : morph.arrays)
            for (const d3d_vector3& p : array)
                if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        return true;
    };
    for (const auto& [label, morph] : c.morphs)
        if (!finite(morph)) return false;
    for (int a = 0; a < 3; ++a)
        if (!std::isfinite(c.bounds_min[a]) || !std::isfinite(c.bounds_max[a]) || !std::isfinite(c.centre[a]))
            return false;
    for (const auto& [name, model] : c.model_cache) {
        int n;
        const float* p = model->GetPositions(n);
        for (int i = 0; i < 3 * n; ++i)
            if (!std::isfinite(p[i])) return false;
    }
    return finite(c.rest_morph);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    d3d_character character;
    std::string error;
    if (!character.ReadCharacterPack(data, size, &error)) return 0;
    if (!AllFinite(character)) std::abort();
    const std::vector<uint8_t> again = character.WriteCharacterPack();
    d3d_character back;
    if (!back.ReadCharacterPack(again.data(), again.size(), &error) || back.morphs.size() != character.morphs.size())
        std::abort();
    return 0;
}
