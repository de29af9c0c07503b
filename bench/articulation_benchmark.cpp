// Articulation of a ten-minute phoneme track at 30 frames per second, as the document runs it
// (built-in rules, level 4), with and without smoothing; and the frame candidates found by the
// full per-frame scan against the cursor the articulator uses.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/articulation/frame_candidates.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "model/phn_marker.h"
#include "model/phoneme_codes.h"

namespace {

constexpr int kTrackMs = 10 * 60 * 1000;

// Phonemes of 40 to 200 ms with rests between phrases, every code of the inventory.
std::vector<phn_marker> TenMinuteTrack() {
    std::mt19937 random(2024);
    std::vector<phn_marker> track;
    int t = 0;
    while (t < kTrackMs) {
        const bool rest = random() % 12 == 0;
        const int length = rest ? 150 + static_cast<int>(random() % 400) : 40 + static_cast<int>(random() % 160);
        const char* code = rest ? "x" : kPhonemeCodes[1 + random() % (kPhonemeCodeCount - 1)];
        const float value = rest ? 100.0f : 30.0f + static_cast<float>(random() % 71);
        track.emplace_back(t, t + length, code, value);
        t += length;
    }
    return track;
}

void Articulate(benchmark::State& state, uint32_t flags) {
    const std::vector<phn_marker> track = TenMinuteTrack();
    CPhonemeMixtureArticulator articulator;
    articulator.SetFlags(flags);
    articulator.SetLevel(4);
    articulator.SetFrameRate(30.0f);
    for (auto _ : state) {
        articulator.GenerateFromPhonemes(track, -1, -1);
        benchmark::DoNotOptimize(articulator.KeysBegin());
    }
    state.counters["keys"] = static_cast<double>(articulator.Keys().size());
    state.counters["phonemes"] = static_cast<double>(track.size());
}

void BM_ArticulateTenMinutes(benchmark::State& state) { Articulate(state, 0); }
void BM_ArticulateTenMinutesSmoothed(benchmark::State& state) { Articulate(state, kArticulatorSmoothing); }

std::vector<ArticulatedPhoneme> Articulated(const std::vector<phn_marker>& track) {
    std::vector<ArticulatedPhoneme> out;
    for (const phn_marker& p : track) out.push_back(ArticulatedPhoneme{p.start, p.end, 1.0, nullptr, 0});
    return out;
}

// Candidates for every frame of the track: the cursor against the scan from the first phoneme.
void BM_CandidatesCursor(benchmark::State& state) {
    const auto phonemes = Articulated(TenMinuteTrack());
    FrameCandidates c;
    for (auto _ : state) {
        CFrameCandidateCursor cursor(phonemes, 250, 125);
        for (int f = 0; f < kTrackMs / 33; ++f) {
            cursor.Collect(static_cast<int>(f * 33.333332f + 16.666666f), c);
            benchmark::DoNotOptimize(c.current);
        }
    }
}

void BM_CandidatesFullScan(benchmark::State& state) {
    const auto phonemes = Articulated(TenMinuteTrack());
    FrameCandidates c;
    for (auto _ : state) {
        for (int f = 0; f < kTrackMs / 33; ++f) {
            ScanFrameCandidates(phonemes, static_cast<int>(f * 33.333332f + 16.666666f), 250, 125, c);
            benchmark::DoNotOptimize(c.current);
        }
    }
}

}  // namespace

BENCHMARK(BM_ArticulateTenMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArticulateTenMinutesSmoothed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandidatesCursor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandidatesFullScan)->Unit(benchmark::kMillisecond);
