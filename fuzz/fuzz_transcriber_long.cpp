// Fuzz target: the transcriber on long scripts. The script target caps its input at a few
// kilobytes, so costs that grow faster than the text (copying on every append, memory per
// character) never show there. Here a short pattern is repeated to a script of up to 256 KB:
// the first byte chooses the length (4 KB steps), the rest is the pattern.
#include <cstdlib>
#include <string>

#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"

namespace {

constexpr size_t kMaxPattern = 64;
constexpr size_t kLengthStep = 4096;

CTranscriber* NumbersOnlyTranscriber() {
    // Long runs of words would only measure the dictionary; a small one keeps the rest in view.
    static CTranscriber* transcriber = [] {
        static const char kDictionary[] = "HELLO=hEHlOW\nWORLD=wERld\n";
        CTranscriber* made = nullptr;
        CreateDefaultTranscriber(kDictionary, static_cast<int>(sizeof kDictionary - 1), &made);
        return made;
    }();
    return transcriber;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTranscriber* transcriber = NumbersOnlyTranscriber();
    if (!transcriber) std::abort();
    if (size < 2 || size > kMaxPattern + 1) return 0;
    const size_t length = (data[0] % 64 + 1) * kLengthStep;
    const std::string pattern(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (pattern.find('\0') != std::string::npos) return 0;
    std::string script;
    script.reserve(length + pattern.size());
    while (script.size() < length) script += pattern;
    transcriber->Transcribe(script.c_str());
    int count = 0;
    const TranscriptMarker* markers = transcriber->GetOutputMarkers(&count);
    const char* phonemes = transcriber->GetTranscription();
    const int phonemeLength = phonemes ? static_cast<int>(std::string(phonemes).size()) : 0;
    int previousStart = 0;
    for (int i = 0; i < count; ++i) {
        const TranscriptMarker& m = markers[i];
        if (m.textStart < previousStart || m.textEnd < m.textStart || m.textEnd > static_cast<int>(script.size()))
            std::abort();
        if (m.phonemeStart < 0 || m.phonemeStart > phonemeLength + 1) std::abort();
        previousStart = m.textStart;
    }
    return 0;
}
