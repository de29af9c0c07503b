// Character steps and comparisons on the script editor's buffer: UTF-8 text whose line breaks
// (CR LF) count as one character, so no edit ever splits a character or a line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The start of the character that ends at position (0 at the start).
int32_t PrevCharStart(std::string_view text, int32_t position);
// The end of the character that starts at position (the length at the end).
int32_t NextCharEnd(std::string_view text, int32_t position);
// Position moved back to the start of the character (or CR LF) it falls in, within [0, length].
int32_t SnapToCharStart(std::string_view text, int32_t position);

// Every line break of text (CR LF, lone CR or lone LF) written as line_break.
std::string NormalizeLineBreaks(std::string_view text, std::string_view line_break);
// "\n" when the text's first line break is a lone LF, else "\r\n".
std::string DetectLineBreak(std::string_view text);

// Whether needle occurs at position of text; without match case, ASCII and Latin-1 letters
// compare without regard to case.
bool MatchesAt(std::string_view text, int32_t position, std::string_view needle, bool match_case);
bool TextEquals(std::string_view a, std::string_view b, bool match_case);

// The UTF-8 bytes of a code point (invalid ones as U+FFFD).
std::string EncodeUtf8(uint32_t code_point);
bool IsValidUtf8(std::string_view text);
