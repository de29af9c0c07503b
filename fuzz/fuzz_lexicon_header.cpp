// Fuzz target: the lexicon file header as the language manager lists a file (its first bytes).
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber_info.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    TranscriberInfo info{};
    ReadLexiconInfo(data, static_cast<int>(size), &info);
    return 0;
}
