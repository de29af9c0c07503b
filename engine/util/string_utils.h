// String helpers shared by the engine and the application: trimming, cleaning, path splitting
// and bounded printf-style formatting. Strings are byte strings (code page 1252 in the engine);
// white space is what isspace accepts.
#pragma once

#include <string>

// Every lower-case character becomes its upper-case form.
void ToUpperInPlace(std::string& text);
// Every upper-case character becomes its lower-case form.
void ToLowerInPlace(std::string& text);
// The text from its first non-blank character; empty when all is white space.
std::string TrimLeft(const std::string& text);
// The text up to and including its last non-blank character; empty when all is white space.
std::string TrimRight(const std::string& text);
// Trims both ends, then drops one quote (single or double) at the end and one at the start; the
// two need not match.
std::string TrimAndUnquote(const std::string& text);
// The text without every character that occurs in chars.
std::string StripChars(std::string text, const std::string& chars);

// Splits path at its last '\' or '/': folder keeps the separator, base the rest. When base has a
// '.', extension gets the text after its last '.' (only when that is not empty) and base is cut
// before it; without a '.', extension is left unchanged.
void SplitPath(const std::string& path, std::string& folder, std::string& base, std::string& extension);

// printf-style formatting; results longer than kFormatStringMax characters are cut there.
constexpr int kFormatStringMax = 2047;
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
