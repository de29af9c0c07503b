// Numbers in our text formats (rules, language models, results files, text dumps), read and
// written the same way whatever locale the process or its streams are in: '.' is the decimal
// point and no digits are grouped.
#pragma once

#include <ios>
#include <locale>
#include <string>
#include <string_view>

// A whole token as a finite number; false for anything else (an empty token, trailing characters,
// a value out of range). A leading '+' is taken, as the C library takes it.
bool ParseFloatText(std::string_view token, float& out);
bool ParseDoubleText(std::string_view token, double& out);
bool ParseIntText(std::string_view token, int& out);

// As printf's %g (6 significant digits) and %f (6 decimals) in the C locale.
std::string FormatGeneral(double value);
std::string FormatFixed(double value);

// Holds a stream to the classic locale while it lives (number parsing and formatting with '.',
// no grouping), then gives it its own locale back.
class ClassicNumbersScope {
public:
    explicit ClassicNumbersScope(std::ios_base& stream) : stream_(stream), saved_(stream.imbue(std::locale::classic())) {}
    ~ClassicNumbersScope() { stream_.imbue(saved_); }
    ClassicNumbersScope(const ClassicNumbersScope&) = delete;
    ClassicNumbersScope& operator=(const ClassicNumbersScope&) = delete;

private:
    std::ios_base& stream_;
    std::locale saved_;
};
