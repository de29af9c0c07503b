// Transcribing a 10,000-word script with the built-in English language (dictionary loaded once),
// and loading that dictionary.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"

namespace {

std::string DictionaryText() {
    int size = 0;
    const void* data = LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &size, false);
    return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

// Prose with the things scripts hold: punctuation, quotes, numbers, money, a title, an address,
// markup, and words that no dictionary has. 100 words, repeated to 10,000.
const char kParagraph[] =
    "\"Well,\" said Dr. Morgan, \"the 3RD rehearsal starts at 10 sharp; bring $2.50 for coffee.\" "
    "Nobody answered. The old clock in the hallway struck twelve, and somewhere a door closed "
    "quietly <pause> while the rain kept falling on the roof of the theatre. "
    "She wrote to info@example.com about the 1,250 tickets, roughly 12.75% of the hall, "
    "then laughed <laugh> and whispered: \"Blorfingham and Zlatovich will never know.\" "
    "<cut ms=\"1500\"/> Tomorrow, perhaps, they would read the caf\xC3\xA9 menu together again. "
    "In the early morning the company gathered on the stage, and everyone spoke their lines slowly, "
    "clearly and with great care. ";

std::string TenThousandWords() {
    std::string text;
    for (int k = 0; k < 100; ++k) text += kParagraph;
    return text;
}

void BM_TranscribeTenThousandWords(benchmark::State& state) {
    const std::string dictionary = DictionaryText();
    CTranscriber* t = nullptr;
    if (dictionary.empty() || CreateDefaultTranscriber(dictionary.data(), static_cast<int>(dictionary.size()), &t) != 0) {
        state.SkipWithError("built-in dictionary missing");
        return;
    }
    const Cp1252Text script = ConvertUtf8ToCp1252(TenThousandWords());
    int markers = 0;
    for (auto _ : state) {
        t->Transcribe(script.bytes.c_str());
        benchmark::DoNotOptimize(t->GetOutputMarkers(&markers));
    }
    state.counters["markers"] = markers;
    state.counters["words/s"] = benchmark::Counter(10000.0 * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    DestroyTranscriber(t);
}
BENCHMARK(BM_TranscribeTenThousandWords)->Unit(benchmark::kMillisecond);

void BM_LoadBuiltInDictionary(benchmark::State& state) {
    const std::string dictionary = DictionaryText();
    for (auto _ : state) {
        CTranscriber* t = nullptr;
        CreateDefaultTranscriber(dictionary.data(), static_cast<int>(dictionary.size()), &t);
        DestroyTranscriber(t);
    }
}
BENCHMARK(BM_LoadBuiltInDictionary)->Unit(benchmark::kMillisecond);

// The program's way: the resource itself, used in place with the table made at build time.
void BM_BuiltInDictionaryInPlace(benchmark::State& state) {
    int size = 0;
    const char* text = static_cast<const char*>(LoadResourceDataById(nullptr, "BLAH", 165, &size, false));
    for (auto _ : state) {
        CTranscriber* t = nullptr;
        if (text == nullptr || CreateDefaultTranscriber(text, size, &t) != 0) {
            state.SkipWithError("built-in dictionary missing");
            return;
        }
        DestroyTranscriber(t);
    }
}
BENCHMARK(BM_BuiltInDictionaryInPlace)->Unit(benchmark::kMillisecond);

// Scripts of one character repeated: punctuation (a word each) and a digit run (spelled).
void BM_TranscribeLongRun(benchmark::State& state) {
    const std::string script(static_cast<size_t>(state.range(1)), static_cast<char>(state.range(0)));
    CTranscriber* t = nullptr;
    CreateDefaultTranscriber("", 0, &t);
    for (auto _ : state) t->Transcribe(script.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(1));
    DestroyTranscriber(t);
}
BENCHMARK(BM_TranscribeLongRun)
    ->Args({',', 1 << 16})
    ->Args({',', 1 << 20})
    ->Args({'7', 1 << 20})
    ->Unit(benchmark::kMillisecond);

}  // namespace
