// Fuzz target: the compiled character pack reader (textures, pool, morphs, models); a pack it
// accepts must be written again and read back.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/d3d_character.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    d3d_character character;
    std::string error;
    if (!character.ReadCharacterPack(data, size, &error)) return 0;
    const std::vector<uint8_t> again = character.WriteCharacterPack();
    d3d_character back;
    if (!back.ReadCharacterPack(again.data(), again.size(), &error) || back.morphs.size() != character.morphs.size())
        std::abort();
    return 0;
}
