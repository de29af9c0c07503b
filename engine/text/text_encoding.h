// Script text between the user's UTF-8 and the engine's code page 1252: the engine's character
// tables work on single bytes, so text is converted before it is transcribed, and the map kept
// with it turns the transcriber's byte positions back into offsets of the user's text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Code page 1252 bytes, one per character of the UTF-8 text, and for every byte the offset in the
// UTF-8 text of the character it came from; one entry more gives the UTF-8 length, so a range
// [start, end) of bytes is the UTF-8 range [utf8Offsets[start], utf8Offsets[end]).
struct Cp1252Text {
    std::string bytes;
    std::vector<int32_t> utf8Offsets;

    // The UTF-8 offset of a byte position; positions past the end give the UTF-8 length.
    int32_t Utf8Offset(int32_t position) const;
};

// A character that code page 1252 lacks becomes '?'. A byte that does not begin or continue a
// valid UTF-8 sequence is taken as a code page 1252 byte itself, so text that is not UTF-8 keeps
// its characters.
Cp1252Text ConvertUtf8ToCp1252(std::string_view utf8);

// The UTF-8 form of code page 1252 bytes (a script file that is not valid UTF-8 is read so). The
// five codes that code page 1252 leaves undefined become the control characters of the same value.
std::string ConvertCp1252ToUtf8(std::string_view cp1252);
