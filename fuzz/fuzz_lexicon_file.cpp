// Fuzz target: a whole lexicon file (header, then the packed rule set and dictionary), and the
// transcriber built from it transcribing a sample script.
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "fuzz/fuzz_script.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    CTranscriber* transcriber = nullptr;
    if (LoadLexiconData(data, static_cast<int>(size), &transcriber) == 0 && transcriber) {
        transcriber->Transcribe(fuzz::kSampleScript);
        int count = 0;
        transcriber->GetOutputMarkers(&count);
        transcriber->GetTranscription();
        DestroyTranscriber(transcriber);
    }
    return 0;
}
