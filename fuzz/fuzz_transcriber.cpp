// Fuzz target: the built-in English transcriber on arbitrary script bytes (markup, numbers and
// code page 1252 characters included).
#include <cstdlib>
#include <string>

#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "engine/util/resource_data.h"
#include "fuzz/fuzz_support.h"

namespace {

// Scripts are read line by line in the editor; a few kilobytes reach every path.
constexpr size_t kMaxScript = 4096;

CTranscriber* BuiltInTranscriber() {
    static CTranscriber* transcriber = [] {
        int size = 0;
        const void* text = LoadResourceDataById(nullptr, "BLAH", 165, &size, false);
        CTranscriber* made = nullptr;
        if (text) CreateDefaultTranscriber(static_cast<const char*>(text), size, &made);
        return made;
    }();
    return transcriber;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTranscriber* transcriber = BuiltInTranscriber();
    if (!transcriber) std::abort();
    if (size > kMaxScript) return 0;
    const std::string script(reinterpret_cast<const char*>(data), size);  // stops at a NUL like the engine
    transcriber->Transcribe(script.c_str());
    int count = 0;
    TranscriptMarker* markers = transcriber->GetOutputMarkers(&count);
    const char* phonemes = transcriber->GetTranscription();
    const int phonemeLength = phonemes ? static_cast<int>(std::string(phonemes).size()) : 0;
    // Every marker must point inside the text and the phoneme string.
    for (int i = 0; i < count; ++i) {
        const TranscriptMarker& m = markers[i];
        if (m.textStart < 0 || m.textEnd < m.textStart || m.textEnd > static_cast<int>(size)) std::abort();
        if (m.phonemeStart < 0 || m.phonemeStart > phonemeLength + 1) std::abort();
        for (int s = 0; s < m.slotCount; ++s) {
            for (int a = 0; a < m.slots[s].count; ++a) (void)std::string(m.slots[s].strings[a]);
        }
    }
    return 0;
}
