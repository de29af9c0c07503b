// UTF-8 to code page 1252 and back, with the map from converted byte positions to UTF-8 offsets
// that lets markers slice the user's text.
#include "engine/text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/text/transcriber_test_support.h"

namespace {

TEST(TextEncodingTest, AccentedWordsKeepTheirOffsets) {
    struct Case {
        const char* utf8;
        std::string bytes;
        std::vector<int32_t> offsets;
    } cases[] = {
        {"Caf\xC3\xA9!", "Caf\xE9!", {0, 1, 2, 3, 5, 6}},
        {"\xE2\x80\x9Cna\xC3\xAFve\xE2\x80\x9D", "\x93na\xEFve\x94", {0, 3, 4, 5, 7, 8, 9, 12}},
        {"\xE2\x82\xAC" "5", "\x80" "5", {0, 3, 4}},
        // Characters that code page 1252 lacks become '?', one byte each.
        {"\xE4\xB8\xAD\xF0\x9F\x98\x80x", "??x", {0, 3, 7, 8}},
        // Bytes that are not UTF-8 are taken as code page 1252 bytes.
        {"d\xE9j\xE0", "d\xE9j\xE0", {0, 1, 2, 3, 4}},
        {"\xC3", "\xC3", {0, 1}},
        {"\xE2\x82", "\xE2\x82", {0, 1, 2}},
        // Overlong forms and surrogates are not UTF-8 either.
        {"\xC0\xAF", "\xC0\xAF", {0, 1, 2}},
        {"\xED\xA0\x80", "\xED\xA0\x80", {0, 1, 2, 3}},
        {"", "", {0}},
    };
    for (const Case& c : cases) {
        const Cp1252Text t = ConvertUtf8ToCp1252(c.utf8);
        EXPECT_EQ(t.bytes, c.bytes) << c.utf8;
        EXPECT_EQ(t.utf8Offsets, c.offsets) << c.utf8;
    }
    const Cp1252Text t = ConvertUtf8ToCp1252("Caf\xC3\xA9");
    EXPECT_EQ(t.Utf8Offset(-3), 0);
    EXPECT_EQ(t.Utf8Offset(4), 5);
    EXPECT_EQ(t.Utf8Offset(99), 5);
}

TEST(TextEncodingTest, EveryCodePageByteRoundTrips) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    const std::string utf8 = ConvertCp1252ToUtf8(all);
    EXPECT_EQ(ConvertUtf8ToCp1252(utf8).bytes, all);
    EXPECT_EQ(ConvertCp1252ToUtf8("\x80\x93\xE9"), "\xE2\x82\xAC\xE2\x80\x9C\xC3\xA9");
}

TEST(TextEncodingTest, MarkersSliceTheUsersText) {
    TranscriberPtr t = MakeDefaultTranscriber("CAFE=kAEfEY\nDEJA=dEYZHAA\nNAIVE=nAYIYv\nVU=vUW\n");
    ASSERT_TRUE(t);
    const std::string utf8 = "\xE2\x80\x9CNa\xC3\xAFve\xE2\x80\x9D caf\xC3\xA9, d\xC3\xA9j\xC3\xA0 vu";
    const Cp1252Text converted = ConvertUtf8ToCp1252(utf8);
    t->Transcribe(converted.bytes.c_str());
    int count = 0;
    const TranscriptMarker* markers = t->GetOutputMarkers(&count);
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i) {
        const int32_t from = converted.Utf8Offset(markers[i].textStart);
        const int32_t to = converted.Utf8Offset(markers[i].textEnd);
        words.push_back(utf8.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
    }
    const std::vector<std::string> expected = {"\xE2\x80\x9CNa\xC3\xAFve\xE2\x80\x9D", "caf\xC3\xA9", ",",
                                               "d\xC3\xA9j\xC3\xA0", "vu"};
    EXPECT_EQ(words, expected);
    EXPECT_STREQ(t->GetTranscription(), "xnAYIYvxkAEfEYxdEYZHAAxvUWx");
}

}  // namespace

