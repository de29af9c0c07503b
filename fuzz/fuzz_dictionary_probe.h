// Looks up words in a dictionary the way the transcriber does, including the words it holds.
#pragma once

#include <cstring>

#include "engine/text/pronunciation_dictionary.h"

namespace fuzz {

inline void ProbeDictionary(const CPronunciationDictionary& dictionary) {
    static const char* const kWords[] = {"HELLO", "a", "", "ZZZZ", "world's", "\xE9t\xE9"};
    char out[512];
    DictionaryEntry entry{};
    for (const char* word : kWords) {
        const int length = static_cast<int>(std::strlen(word));
        dictionary.LookupFirst(word, length, out, sizeof out);
        dictionary.Lookup(word, static_cast<uint16_t>(length), 1, &entry);
    }
    const int count = dictionary.GetCount();
    for (int i = 0; i < count && i < 64; ++i) {
        const DictionaryEntry& e = dictionary.GetEntry(i);
        dictionary.LookupFirst(e.word, e.wordLength, out, sizeof out);
        dictionary.Lookup(e.word, e.wordLength, 0, &entry);
    }
}

}  // namespace fuzz
