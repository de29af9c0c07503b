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

// Something in a script that is skipped or read other than as written, for the caller's log.
struct ScriptWarning {
    int32_t offset = 0;  // byte offset in the text the call was given
    int32_t line = 1;    // from 1
    std::string message;

    // "line N: message".
    std::string ToString() const;
};

// At most this many warnings are given per call; the last one then says how many more there were.
constexpr int kMaxScriptWarnings = 20;

// Collects the warnings of one call into a caller's list (none when it is null), up to the limit.
class ScriptWarnings {
public:
    explicit ScriptWarnings(std::vector<ScriptWarning>* out) : out_(out) {}
    void Add(int32_t offset, int32_t line, std::string message);
    // Notes on the last warning how many were left out.
    void Finish();

private:
    std::vector<ScriptWarning>* out_;
    int count_ = 0;
};

// The text of a script file as UTF-8: a UTF-16 file (little- or big-endian, with its byte order
// mark) is decoded, and a UTF-8 byte order mark is dropped; anything else is returned as it is
// (ConvertUtf8ToCp1252 takes bytes that are not UTF-8 as code page 1252). An unpaired surrogate or
// an odd last byte of UTF-16 becomes U+FFFD with a warning.
std::string DecodeScriptBytes(std::string_view bytes, std::vector<ScriptWarning>* warnings = nullptr);

// Reads a script file (at most kMaxScriptFileBytes) and decodes it as DecodeScriptBytes does. False
// with error saying why when the file does not open, is a folder or is too large.
bool ReadScriptFile(const std::string& path, std::string* utf8, std::vector<ScriptWarning>* warnings,
                    std::string* error = nullptr);

// A character that code page 1252 lacks becomes '?' (one warning per run of such characters says
// where: text in a script the engine can't read, such as Cyrillic or Chinese, gives no words). A
// byte that does not begin or continue a valid UTF-8 sequence is taken as a code page 1252 byte
// itself, so text that is not UTF-8 keeps its characters. A NUL becomes a blank (with a warning),
// so it can't end the text early, and U+FEFF (a byte order mark) is dropped.
Cp1252Text ConvertUtf8ToCp1252(std::string_view utf8, std::vector<ScriptWarning>* warnings = nullptr);

// The UTF-8 form of code page 1252 bytes (a script file that is not valid UTF-8 is read so). The
// five codes that code page 1252 leaves undefined become the control characters of the same value.
std::string ConvertCp1252ToUtf8(std::string_view cp1252);
