// Loading the built-in 3D heads from their packs in the program's resources: textures decoded,
// pool and morphs read, models parsed (the default actor's rest model is a compressed .x file),
// everything centred. The goal for the default actor is under 100 ms. Also compiling a loaded
// head to a pack, which reads the pack back before it is handed out.
#include <benchmark/benchmark.h>

#include "platform/resource_table.h"
#include "views/heads/model_files/d3d_character.h"

namespace {

void LoadHead(benchmark::State& state) {
    const ResourceBytes pack = FindEmbeddedResourceById("MODEL3D", static_cast<uint16_t>(state.range(0)));
    if (!pack.data) {
        state.SkipWithError("no built-in head with that id");
        return;
    }
    for (auto _ : state) {
        d3d_character character;
        std::string error;
        if (!character.ReadCharacterPack(pack.data, pack.size, &error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(character.rest_models.data());
    }
    state.SetLabel(state.range(0) == 216 ? "default actor (High Poly D3D Model)" : "Low Poly D3D Model");
}
BENCHMARK(LoadHead)->Arg(216)->Arg(217)->Unit(benchmark::kMillisecond);

void WriteHeadPack(benchmark::State& state) {
    const ResourceBytes pack = FindEmbeddedResourceById("MODEL3D", static_cast<uint16_t>(state.range(0)));
    d3d_character character;
    std::string error;
    if (!pack.data || !character.ReadCharacterPack(pack.data, pack.size, &error)) {
        state.SkipWithError("no built-in head with that id");
        return;
    }
    for (auto _ : state) {
        const std::vector<uint8_t> written = character.WriteCharacterPack(&error);
        if (written.empty()) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(written.data());
    }
    state.SetLabel(state.range(0) == 216 ? "default actor (High Poly D3D Model)" : "Low Poly D3D Model");
}
BENCHMARK(WriteHeadPack)->Arg(216)->Arg(217)->Unit(benchmark::kMillisecond);

}  // namespace
