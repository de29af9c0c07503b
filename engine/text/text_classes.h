// Character classes of the transcriber's input: the standard library's classes in the locale in
// force, for character codes 0 to 255 only (anything else is in no class), so a byte of 128 and
// above never reaches the classifiers as a negative value.
#pragma once

#include <cctype>

inline bool InByteRange(int c) { return c >= 0 && c < 256; }
inline bool IsAlpha(int c) { return InByteRange(c) && std::isalpha(c) != 0; }
inline bool IsDigit(int c) { return InByteRange(c) && std::isdigit(c) != 0; }
inline bool IsAlnum(int c) { return InByteRange(c) && std::isalnum(c) != 0; }
inline bool IsSpace(int c) { return InByteRange(c) && std::isspace(c) != 0; }
inline bool IsPunct(int c) { return InByteRange(c) && std::ispunct(c) != 0; }
