// The description of a language that a transcriber carries: its name, id, flags and locale, as
// read from a lexicon file header; the language manager lists languages by it.
#pragma once

#include <cstdint>

struct TranscriberInfo {
    char name[64];   // shown to the user, NUL-terminated
    int32_t id;
    int32_t flags;   // kLanguage* bits below
    char locale[64]; // standard library locale used while transcribing; empty keeps the current one
};

// Numbers are read units before tens ("five and twenty").
constexpr int32_t kLanguageUnitsFirst = 2;
// A lexicon file header holds a locale name after the flags.
constexpr int32_t kLanguageHasLocale = 4;
// A lexicon file header holds the language's phone-constraints text.
constexpr int32_t kLanguageHasPhoneConstraints = 8;
