// Fuzz target: the dictionary's text form ("WORD=phones" lines) and lookups in what it made.
#include "engine/text/pronunciation_dictionary.h"
#include "fuzz/fuzz_dictionary_probe.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    CPronunciationDictionary* dictionary =
        CPronunciationDictionary::CreateFromText(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (dictionary) {
        fuzz::ProbeDictionary(*dictionary);
        dictionary->Destroy();
    }
    return 0;
}
