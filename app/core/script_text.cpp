// Character steps and comparisons on the script editor's UTF-8 buffer.
#include "app/core/script_text.h"

namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point at position and its length in bytes; a byte that does not start a valid
// sequence counts as one character of its own.
uint32_t DecodeAt(std::string_view text, size_t position, int* length) {
    auto c = static_cast<unsigned char>(text[position]);
    int n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || position + n > text.size()) {
        *length = 1;
        return c;
    }
    uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int i = 1; i < n; ++i) {
        auto b = static_cast<unsigned char>(text[position + i]);
        if (!IsContinuation(b)) {
            *length = 1;
            return c;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    *length = n;
    return cp;
}

// Latin-1 and ASCII letters folded to lower case; both forms have the same UTF-8 length.
uint32_t Fold(uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
    return cp;
}
}  // namespace

int32_t PrevCharStart(std::string_view text, int32_t position) {
    if (position <= 0) return 0;
    if (position > static_cast<int32_t>(text.size())) position = static_cast<int32_t>(text.size());
    int32_t p = position - 1;
    if (text[p] == '\n' && p > 0 && text[p - 1] == '\r') return p - 1;
    int32_t limit = position - 4 < 0 ? 0 : position - 4;
    while (p > limit && IsContinuation(static_cast<unsigned char>(text[p]))) --p;
    // Only a whole sequence ending at position counts; stray continuation bytes step one at a time.
    int length = 0;
    DecodeAt(text, static_cast<size_t>(p), &length);
    return p + length == position ? p : position - 1;
}

int32_t NextCharEnd(std::string_view text, int32_t position) {
    auto size = static_cast<int32_t>(text.size());
    if (position < 0) position = 0;
    if (position >= size) return size;
    if (text[position] == '\r' && position + 1 < size && text[position + 1] == '\n') return position + 2;
    int length = 0;
    DecodeAt(text, static_cast<size_t>(position), &length);
    return position + length;
}

int32_t SnapToCharStart(std::string_view text, int32_t position) {
    auto size = static_cast<int32_t>(text.size());
    if (position <= 0) return 0;
    if (position >= size) return size;
    if (text[position] == '\n' && text[position - 1] == '\r') return position - 1;
    int32_t p = position;
    while (p > 0 && position - p < 3 && IsContinuation(static_cast<unsigned char>(text[p]))) --p;
    if (p == position) return position;
    int length = 0;
    DecodeAt(text, static_cast<size_t>(p), &length);
    return p + length > position ? p : position;
}

std::string NormalizeLineBreaks(std::string_view text, std::string_view line_break) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += line_break;
        } else if (c == '\n') {
            out += line_break;
        } else {
            out += c;
        }
    }
    return out;
}

std::string DetectLineBreak(std::string_view text) {
    size_t lf = text.find('\n');
    if (lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r')) return "\n";
    return "\r\n";
}

bool MatchesAt(std::string_view text, int32_t position, std::string_view needle, bool match_case) {
    if (position < 0 || static_cast<size_t>(position) + needle.size() > text.size()) return false;
    std::string_view here = text.substr(static_cast<size_t>(position), needle.size());
    if (match_case) return here == needle;
    size_t i = 0;
    while (i < needle.size()) {
        int la = 0;
        int lb = 0;
        uint32_t a = DecodeAt(here, i, &la);
        uint32_t b = DecodeAt(needle, i, &lb);
        if (la != lb || Fold(a) != Fold(b)) return false;
        i += static_cast<size_t>(la);
    }
    return true;
}

bool TextEquals(std::string_view a, std::string_view b, bool match_case) {
    return a.size() == b.size() && MatchesAt(a, 0, b, match_case);
}

std::string EncodeUtf8(uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        uint32_t cp = DecodeAt(text, i, &length);
        if (length == 1) return false;
        // Overlong forms and surrogates are not UTF-8.
        if ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<size_t>(length);
    }
    return true;
}
