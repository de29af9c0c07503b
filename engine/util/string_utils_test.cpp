// String helpers: trimming, cleaning, path splitting and bounded formatting.
#include "engine/util/string_utils.h"

#include <gtest/gtest.h>

TEST(StringUtils, TrimmingAndUnquoting) {
    const struct {
        const char* in;
        const char* left;
        const char* right;
        const char* unquoted;
    } cases[] = {
        {"  'abc\"  ", "'abc\"  ", "  'abc\"", "abc"},
        {"'", "'", "'", ""},
        {" \t\n ", "", "", ""},
        {"", "", "", ""},
        {"\"a b\"", "\"a b\"", "\"a b\"", "a b"},
        {"x'", "x'", "x'", "x"},
        {"\xa0word\xa0", "\xa0word\xa0", "\xa0word\xa0", "\xa0word\xa0"},  // code page 1252 bytes are not blanks
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimLeft(c.in), c.left) << c.in;
        EXPECT_EQ(TrimRight(c.in), c.right) << c.in;
        EXPECT_EQ(TrimAndUnquote(c.in), c.unquoted) << c.in;
    }
}

TEST(StringUtils, CaseChangesAndStripping) {
    std::string s = "ab\xe9Z1-x";
    ToUpperInPlace(s);
    EXPECT_EQ(s, "AB\xe9Z1-X");
    std::string t = "AB\xc9z1-X";
    ToLowerInPlace(t);
    EXPECT_EQ(t, "ab\xc9z1-x");  // bytes above 127 stay in the default locale
    EXPECT_EQ(StripChars("a-b_c-d", "-_"), "abcd");
    EXPECT_EQ(StripChars("abc", ""), "abc");
    EXPECT_EQ(StripChars("---", "-"), "");
}

TEST(StringUtils, SplitPathAcceptsBothSeparators) {
    const struct {
        const char* path;
        const char* folder;
        const char* base;
        const char* extension;  // "keep" when it must stay as it was
    } cases[] = {
        {"C:\\audio\\take.one.wav", "C:\\audio\\", "take.one", "wav"},
        {"/home/u/audio/take.one.wav", "/home/u/audio/", "take.one", "wav"},
        {"C:\\x/mixed\\y/take.phn", "C:\\x/mixed\\y/", "take", "phn"},
        {"take", "", "take", "keep"},
        {"C:\\x.y\\take", "C:\\x.y\\", "take", "keep"},
        {"/x.y/take", "/x.y/", "take", "keep"},
        {"name.", "", "name", "keep"},
        {"folder/", "folder/", "", "keep"},
        {".hidden", "", "", "hidden"},
        {"", "", "", "keep"},
    };
    for (const auto& c : cases) {
        std::string folder = "old", base = "old", extension = "keep";
        SplitPath(c.path, folder, base, extension);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(base, c.base) << c.path;
        EXPECT_EQ(extension, c.extension) << c.path;
    }
}

TEST(StringUtils, FormatStringIsBoundedTo2047Characters) {
    EXPECT_EQ(FormatString("%d-%s-%.1f", 12, "ab", 2.25), "12-ab-2.2");
    const std::string longText(5000, 'x');
    const std::string out = FormatString("<%s>", longText.c_str());
    EXPECT_EQ(out.size(), 2047u);
    EXPECT_EQ(out.front(), '<');
    EXPECT_EQ(out.back(), 'x');
    EXPECT_EQ(FormatString("%s", std::string(2047, 'y').c_str()).size(), 2047u);
}
