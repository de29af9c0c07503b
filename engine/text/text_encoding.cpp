// Conversion between UTF-8 and code page 1252 with the byte-offset map.
#include "engine/text/text_encoding.h"

#include <algorithm>

#include "engine/util/file_utils.h"

namespace {

// Code points of the bytes 0x80 to 0x9F; the other bytes are their own code points. The five
// undefined codes map to the C1 control of the same value, as the system's own conversion does.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t CodePointOf(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

int ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHighControls[k] == cp) return 0x80 + k;
    return -1;
}

// Decodes one UTF-8 character at text[i]; its length, or 0 when the bytes there are not valid
// UTF-8 (truncated, overlong, a surrogate or beyond U+10FFFF).
int DecodeUtf8(std::string_view text, size_t i, uint32_t* cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    int length;
    uint32_t value;
    uint32_t smallest;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1F, smallest = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0F, smallest = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (i + static_cast<size_t>(length) > text.size()) return 0;
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) return 0;
        value = value << 6 | (b & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *cp = value;
    return length;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

int32_t Cp1252Text::Utf8Offset(int32_t position) const {
    if (utf8Offsets.empty()) return 0;
    if (position < 0) return utf8Offsets.front();
    if (static_cast<size_t>(position) >= utf8Offsets.size()) return utf8Offsets.back();
    return utf8Offsets[static_cast<size_t>(position)];
}

std::string ScriptWarning::ToString() const { return "line " + std::to_string(line) + ": " + message; }

void ScriptWarnings::Add(int32_t offset, int32_t line, std::string message) {
    if (!out_) return;
    ++count_;
    if (count_ <= kMaxScriptWarnings) out_->push_back(ScriptWarning{offset, line, std::move(message)});
}

void ScriptWarnings::Finish() {
    if (!out_ || count_ <= kMaxScriptWarnings) return;
    out_->back().message += " (and " + std::to_string(count_ - kMaxScriptWarnings) + " more warnings not shown)";
}

std::string DecodeScriptBytes(std::string_view bytes, std::vector<ScriptWarning>* warnings) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    const bool little = bytes.substr(0, 2) == "\xFF\xFE";
    const bool big = bytes.substr(0, 2) == "\xFE\xFF";
    if (!little && !big) return std::string(bytes);
    ScriptWarnings notes(warnings);
    std::string out;
    out.reserve(bytes.size());
    int32_t line = 1;
    auto unit = [&](size_t i) -> uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? (a | b << 8) : (a << 8 | b);
    };
    for (size_t i = 2; i < bytes.size(); i += 2) {
        if (i + 1 >= bytes.size()) {
            notes.Add(static_cast<int32_t>(out.size()), line, "the UTF-16 text ends in half a character, read as U+FFFD");
            AppendUtf8(out, 0xFFFD);
            break;
        }
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            notes.Add(static_cast<int32_t>(out.size()), line, "an unpaired UTF-16 surrogate, read as U+FFFD");
            cp = 0xFFFD;
        }
        if (cp == '\n') ++line;
        AppendUtf8(out, cp);
    }
    notes.Finish();
    return out;
}

bool ReadScriptFile(const std::string& path, std::string* utf8, std::vector<ScriptWarning>* warnings,
                    std::string* error) {
    std::string bytes;
    if (!ReadWholeFile(path, kMaxScriptFileBytes, &bytes, error)) return false;
    *utf8 = DecodeScriptBytes(bytes, warnings);
    return true;
}

Cp1252Text ConvertUtf8ToCp1252(std::string_view utf8, std::vector<ScriptWarning>* warnings) {
    Cp1252Text result;
    ScriptWarnings notes(warnings);
    result.bytes.reserve(utf8.size());
    result.utf8Offsets.reserve(utf8.size() + 1);
    int32_t line = 1;
    // The run of characters code page 1252 lacks being collected: blanks between two of them
    // belong to it, so a sentence in another script gives one warning.
    size_t runStart = 0, runEnd = 0;
    int runCount = 0;
    int32_t runLine = 1;
    auto endRun = [&] {
        if (runCount == 0) return;
        // The text quoted is cut at a character boundary.
        size_t shown = std::min<size_t>(runEnd - runStart, 60);
        while (shown > 0 && shown < runEnd - runStart && (static_cast<unsigned char>(utf8[runStart + shown]) & 0xC0) == 0x80)
            --shown;
        notes.Add(static_cast<int32_t>(runStart), runLine,
                  std::to_string(runCount) + (runCount == 1 ? " character" : " characters") +
                      " the engine can't read, skipped: \"" + std::string(utf8.substr(runStart, shown)) +
                      (shown < runEnd - runStart ? "...\"" : "\""));
        runCount = 0;
    };
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const int length = DecodeUtf8(utf8, i, &cp);
        if (length == 0) {
            endRun();
            result.utf8Offsets.push_back(static_cast<int32_t>(i));
            result.bytes.push_back(utf8[i]);
            ++i;
            continue;
        }
        if (cp == 0xFEFF) {  // a byte order mark, or a zero-width no-break space: nothing to say
            i += static_cast<size_t>(length);
            continue;
        }
        int byte = ByteOf(cp);
        if (cp == 0) {
            endRun();
            notes.Add(static_cast<int32_t>(i), line, "a NUL character, read as a blank");
            byte = ' ';
        } else if (byte < 0) {
            if (runCount == 0) {
                runStart = i;
                runLine = line;
            }
            ++runCount;
            runEnd = i + static_cast<size_t>(length);
        } else if (runCount > 0 && cp != ' ' && cp != '\t') {
            endRun();
        }
        if (cp == '\n') ++line;
        result.utf8Offsets.push_back(static_cast<int32_t>(i));
        result.bytes.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        i += static_cast<size_t>(length);
    }
    endRun();
    notes.Finish();
    result.utf8Offsets.push_back(static_cast<int32_t>(utf8.size()));
    return result;
}

std::string ConvertCp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (char c : cp1252) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
    return out;
}
