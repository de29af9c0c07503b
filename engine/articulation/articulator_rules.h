// Articulation rules: how strongly each phoneme code shows and how far before its start and after
// its end it reaches, read from a small rules text. Read by the articulator's frame generation.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

// One phoneme code's rule. Times are milliseconds.
struct ArticulatorRule {
    char code[4];         // the phoneme code, NUL-terminated
    int32_t release;      // after the phoneme's end during which it still shows
    int32_t attack;       // before the phoneme's start from which it already shows
    float weight;         // weight in the phoneme's middle
    int32_t onsetTime;    // after the start during which onsetWeight applies
    float onsetWeight;
    int32_t offsetTime;   // before the end from which offsetWeight applies; below 1: no offset part
    float offsetWeight;
};

// Everything a rules text can set. maxAttack and maxRelease only grow and the closed set is only
// added to: loading another text empties the rule map alone.
struct ArticulatorRules {
    std::map<std::string, ArticulatorRule> rules;  // by code, compared bytewise
    std::set<std::string> closedSet;               // codes that shut the lips
    int32_t maxAttack = 0;
    int32_t maxRelease = 0;
    float frameRate = 20.0f;  // set by a "framerate" line
};

// The rules used when none were loaded: 293 characters, every line ending with a line feed.
extern const char kBuiltInArticulatorRules[];
extern const int kBuiltInArticulatorRulesLength;

// Frame rates outside (0, kMaxArticulatorFrameRate] leave no frame of at least one millisecond,
// and keys are whole milliseconds; they are refused.
constexpr float kMaxArticulatorFrameRate = 1000.0f;
bool IsUsableFrameRate(float rate);

// Parses length bytes of rules text into rules (whose rule map is emptied first). Returns 0;
// 2 for a null text or a negative length (nothing is changed then); 3 for a "framerate" of 0 or
// below or above kMaxArticulatorFrameRate; 12 for a "closed" list that is not a list of inventory
// codes, or a value that is not a number; 21 for a "version" above 1.5. The load stops at the
// first error and keeps what it read before. The end of the text ends a line like a line feed.
int ParseArticulatorRules(const char* text, int length, ArticulatorRules& rules);

// The rule's weight at time t for a phoneme [start, end).
float RuleWeightAt(const ArticulatorRule& rule, int t, int start, int end);

// How far the phoneme [start, end) reaches time t: 1 inside it, ramping linearly from 0 over the
// attack before it and back to 0 over the release after it.
double RuleEnvelopeAt(const ArticulatorRule& rule, int t, int start, int end);
