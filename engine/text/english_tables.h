// The built-in English language tables that the default rule set is made of; typed in once here
// and never changed at run time.
#pragma once

#include "engine/text/letter_to_sound_rules.h"

struct LtsRuleGroup {
    char key;
    const LtsRule* rules; // ends with a rule whose match is null
};

// A run of codes first..last that the character map sends to result.
struct CharacterMapChange {
    unsigned char first;
    unsigned char last;
    unsigned char result;
};

constexpr int kEnglishGroupCount = 27;
constexpr int kEnglishCharacterNameCount = 128;
constexpr int kEnglishCharacterMapChangeCount = 57;

extern const LtsRuleGroup kEnglishRuleGroups[kEnglishGroupCount];
extern const char* const kEnglishCardinals[20];
extern const char* const kEnglishTens[8];
extern const char* const kEnglishOrdinals[20];
extern const char* const kEnglishOrdinalTens[8];
extern const char* const kEnglishWords[kWordCount];
extern const char* const kEnglishCharacterNames[kEnglishCharacterNameCount];
extern const CharacterMapChange kEnglishCharacterMapChanges[kEnglishCharacterMapChangeCount];
