// Loading and writing a whole movie as the character template does: about 0.4 MB with 600 shapes of
// 60 edges each, 40 sprites and 2,000 frames of 10 depths, read into the dictionary and timeline
// models (Load) and written back with every character before its first use (Write).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_movie.h"
#include "swf/flash_shape.h"
#include "swf/flash_sprite.h"

namespace {

std::vector<uint8_t> MakeMovie() {
    std::mt19937 random(5);
    auto delta = [&random] { return static_cast<int32_t>(random() % 4000) - 2000; };
    FSWFMovie movie;
    movie.header.version = 6;
    movie.header.frame = FlashRect(0, 0, 11000, 8000);
    movie.header.rateInteger = 12;
    for (uint16_t id = 1; id <= 600; ++id) {
        FlashTagDefineShape3 shape;
        shape.characterId = id;
        shape.bounds = FlashRect(-20000, -20000, 20000, 20000);
        shape.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(id % 256, 0, 0, 255, 1)));
        shape.shape.lineStyles.styles.push_back(FlashLineStyle(20, FlashRGBA(0, 0, 0, 255, 1)));
        FlashShapeRecordChange start;
        start.stateMoveTo = start.stateFillStyle1 = start.stateLineStyle = 1;
        start.fillStyle1 = start.lineStyle = 1;
        shape.shape.AddRecord(start);
        for (int e = 0; e < 60; ++e) {
            if (e % 2)
                shape.shape.AddRecord(FlashShapeRecordCurved(delta(), delta(), delta(), delta()));
            else
                shape.shape.AddRecord(FlashShapeRecordStraight(delta(), delta()));
        }
        movie.AddCharacter(shape);
    }
    for (uint16_t id = 601; id <= 640; ++id) {
        FlashTagSprite sprite;
        sprite.characterId = id;
        for (int f = 0; f < 12; ++f) {
            FlashTagPlaceObject2 place(1);
            place.hasCharacter = place.hasMatrix = 1;
            place.characterId = static_cast<uint16_t>(1 + (id * 12 + f) % 600);
            sprite.timeline.VisitPlaceObject2(place);
            FlashTagShowFrame show;
            sprite.timeline.VisitShowFrame(show);
        }
        sprite.frameCount = 12;
        movie.AddCharacter(sprite);
    }
    FTimeline& t = movie.GetTimeline();
    for (int f = 0; f < 2000; ++f) {
        if (f % 20 == 0) {
            FlashTagLabelFrame label(("G(pose, gesture" + std::to_string(f) + ")").c_str());
            t.VisitLabelFrame(label);
        }
        for (uint16_t depth = 1; depth <= 10; ++depth) {
            FlashTagPlaceObject2 place(depth);
            place.hasCharacter = place.hasMatrix = 1;
            place.characterId = static_cast<uint16_t>(depth == 1 ? 601 + f % 40 : 1 + (f / 5 * 10 + depth) % 600);
            place.matrix.translateX = static_cast<int32_t>(random() % 2000);
            t.VisitPlaceObject2(place);
        }
        FlashTagShowFrame show;
        t.VisitShowFrame(show);
    }
    flash_ostream out;
    movie.Write(out);
    return out.bytes();
}

const std::vector<uint8_t>& Movie() {
    static const std::vector<uint8_t> bytes = MakeMovie();
    return bytes;
}

void BM_SwfMovieLoad(benchmark::State& state) {
    const std::vector<uint8_t>& file = Movie();
    for (auto _ : state) {
        FSWFMovie movie;
        std::vector<std::string> errors;
        flash_istream in(file.data(), file.size());
        if (!movie.Load(in, errors)) state.SkipWithError("the movie did not load");
        benchmark::DoNotOptimize(movie.dictionary.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
    state.counters["MB"] = file.size() / 1e6;
}

void BM_SwfMovieWrite(benchmark::State& state) {
    const std::vector<uint8_t>& file = Movie();
    FSWFMovie movie;
    std::vector<std::string> errors;
    flash_istream in(file.data(), file.size());
    movie.Load(in, errors);
    for (auto _ : state) {
        flash_ostream out;
        movie.Write(out);
        if (out.size() != file.size()) state.SkipWithError("the written movie differs in length");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

}  // namespace

BENCHMARK(BM_SwfMovieLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwfMovieWrite)->Unit(benchmark::kMillisecond);
