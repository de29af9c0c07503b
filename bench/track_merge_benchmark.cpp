// A new alignment of a whole 60-minute recording merged over the one the track already holds, as
// the document does on the user-interface thread when Lipsync With Text runs again: phonemes,
// words and articulation keys cut over the new extent and the new markers merged in.
#include <benchmark/benchmark.h>

#include <random>

#include "model/app_sync_results.h"

namespace {

constexpr int kTrackMs = 60 * 60 * 1000;

// Phonemes of 40 to 200 ms, a word every four phonemes, a key every 33 ms; shift moves every
// boundary so the new alignment differs from the old one.
app_sync_results Alignment(int shift, unsigned seed) {
    std::mt19937 random(seed);
    app_sync_results track;
    int t = shift;
    int word_start = t;
    int phones = 0;
    while (t < kTrackMs) {
        const int length = 40 + static_cast<int>(random() % 160);
        track.phonemes.emplace_back(t, t + length, "AA", 60.0f);
        t += length;
        if (++phones % 4 == 0) {
            track.words.push_back(og_marker(word_start, t, "word"));
            word_start = t;
        }
    }
    for (int k = shift; k + 33 <= kTrackMs; k += 33) {
        art_marker key;
        key.start = k;
        key.end = k + 33;
        track.articulation.push_back(key);
    }
    return track;
}

void BM_MergeANewAlignmentOverAWholeTrack(benchmark::State& state) {
    const app_sync_results old_track = Alignment(0, 1);
    const app_sync_results fresh = Alignment(7, 2);
    for (auto _ : state) {
        state.PauseTiming();
        app_sync_results working = old_track;
        state.ResumeTiming();
        working.merge(fresh, false);
        benchmark::DoNotOptimize(working.phonemes.data());
    }
    state.counters["phonemes"] = static_cast<double>(fresh.phonemes.size());
    state.counters["words"] = static_cast<double>(fresh.words.size());
    state.counters["keys"] = static_cast<double>(fresh.articulation.size());
}
BENCHMARK(BM_MergeANewAlignmentOverAWholeTrack)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
