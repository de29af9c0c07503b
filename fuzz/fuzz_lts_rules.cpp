// Fuzz target: the letter-to-sound rules' binary form (as stored in a lexicon file), then the
// loaded rules converting a few words.
#include <string>

#include "engine/text/letter_to_sound_rules.h"
#include "fuzz/fuzz_support.h"

namespace {

class CountingSink : public IPhonemeSink {
public:
    void EmitPhonemes(const char* text, bool) override { length += std::string(text).size(); }
    void EmitAlternativeSlot(const char* text) override { length += std::string(text).size(); }
    void EmitSeparator(bool) override { ++length; }
    size_t length = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    static CLetterToSoundRules rules;
    const void* cursor = data;
    int remaining = static_cast<int>(size);
    char errorText[kLtsErrorTextSize];
    if (rules.LoadBinary(&cursor, &remaining, errorText) == 0) {
        static const char* const kWords[] = {" HELLO ", " A ", " STRENGTHS ", " QU'EST ", " XYZZY ", " \xC9T\xC9 "};
        CountingSink sink;
        for (const char* word : kWords) {
            rules.Convert(sink, word);
            int keyLength = 0;
            rules.MakeKey(word + 1, static_cast<int>(std::string(word).size()) - 2, &keyLength);
        }
    }
    return 0;
}
