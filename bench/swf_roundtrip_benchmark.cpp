// Reading a 5 MB SWF tag by tag and writing every tag back, as loading and saving a character
// template does: once with a realistic mix (bitmaps, sound blocks, shapes among many small
// display-list and action tags) and once with small control tags only (the per-tag worst case).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "swf/flash_actions.h"
#include "swf/flash_bitmap_tags.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_header.h"
#include "swf/flash_shape.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_tag_reader.h"

namespace {

constexpr size_t kTargetBytes = 5u << 20;

std::vector<uint8_t> Filler(size_t n, std::mt19937& random) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(random());
    return v;
}

std::vector<uint8_t> MakeMovie(bool withBulkData) {
    std::mt19937 random(11);
    flash_ostream body;
    body.version = 6;
    FlashTagBackgroundColor(255, 255, 255).Write(body);
    int frame = 0;
    uint16_t nextId = 1;
    while (body.size() < kTargetBytes) {
        if (withBulkData && frame % 25 == 0) {
            FlashTagDefineBitsLossless bitmap;
            bitmap.characterId = nextId++;
            bitmap.format = 5;
            bitmap.width = bitmap.height = 64;
            bitmap.data = Filler(20000, random);
            bitmap.Write(body);
            FlashTagDefineBitsJPEG2 jpeg;
            jpeg.characterId = nextId++;
            jpeg.data = Filler(30000, random);
            jpeg.Write(body);
            // A shape of about 500 bytes: a gradient fill, a line and 120 edges.
            FlashTagDefineShape3 shape;
            shape.characterId = nextId++;
            shape.bounds = FlashRect(-10000, -10000, 10000, 10000);
            auto gradient = std::make_unique<FlashFillStyleGradient>(0x10);
            gradient->gradient.ratios = {0, 255};
            gradient->gradient.colors = {FlashRGBA(255, 0, 0, 255, 1), FlashRGBA(0, 0, 255, 128, 1)};
            shape.shape.fillStyles.styles.push_back(std::move(gradient));
            shape.shape.lineStyles.styles.push_back(FlashLineStyle(20, FlashRGBA(0, 0, 0, 255, 1)));
            FlashShapeRecordChange start;
            start.stateMoveTo = start.stateFillStyle1 = start.stateLineStyle = 1;
            start.fillStyle1 = start.lineStyle = 1;
            shape.shape.AddRecord(start);
            auto delta = [&random] { return static_cast<int32_t>(random() % 2000) - 1000; };
            for (int e = 0; e < 120; ++e) {
                if (e % 3 == 0)
                    shape.shape.AddRecord(FlashShapeRecordCurved(delta(), delta(), delta(), delta()));
                else
                    shape.shape.AddRecord(FlashShapeRecordStraight(delta(), delta()));
            }
            shape.Write(body);
        }
        if (frame % 10 == 0) FlashTagLabelFrame(("frame" + std::to_string(frame)).c_str()).Write(body);
        FlashTagDoAction action;
        action.actions.records.push_back(std::make_unique<FlashActionRecord>(0x96, Filler(8, random)));
        action.actions.records.push_back(std::make_unique<FlashActionRecord>(0x07));
        action.Write(body);
        for (uint16_t depth = 1; depth <= 10; ++depth) {
            FlashTagPlaceObject2 place(depth);
            place.move = frame > 0;
            place.hasCharacter = frame == 0;
            place.characterId = depth;
            place.hasMatrix = 1;
            place.matrix.hasScale = depth % 2;
            place.matrix.xScale = FlashFixed(1.0 + depth / 10.0);
            place.matrix.translateX = static_cast<int32_t>(random() % 20000) - 10000;
            place.matrix.translateY = static_cast<int32_t>(random() % 20000) - 10000;
            if (depth == 3) {
                place.hasColorTransform = 1;
                place.colorTransform.hasMult = 1;
                place.colorTransform.mult = FlashRGBA(256, 200, 100, 256);
            }
            place.Write(body);
        }
        if (frame % 7 == 6) FlashTagRemoveObject2(10).Write(body);
        if (withBulkData) {
            FlashTagSoundStreamBlock block;
            block.data = Filler(1500, random);
            block.Write(body);
        }
        FlashTagShowFrame().Write(body);
        ++frame;
    }
    FlashTagEnd().Write(body);

    FlashHeader header;
    header.version = 6;
    header.frame = FlashRect(0, 0, 11000, 8000);
    header.rateInteger = 24;
    header.frameCount = static_cast<uint16_t>(frame);
    header.fileLength = static_cast<uint32_t>(body.size());
    flash_ostream file;
    header.Write(file);
    file.write(body.bytes().data(), body.size());
    return file.TakeBytes();
}

void ReadAndWriteBack(benchmark::State& state, bool withBulkData) {
    const std::vector<uint8_t> movie = MakeMovie(withBulkData);
    size_t tags = 0;
    for (auto _ : state) {
        flash_istream in(movie.data(), movie.size());
        FlashHeader header = ReadFlashHeader(in, nullptr);
        in.version = header.version;
        flash_ostream out;
        out.version = header.version;
        header.fileLength = static_cast<uint32_t>(movie.size() - header.HeaderSize());
        header.Write(out);
        tags = 0;
        for (;;) {
            std::unique_ptr<FlashTag> tag;
            bool more = ReadFlashTag(in, tag, nullptr);
            if (!tag) break;
            tag->Write(out);
            ++tags;
            if (!more) break;
        }
        if (out.bytes() != movie) state.SkipWithError("the written movie differs from the one read");
        benchmark::DoNotOptimize(out.bytes().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * movie.size()));
    state.counters["tags"] = static_cast<double>(tags);
    state.counters["MB"] = static_cast<double>(movie.size()) / (1 << 20);
}

void BM_SwfReadWriteBackMixed(benchmark::State& state) { ReadAndWriteBack(state, true); }
void BM_SwfReadWriteBackControlTagsOnly(benchmark::State& state) { ReadAndWriteBack(state, false); }

}  // namespace

BENCHMARK(BM_SwfReadWriteBackMixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwfReadWriteBackControlTagsOnly)->Unit(benchmark::kMillisecond);
