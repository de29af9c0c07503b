// Gesture generation and editing on a ten-minute phoneme track with a small character template.
#include <benchmark/benchmark.h>

#include <random>

#include "flash/char_test_support.h"
#include "flash/gesture_generation.h"
#include "flash/gesture_random.h"
#include "flash/zuvo_anim.h"
#include "model/app_sync_results.h"

namespace {

// Phrases of consonant and vowel phonemes with pauses between them, 600 s in all.
app_sync_results SpeechTrack() {
    static const char* vowels[] = {"AA", "AE", "AH", "EH", "IY", "OW", "UW"};
    static const char* consonants[] = {"b", "d", "k", "m", "n", "s", "t"};
    std::mt19937 rng(4);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    app_sync_results track;
    int t = 0;
    while (t < 600000) {
        for (int n = uniform(4, 12); n > 0; --n) {
            int d = uniform(40, 110);
            track.phonemes.push_back(phn_marker(t, t + d, consonants[uniform(0, 6)], static_cast<float>(uniform(5, 35))));
            t += d;
            d = uniform(60, 220);
            track.phonemes.push_back(phn_marker(t, t + d, vowels[uniform(0, 6)], static_cast<float>(uniform(35, 110))));
            t += d;
        }
        const int pause = uniform(150, 1800);
        track.phonemes.push_back(phn_marker(t, t + pause, "x", 0.0f));
        t += pause;
    }
    return track;
}

void BM_ExtractGestures(benchmark::State& state) {
    const app_sync_results track = SpeechTrack();
    std::vector<std::string> errors;
    zuvo_swf_char character;
    character.movie = MakeTemplateMovie(StudioClips());
    character.build(errors);
    size_t gestures = 0;
    for (auto _ : state) {
        FZuvoAnim anim;
        anim.set_character(&character);
        anim.extract_gestures(track, track.phonemes.back().end, 1);
        gestures = anim.get_gestures()->size();
        benchmark::DoNotOptimize(gestures);
    }
    state.counters["gestures"] = static_cast<double>(gestures);
}
BENCHMARK(BM_ExtractGestures)->Unit(benchmark::kMillisecond);

void BM_GenerateWithoutTemplate(benchmark::State& state) {
    const app_sync_results track = SpeechTrack();
    for (auto _ : state) {
        SeedRandomInRange(1);
        gesture_marker_list g = GenerateGesturesWithoutTemplate(track, false);
        benchmark::DoNotOptimize(g.data());
    }
}
BENCHMARK(BM_GenerateWithoutTemplate)->Unit(benchmark::kMillisecond);

// A thousand gestures added one after another across ten minutes, each with its tweens rebuilt.
void BM_AddGestures(benchmark::State& state) {
    std::vector<std::string> errors;
    zuvo_swf_char character;
    character.movie = MakeTemplateMovie(StudioClips());
    character.build(errors);
    for (auto _ : state) {
        SeedRandomInRange(2);
        std::mt19937 rng(2);
        FZuvoAnim anim;
        anim.set_character(&character);
        for (int i = 0; i < 1000; ++i) {
            const int clip = std::uniform_int_distribution<int>(0, 4)(rng);
            const int start = std::uniform_int_distribution<int>(0, 600000)(rng);
            FGesture g(kGestureUserClip, start, start + 3000, 1.0f);
            g.pose_name = character.get_gestures()[clip].pose;
            g.gesture_name = character.get_gestures()[clip].gesture;
            g.clip_index = clip;
            anim.add_gesture(g);
        }
        benchmark::DoNotOptimize(anim.get_gestures()->size());
    }
}
BENCHMARK(BM_AddGestures)->Unit(benchmark::kMillisecond);

}  // namespace
