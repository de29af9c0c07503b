// String helpers: trimming, cleaning, path splitting and bounded formatting.
#include "engine/util/string_utils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace {

// Characters are bytes of code page 1252: pass them to the <cctype> functions as unsigned.
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

void ToUpperInPlace(std::string& text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::islower(u)) c = static_cast<char>(std::toupper(u));
    }
}

void ToLowerInPlace(std::string& text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isupper(u)) c = static_cast<char>(std::tolower(u));
    }
}

std::string TrimLeft(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

std::string TrimRight(const std::string& text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return text.substr(0, n);
}

std::string TrimAndUnquote(const std::string& text) {
    std::string s = TrimRight(TrimLeft(text));
    if (!s.empty() && (s.back() == '"' || s.back() == '\'')) s.pop_back();
    if (!s.empty() && (s.front() == '"' || s.front() == '\'')) s.erase(0, 1);
    return s;
}

std::string StripChars(std::string text, const std::string& chars) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (chars.find(c) == std::string::npos) out += c;
    return out;
}

void SplitPath(const std::string& path, std::string& folder, std::string& base, std::string& extension) {
    const auto sep = path.find_last_of("\\/");
    if (sep == std::string::npos) {
        folder.clear();
        base = path;
    } else {
        folder = path.substr(0, sep + 1);
        base = path.substr(sep + 1);
    }
    const auto dot = base.rfind('.');
    if (dot != std::string::npos) {
        if (dot + 1 < base.size()) extension = base.substr(dot + 1);
        base.erase(dot);
    }
}

std::string FormatString(const char* format, ...) {
    char buffer[kFormatStringMax + 1];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    return std::string(buffer);
}
