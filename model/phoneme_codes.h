// The phoneme code inventory (40 codes of one or two letters) and the routines that check and
// split lists of codes; used by the edit controls, the character setup and the articulator rules.
#pragma once

#include <array>
#include <vector>

inline constexpr int kPhonemeCodeCount = 40;
// The codes written back to back, in inventory order.
inline constexpr const char kPhonemeInventory[] = "xmpbvfZHCHjSHszDHTHtNGgkhrERwUHUWAWIYyIHAEAYEYEHndlAAAHAOOWOY";
// The codes one by one, in inventory order.
extern const char* const kPhonemeCodes[kPhonemeCodeCount];

// A code held NUL-terminated in three bytes.
using phoneme_code = std::array<char, 3>;

// Whether every code of the string occurs in the inventory string (a substring test, so a pair
// straddling two codes also passes). error_pos: where the last code examined, or the failing
// one, begins.
bool validate_phoneme_codes(const char* codes, int* error_pos);

// Splits a list of codes separated by blanks or commas, appending each exact inventory code to
// out. Stops with false at the first unknown code (error_pos = where it begins).
bool parse_phoneme_codes(const char* codes, std::vector<phoneme_code>& out, int* error_pos);

// Copies at most two characters of a code and terminates it (dest holds three bytes).
void copy_phoneme_code(char* dest, const char* src);
