// Conversion between UTF-8 and code page 1252 with the byte-offset map.
#include "engine/text/text_encoding.h"

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
    } else {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
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

Cp1252Text ConvertUtf8ToCp1252(std::string_view utf8) {
    Cp1252Text result;
    result.bytes.reserve(utf8.size());
    result.utf8Offsets.reserve(utf8.size() + 1);
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const int length = DecodeUtf8(utf8, i, &cp);
        result.utf8Offsets.push_back(static_cast<int32_t>(i));
        if (length == 0) {
            result.bytes.push_back(utf8[i]);
            ++i;
            continue;
        }
        const int byte = ByteOf(cp);
        result.bytes.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        i += static_cast<size_t>(length);
    }
    result.utf8Offsets.push_back(static_cast<int32_t>(utf8.size()));
    return result;
}

std::string ConvertCp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (char c : cp1252) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
    return out;
}
