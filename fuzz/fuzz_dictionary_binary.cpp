// Fuzz target: the dictionary's binary form (as stored in a lexicon file) and lookups in it.
#include "engine/text/pronunciation_dictionary.h"
#include "fuzz/fuzz_dictionary_probe.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    CPronunciationDictionary* dictionary = new CPronunciationDictionary;
    const void* cursor = data;
    int remaining = static_cast<int>(size);
    if (dictionary->LoadBinary(&cursor, &remaining) == 0) fuzz::ProbeDictionary(*dictionary);
    dictionary->Destroy();
    return 0;
}
