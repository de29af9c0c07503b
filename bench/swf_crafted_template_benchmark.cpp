// Loading a crafted character template and writing its movie back: 64 KB that place 4,000 depths
// in the first frame and then show 16,000 frames, one clip declared over all of them. The cost of
// cutting clips and counting still frames must follow the records, not frames times depths.
#include <benchmark/benchmark.h>

#include <vector>

#include "flash/swf_char.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_movie.h"
#include "swf/flash_shape.h"

namespace {

constexpr int kDepths = 4000;
constexpr int kFrames = 16000;

std::vector<uint8_t> MakeTemplate() {
    FSWFMovie movie;
    movie.header.version = 6;
    movie.header.frame = FlashRect(0, 0, 11000, 8000);
    movie.header.rateInteger = 12;
    FlashTagDefineShape1 shape;
    shape.characterId = 1;
    shape.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(200, 0, 0)));
    movie.AddCharacter(shape);
    FTimeline& t = movie.GetTimeline();
    FlashTagLabelFrame label("G(rest)");
    t.VisitLabelFrame(label);
    for (int depth = 1; depth <= kDepths; ++depth) {
        FlashTagPlaceObject2 place(static_cast<uint16_t>(depth));
        place.hasCharacter = 1;
        place.characterId = 1;
        t.VisitPlaceObject2(place);
    }
    for (int f = 0; f < kFrames; ++f) {
        FlashTagShowFrame show;
        t.VisitShowFrame(show);
    }
    flash_ostream out;
    movie.Write(out);
    return out.bytes();
}

const std::vector<uint8_t>& Template() {
    static const std::vector<uint8_t> bytes = MakeTemplate();
    return bytes;
}

void BM_LoadCraftedTemplate(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = Template();
    for (auto _ : state) {
        flash_istream in(bytes.data(), bytes.size());
        zuvo_swf_char character;
        std::vector<std::string> errors;
        benchmark::DoNotOptimize(character.load(in, errors));
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_LoadCraftedTemplate)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_WriteCraftedTemplate(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = Template();
    flash_istream in(bytes.data(), bytes.size());
    FSWFMovie movie;
    std::vector<std::string> errors;
    movie.Load(in, errors);
    for (auto _ : state) {
        flash_ostream out;
        movie.Write(out);
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_WriteCraftedTemplate)->Unit(benchmark::kMillisecond);

}  // namespace
