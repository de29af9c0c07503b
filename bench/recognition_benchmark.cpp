// Recognition speed on the tone corpus with a model of the built-in size (40 models x 3 states x
// 10 mixtures, 38 features): text-based alignment of a recording with its script, and textless
// recognition with a phone trigram model, through the recognisers' entry points. The argument
// is the recording's length in seconds; "audio_s_per_s" is seconds of audio per second of
// work (the inverse of the real-time factor).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/api/sync_marker.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/textless_recognizer.h"
#include "engine/recognition/tone_corpus_test_support.h"

using namespace tone_corpus;

namespace {

struct Recording {
    std::vector<int16_t> samples;
    std::string script;
};

// Words of the tone dictionary one after the other, 80 ms a phone, 100 ms between words.
Recording MakeRecording(int seconds) {
    static const char* const words[] = {"AMI", "EMO", "OWE", "UMA", "TWO"};
    static const char* const phones[] = {"AAmIY", "EHmOW", "OWEH", "UWmAA", "IYUW"};
    std::vector<Piece> pieces{{0, 100}};
    Recording r;
    int ms = 100;
    for (int i = 0; ms < seconds * 1000 - 500; ++i) {
        const int w = (i * 7 + i / 5) % 5;
        for (int tone : Spell(phones[w])) {
            pieces.push_back({tone, 80});
            ms += 80;
        }
        pieces.push_back({0, 100});
        ms += 100;
        r.script += words[w];
        r.script += (i % 12 == 11) ? "\n" : " ";
    }
    pieces.push_back({0, seconds * 1000 - ms});
    r.samples = Synthesize(pieces);
    return r;
}

CAccousticHMM* BuiltInSizeModel() {
    static CAccousticHMM* model = [] {
        ModelOptions o;
        o.numFeatures = 38;
        o.states = 3;
        o.mixtures = 10;
        o.extraModels = 40 - static_cast<int>(Tones().size());
        return TrainModel(o).release();
    }();
    return model;
}

CAccousticHMM* BuiltInSizeModelWithTrigrams() {
    static CAccousticHMM* model = [] {
        ModelOptions o;
        o.numFeatures = 38;
        o.states = 3;
        o.mixtures = 10;
        o.extraModels = 40 - static_cast<int>(Tones().size());
        CAccousticHMM* m = TrainModel(o).release();
        const std::string s = UniformToneTrigrams();
        LoadTrigramIntoHMM(m, s.c_str(), static_cast<int>(s.size()), 0);
        return m;
    }();
    return model;
}

void BM_TextBasedAlignment(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    Recording rec = MakeRecording(seconds);
    CAccousticHMM* model = BuiltInSizeModel();
    CTranscriber* transcriber = MakeTranscriber();
    int code = -1;
    for (auto _ : state) {
        // One iteration: the source takes the samples over, so the audio is held once, as in
        // the application.
        CSampleSource source(std::move(rec.samples));
        IObservationStream* obs = nullptr;
        CreateObservationStreamFromZuvoStream(&source, model, &obs);
        ISyncResultsCollection* results = nullptr;
        CreateSyncResultsCollection(kSyncFlagRescale, &results);
        CTextbasedPhnRecognizer* r = nullptr;
        CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&r);
        code = r->RecognizePhonemes(obs, model, rec.script.c_str(), transcriber, nullptr, results);
        state.counters["records"] = results->GetCount();
        CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(r);
        DestroySyncResultsCollection(results);
        DestroyObservationStream(obs);
    }
    if (code != 0) state.SkipWithError("alignment failed");
    state.counters["audio_s_per_s"] =
        benchmark::Counter(static_cast<double>(seconds) * state.iterations(), benchmark::Counter::kIsRate);
    DestroyTranscriber(transcriber);
}

void BM_TextlessRecognition(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    Recording rec = MakeRecording(seconds);
    CAccousticHMM* model = state.range(1) ? BuiltInSizeModelWithTrigrams() : BuiltInSizeModel();
    int code = -1;
    for (auto _ : state) {
        // One iteration: the source takes the samples over, so the audio is held once, as in
        // the application.
        CSampleSource source(std::move(rec.samples));
        IObservationStream* obs = nullptr;
        CreateObservationStreamFromZuvoStream(&source, model, &obs);
        ISyncResultsCollection* results = nullptr;
        CreateSyncResultsCollection(kSyncFlagRescale, &results);
        CTextlessPhnRecognizer* r = nullptr;
        CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&r);
        code = r->RecognizePhonemes(obs, model, nullptr, results);
        state.counters["records"] = results->GetCount();
        CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(r);
        DestroySyncResultsCollection(results);
        DestroyObservationStream(obs);
    }
    if (code != 0) state.SkipWithError("recognition failed");
    state.counters["audio_s_per_s"] =
        benchmark::Counter(static_cast<double>(seconds) * state.iterations(), benchmark::Counter::kIsRate);
}

// Ten minutes; the 60-minute runs are there for peak memory (run them alone under
// /usr/bin/time -v with --benchmark_filter).
BENCHMARK(BM_TextBasedAlignment)->Arg(600)->Arg(3600)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_TextlessRecognition)->Args({600, 1})->Args({600, 0})->Args({3600, 1})->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