namespace {

std::vector<std::string> Strings(const std::vector<ScriptWarning>& warnings) {
    std::vector<std::string> out;
    for (const ScriptWarning& w : warnings) out.push_back(w.ToString());
    return out;
}

TEST(TextEncodingTest, ScriptFilesWithByteOrderMarks) {
    using namespace std::string_literals;
    const struct {
        std::string bytes;
        std::string utf8;
        std::vector<std::string> warnings;
    } cases[] = {
        {"\xEF\xBB\xBFHi", "Hi", {}},
        {"\xFF\xFEH\0i\0\n\0\xE9\0"s, "Hi\n\xC3\xA9", {}},
        {"\xFE\xFF\0H\0i\x04\x1F"s, "Hi\xD0\x9F", {}},
        {"\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80", {}},  // a surrogate pair
        {"\xFF\xFE\x00\xDEx\0\n\0y"s, "\xEF\xBF\xBDx\n\xEF\xBF\xBD",
         {"line 1: an unpaired UTF-16 surrogate, read as U+FFFD", "line 2: the UTF-16 text ends in half a character, read as U+FFFD"}},
        {"plain \xE9", "plain \xE9", {}},  // neither: left to the code page conversion
    };
    for (const auto& c : cases) {
        std::vector<ScriptWarning> warnings;
        EXPECT_EQ(DecodeScriptBytes(c.bytes, &warnings), c.utf8);
        EXPECT_EQ(Strings(warnings), c.warnings);
    }
}

TEST(TextEncodingTest, WhatTheEngineCantReadIsReported) {
    using namespace std::string_literals;
    const struct {
        std::string utf8;
        std::string bytes;
        std::vector<std::string> warnings;
    } cases[] = {
        {"\xEF\xBB\xBFHello", "Hello", {}},  // a byte order mark gives no '?' word
        {"one\0two"s, "one two", {"line 1: a NUL character, read as a blank"}},
        {"Hi\n\xD0\x9F\xD1\x80\xD0\xB8 \xD0\xBC\xD0\xB8\xD1\x80!", "Hi\n??? ???!",
         {"line 2: 6 characters the engine can't read, skipped: \"\xD0\x9F\xD1\x80\xD0\xB8 \xD0\xBC\xD0\xB8\xD1\x80\""}},
        {"\xE4\xBD\xA0\xE5\xA5\xBD and \xE4\xB8\x96", "?? and ?",
         {"line 1: 2 characters the engine can't read, skipped: \"\xE4\xBD\xA0\xE5\xA5\xBD\"",
          "line 1: 1 character the engine can't read, skipped: \"\xE4\xB8\x96\""}},
    };
    for (const auto& c : cases) {
        std::vector<ScriptWarning> warnings;
        const Cp1252Text t = ConvertUtf8ToCp1252(c.utf8, &warnings);
        EXPECT_EQ(t.bytes, c.bytes);
        EXPECT_EQ(t.utf8Offsets.size(), t.bytes.size() + 1);
        EXPECT_EQ(Strings(warnings), c.warnings);
    }
    // Offsets still point into the text given, past the dropped mark.
    const Cp1252Text marked = ConvertUtf8ToCp1252("\xEF\xBB\xBFHi");
    EXPECT_EQ(marked.Utf8Offset(0), 3);
    // Warnings are bounded; the last says more were left out.
    std::string many;
    for (int i = 0; i < 100; ++i) many += "a\xE4\xB8\x96";
    std::vector<ScriptWarning> warnings;
    ConvertUtf8ToCp1252(many, &warnings);
    ASSERT_EQ(warnings.size(), static_cast<size_t>(kMaxScriptWarnings));
    EXPECT_NE(warnings.back().message.find("80 more"), std::string::npos) << warnings.back().message;
}

}  // namespace
