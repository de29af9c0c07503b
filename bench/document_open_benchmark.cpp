// Opening a document as the program does: a ten-minute recording with a results file of its full
// alignment (phonemes, words, articulation keys) to a ready document; and the resident size of a
// sixty-minute document after opening and one edit. The inputs repeat a bundled utterance and its
// alignment, made in a temporary folder when the program starts.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "bench/document_inputs.h"

namespace {

namespace fs = std::filesystem;

using bench_inputs::MakeInputs;
using bench_inputs::Utterance;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void BM_OpenTenMinuteDocument(benchmark::State& state) {
    static const std::string zuvo = MakeInputs(Utterance(), 10);
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    host.profile = &profile;
    host.prompts = &prompts;
    size_t phonemes = 0;
    for (auto _ : state) {
        CPhonarcDoc doc(host);
        if (!doc.OnOpenDocument(zuvo)) {
            state.SkipWithError("open failed");
            break;
        }
        phonemes = doc.track(1).phonemes.size();
        benchmark::DoNotOptimize(doc.audio());
    }
    state.counters["phonemes"] = static_cast<double>(phonemes);
}
BENCHMARK(BM_OpenTenMinuteDocument)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SixtyMinuteDocumentResident(benchmark::State& state) {
    static const std::string zuvo = MakeInputs(Utterance(), 60);
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    host.profile = &profile;
    host.prompts = &prompts;
    double resident_mb = 0;
    for (auto _ : state) {
        CPhonarcDoc doc(host);
        if (!doc.OnOpenDocument(zuvo)) {
            state.SkipWithError("open failed");
            break;
        }
        // One edit: the history holds the track before and after.
        app_sync_results edited = doc.track(1);
        edited.phonemes[100].label = "OW";
        doc.CommitTrackEdit("Edit", edited, 1, edited.phonemes[100].start, edited.phonemes[100].end);
        resident_mb = ResidentBytes() / 1048576.0;
    }
    state.counters["resident_MB"] = resident_mb;
}
BENCHMARK(BM_SixtyMinuteDocumentResident)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
