// Locale-independent number reading and writing for the text formats.
#include "engine/util/number_text.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <type_traits>

namespace {

template <typename T>
bool ParseWhole(std::string_view token, T& out) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
        if (!token.empty() && token.front() == '-') return false;  // one sign only
    }
    T value{};
    const char* end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    if (error != std::errc() || stop != end) return false;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) return false;
    }
    out = value;
    return true;
}

std::string Format(double value, std::chars_format format) {
    char buffer[400];  // %f of the largest double needs 309 digits before the point
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format, 6);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace

bool ParseFloatText(std::string_view token, float& out) { return ParseWhole(token, out); }
bool ParseDoubleText(std::string_view token, double& out) { return ParseWhole(token, out); }
bool ParseIntText(std::string_view token, int& out) { return ParseWhole(token, out); }

std::string FormatGeneral(double value) { return Format(value, std::chars_format::general); }
std::string FormatFixed(double value) { return Format(value, std::chars_format::fixed); }
