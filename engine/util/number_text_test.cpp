// Number reading and writing for the text formats, in the C locale and in a comma-decimal one.
#include "engine/util/number_text.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/util/comma_locale_test_support.h"

namespace {

void ExpectLocaleFreeNumbers() {
    const struct {
        const char* token;
        bool ok;
        double value;
    } floats[] = {
        {"1.5", true, 1.5},   {".5", true, 0.5},     {"+2", true, 2.0},   {"-0.25", true, -0.25},
        {"1e3", true, 1000},  {"1,5", false, 0},     {"", false, 0},      {"+", false, 0},
        {"+-1", false, 0},    {"1.5x", false, 0},    {" 1", false, 0},    {"inf", false, 0},
        {"nan", false, 0},    {"1e999", false, 0},   {"x", false, 0},
    };
    for (const auto& c : floats) {
        float f = -7.0f;
        double d = -7.0;
        EXPECT_EQ(ParseFloatText(c.token, f), c.ok) << c.token;
        EXPECT_EQ(ParseDoubleText(c.token, d), c.ok) << c.token;
        if (c.ok) {
            EXPECT_FLOAT_EQ(f, static_cast<float>(c.value)) << c.token;
            EXPECT_DOUBLE_EQ(d, c.value) << c.token;
        } else {
            EXPECT_EQ(f, -7.0f) << c.token << ": a failed read leaves the value";
        }
    }
    const struct {
        const char* token;
        bool ok;
        int value;
    } ints[] = {{"1200", true, 1200}, {"-5", true, -5}, {"+5", true, 5}, {"1.200", false, 0},
                {"2147483648", false, 0}, {"12a", false, 0}};
    for (const auto& c : ints) {
        int v = -7;
        EXPECT_EQ(ParseIntText(c.token, v), c.ok) << c.token;
        EXPECT_EQ(v, c.ok ? c.value : -7) << c.token;
    }
    EXPECT_EQ(FormatGeneral(0.333333333), "0.333333");
    EXPECT_EQ(FormatGeneral(1200.0), "1200");
    EXPECT_EQ(FormatGeneral(1e-7), "1e-07");
    EXPECT_EQ(FormatFixed(-2.5), "-2.500000");
    std::ostringstream out;
    {
        ClassicNumbersScope classic(out);
        out << 1234.5 << ' ' << 1234567;
    }
    EXPECT_EQ(out.str(), "1234.5 1234567");
}

TEST(NumberText, SameInTheCLocaleAndACommaDecimalLocale) {
    ExpectLocaleFreeNumbers();
    CommaDecimalLocale locale;
    if (!locale.active()) GTEST_SKIP() << CommaDecimalLocale::MissingMessage();
    std::ostringstream grouped;
    grouped << 1234.5;
    ASSERT_EQ(grouped.str(), "1.234,5") << "the locale should group and use a decimal comma";
    ExpectLocaleFreeNumbers();
}

}  // namespace
