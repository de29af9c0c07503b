// The letter-to-sound rule set: the built-in English rules on a word list, its tables, the binary
// form (round trips, every version, malformed and hostile input) and decision trees.
#include "engine/text/letter_to_sound_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/text/lexicon_file.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/transcriber.h"

namespace {

// Collects the phoneme string as the transcriber builds it ("x" is the separator) and each slot
// of alternatives as "{a|b}".
class RecordingSink : public IPhonemeSink {
public:
    void EmitPhonemes(const char* text, bool) override {
        for (; *text; ++text) {
            if (*text == ' ' || *text == 'x')
                EmitSeparator(false);
            else
                out.push_back(*text);
        }
    }
    void EmitAlternativeSlot(const char* text) override { out += std::string("{") + text + "}"; }
    void EmitSeparator(bool force) override {
        if (force || out.empty() || out.back() != 'x') out.push_back('x');
    }
    std::string out;
};

std::string Convert(CLetterToSoundRules& rules, const std::string& word) {
    RecordingSink sink;
    rules.Convert(sink, (" " + word + " ").c_str());
    return sink.out;
}

// Writes the pieces of a binary form.
class FormBuilder {
public:
    FormBuilder& I32(int32_t v) {
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k)));
        return *this;
    }
    FormBuilder& I16(int v) {
        b.push_back(static_cast<unsigned char>(v));
        b.push_back(static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8));
        return *this;
    }
    FormBuilder& Byte(int v) {
        b.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    FormBuilder& Str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
    FormBuilder& Rule(const char* left, const char* match, const char* right, const char* output) {
        return Str(left).Str(match).Str(right).Str(output);
    }
    // The tables that end every form: distinct words so that a misread shows.
    FormBuilder& Tables() {
        for (int k = 0; k < 56; ++k) Str("w" + std::to_string(k) + " ");
        I16(2).Str("NUL ").Str("SOH ");
        I16(0);
        for (int k = 0; k < 10; ++k) Str(k == 0 ? "x" : "s" + std::to_string(k) + " ");
        Byte('.').Byte(',');
        for (int k = 0; k < 10; ++k) Str("t" + std::to_string(k) + " ");
        return *this;
    }
    // Wraps the pool in its header.
    std::vector<unsigned char> Form(int version = 3, int32_t magic = kLtsMagic) const {
        FormBuilder head;
        head.I32(magic).I16(version).I32(static_cast<int32_t>(b.size()));
        head.b.insert(head.b.end(), b.begin(), b.end());
        return head.b;
    }
    std::vector<unsigned char> b;
};

int Load(CLetterToSoundRules& rules, const std::vector<unsigned char>& bytes, std::string* error = nullptr,
         int* left = nullptr) {
    char text[kLtsErrorTextSize] = "unset";
    const void* cursor = bytes.data();
    int remaining = static_cast<int>(bytes.size());
    const int code = rules.LoadBinary(&cursor, &remaining, text);
    if (error) *error = text;
    if (left) *left = remaining;
    return code;
}

std::vector<unsigned char> Save(const CLetterToSoundRules& rules) {
    FILE* f = std::tmpfile();
    EXPECT_TRUE(rules.SaveBinary(f));
    std::vector<unsigned char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

const char* const kWords[][2] = {
    {"CAT", "kAEt"},         {"THE", "DHAH"},       {"MAKE", "mEYk"},   // a final silent E says nothing
    {"SHIP", "SHIHp"},       {"PHONE", "fOWn"},     {"NATION", "nEYSHAHn"},
    {"BOOK", "bUHk"},        {"KNIGHT", "nAYt"},    {"WHAT", "wAAt"},
    {"CITY", "sAYtIY"},      {"GEM", "jEHm"},       {"LOVELY", "lAHvlIY"},
    {"JUMPING", "jAHmpIHNG"}, {"QUICK", "kwIHk"},   {"BOX", "bAAks"},
    {"A1B", "AEb"},          // a digit has no group and is skipped
    {"DON'T", "dOWnt"},
};

TEST(LetterToSoundRulesTest, BuiltInRulesOnAWordList) {
    CLetterToSoundRules rules;
    for (const auto& w : kWords) EXPECT_EQ(Convert(rules, w[0]), w[1]) << w[0];
}

TEST(LetterToSoundRulesTest, BuiltInGroupsAndTables) {
    CLetterToSoundRules rules;
    const int counts[] = {10, 33, 6, 11, 10, 53, 2, 10, 6, 28, 1, 2, 5, 2, 8, 48, 5, 3, 2, 24, 26, 35, 2, 12, 1, 11, 1};
    const char keys[] = "@ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int g = 0; g < 27; ++g) {
        int count = -1;
        EXPECT_NE(rules.Group(keys[g], &count), nullptr) << keys[g];
        EXPECT_EQ(count, counts[g]) << keys[g];
    }
    int count = -1;
    EXPECT_EQ(rules.Group(' ', &count), nullptr);
    EXPECT_EQ(count, 0);

    EXPECT_STREQ(rules.CharacterName('A'), "EY ");
    EXPECT_STREQ(rules.CharacterName('g'), "jIY  ");
    EXPECT_STREQ(rules.CharacterName(4), "EHnd AHv trAEnsmIHSHAHn");
    EXPECT_STREQ(rules.CharacterName('7'), "sEHvAHn ");
    EXPECT_STREQ(rules.CharacterName(127), "dEHl ");
    EXPECT_EQ(rules.CharacterName(128), nullptr);
    EXPECT_STREQ(rules.Word(kWordSeparator), "x");
    EXPECT_STREQ(rules.Word(kWordFinalMillionth), "mIHlIYAHnTH ");

    const int map[][2] = {{'a', 'a'}, {0x80, 0x80}, {0x85, '.'}, {0x93, '"'}, {0x97, '-'}, {0xA0, ' '},
                          {0xC5, 'A'}, {0xC6, 0xC6}, {0xD7, 0xD7}, {0xE9, 'e'}, {0xF7, '/'}, {0xFF, 'y'}};
    for (const auto& m : map) EXPECT_EQ(rules.MapCharacter(m[0]), m[1]) << m[0];
}

TEST(LetterToSoundRulesTest, BinaryRoundTripKeepsRulesAndTables) {
    CLetterToSoundRules builtIn;
    std::vector<unsigned char> bytes = Save(builtIn);
    bytes.push_back(0x77); // whatever follows the form is left for the caller

    CLetterToSoundRules loaded;
    int left = 0;
    ASSERT_EQ(Load(loaded, bytes, nullptr, &left), 0);
    EXPECT_EQ(left, 1);
    for (const auto& w : kWords) EXPECT_EQ(Convert(loaded, w[0]), w[1]) << w[0];
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(loaded.MapCharacter(c), builtIn.MapCharacter(c));
        if (builtIn.CharacterName(c)) {
            EXPECT_STREQ(loaded.CharacterName(c), builtIn.CharacterName(c));
        }
    }
    for (int n = 0; n < 20; ++n) EXPECT_STREQ(loaded.Ordinal(n), builtIn.Ordinal(n));
    for (int w = 0; w < kWordCount; ++w) EXPECT_STREQ(loaded.Word(static_cast<LtsWord>(w)), builtIn.Word(static_cast<LtsWord>(w)));
    EXPECT_EQ(Save(loaded), Save(builtIn));
}

TEST(LetterToSoundRulesTest, OlderVersionsAndLoadedRules) {
    // Version 1: 27 groups in a fixed order, no flags and no word characters.
    FormBuilder v1;
    v1.I16(0);                                          // '@'
    v1.I16(2).Rule("", "A", " ", "AH").Rule("", "A", "", "EY"); // 'A'
    v1.I16(1).Rule("", "B", "", "b");                   // 'B'
    for (int k = 0; k < 24; ++k) v1.I16(0);
    v1.Tables();
    CLetterToSoundRules rules;
    ASSERT_EQ(Load(rules, v1.Form(1)), 0);
    EXPECT_EQ(Convert(rules, "ABA"), "EYbAH");
    EXPECT_STREQ(rules.Cardinal(3), "w3 ");
    EXPECT_STREQ(rules.OrdinalTens(7), "w55 ");
    EXPECT_STREQ(rules.CharacterName(1), "SOH ");
    EXPECT_EQ(rules.CharacterName(2), nullptr);
    EXPECT_EQ(rules.MapCharacter(0xE9), 0xE9); // no character map in this form
    EXPECT_EQ(rules.ThousandsSeparator(), '.');
    EXPECT_EQ(rules.DecimalPoint(), ',');
    EXPECT_STREQ(rules.Word(kWordFinalMillionth), "t9 ");

    // Version 3: keyed groups, word characters and alternatives.
    FormBuilder v3;
    v3.I16(0).I16(1).Byte('-').Str("");
    v3.I16(3);
    v3.I16('Q').I16(1).Rule("", "Q", "", "?kw kyUW");
    v3.I16('E').I16(2).Rule("#:", "E", " ", "").Rule("", "E", "", "EH");
    v3.I16(300).I16(1).Rule("", "Z", "", "z"); // a key that is not a byte is never used
    v3.Tables();
    ASSERT_EQ(Load(rules, v3.Form(3)), 0);
    EXPECT_EQ(Convert(rules, "QEQE"), "{kw kyUW}EH{kw kyUW}");
    EXPECT_TRUE(rules.IsWordCharacter('-'));
    EXPECT_FALSE(rules.IsWordCharacter('A'));
    int keyLength = 0;
    const char* key = rules.MakeKey("RE-ENTER", 8, &keyLength);
    EXPECT_EQ(std::string(key, static_cast<size_t>(keyLength)), "REENTER");
}

TEST(LetterToSoundRulesTest, DecisionTrees) {
    // Letters C, A and T: C says k; A says AE after C and EYEY otherwise; T says t at the end of
    // the word (the padding '-' follows) and nothing ("_") elsewhere.
    FormBuilder f;
    f.I16(1).I16(1).Byte('_').Str("A");                // flags: trees; '_' reads as A
    f.I16(3).I16('C').I16('A').I16('T');
    auto question = [&](int letter, int offset) { f.Byte(0).Byte(0).I16(letter).I16(offset); };
    question('C', 0);
    f.Byte(1).Byte('k').Byte(0);                       // yes: two-byte leaf
    f.Byte(1);                                         // no:
    question('A', 0);
    f.Byte(1);
    question('C', -1);
    f.Byte(1).Byte('A').Byte('E');
    f.Byte(1).Byte(1).Str("EYEY");                     // a longer leaf as a string
    f.Byte(1);
    question('T', 0);
    f.Byte(1);
    question('-', 1);
    f.Byte(1).Byte('t').Byte(0);
    f.Byte(1).Byte('_').Byte(0);
    f.Byte(0);                                         // no child: the walk ends with nothing
    f.Tables();

    CLetterToSoundRules rules;
    ASSERT_EQ(Load(rules, f.Form()), 0);
    ASSERT_TRUE(rules.UsesDecisionTrees());
    const char* const cases[][2] = {
        {"CAT", "xkAEtx"}, {"TAT", "xEYEYtx"}, {"SAT", "xEYEYtx"}, {"C_T", "xkAEtx"}, {"ATTA", "xEYEYEYEYx"}};
    for (const auto& c : cases) EXPECT_EQ(Convert(rules, c[0]), c[1]) << c[0];

    // The writer gives back a form that reads the same.
    CLetterToSoundRules again;
    ASSERT_EQ(Load(again, Save(rules)), 0);
    for (const auto& c : cases) EXPECT_EQ(Convert(again, c[0]), c[1]) << c[0];
}

TEST(LetterToSoundRulesTest, BadFormsAreRefusedWithTheirTexts) {
    FormBuilder good;
    good.I16(0).I16(0).I16(1).I16('A').I16(1).Rule("", "A", "", "AE").Tables();
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        int code;
    } cases[] = {
        {"wrong magic", good.Form(3, 0x4C545321), 12},
        {"version 4", good.Form(4), 21},
        {"version 0", good.Form(0), 12},
        {"nothing", {}, 12},
        {"pool larger than the bytes",
         [&] {
             auto b = good.Form();
             b.resize(b.size() - 1);
             return b;
         }(),
         12},
        {"empty match", FormBuilder().I16(0).I16(0).I16(1).I16('A').I16(1).Rule("", "", "", "AE").Tables().Form(), 12},
        {"negative rule count", FormBuilder().I16(0).I16(0).I16(1).I16('A').I16(-2).Tables().Form(), 12},
        {"negative name count",
         [] {
             FormBuilder f;
             f.I16(0).I16(0).I16(0);
             for (int k = 0; k < 56; ++k) f.Str("w");
             f.I16(-1);
             return f.Form();
         }(),
         12},
        {"empty separator word",
         [] {
             FormBuilder f;
             f.I16(0).I16(0).I16(0);
             for (int k = 0; k < 56; ++k) f.Str("w");
             f.I16(0).I16(0);
             for (int k = 0; k < 10; ++k) f.Str(k == 0 ? "" : "s");
             f.Byte('.').Byte(',');
             for (int k = 0; k < 10; ++k) f.Str("t");
             return f.Form();
         }(),
         12},
        {"string without its NUL", FormBuilder().I16(0).I16(0).I16(1).I16('A').I16(1).Str("").Byte('A').Form(), 12},
        {"tree deeper than any real one",
         [] {
             FormBuilder f;
             f.I16(1).I16(0).I16(1).I16('A');
             for (int k = 0; k < 100000; ++k) f.Byte(0).Byte(0).I16('A').I16(0).Byte(1);
             f.Byte(1).Byte('a').Byte(0);
             return f.Tables().Form();
         }(),
         12},
    };
    for (const Case& c : cases) {
        CLetterToSoundRules rules;
        std::string error;
        EXPECT_EQ(Load(rules, c.bytes, &error), c.code) << c.what;
        EXPECT_EQ(error, c.code == 21 ? "Newer version of letter to sound file." : "Invalid Letter To Sound file format.")
            << c.what;
        // A failed load leaves the rule set cleared: no groups, the built-in tables.
        EXPECT_EQ(rules.Group('A', nullptr), nullptr) << c.what;
        EXPECT_STREQ(rules.Cardinal(1), "wAHn ") << c.what;
    }

    // Every cut of a real form is refused without reading past it.
    const std::vector<unsigned char> full = Save(CLetterToSoundRules());
    for (size_t n = 0; n < full.size(); n += (n < 400 ? 1 : 13)) {
        CLetterToSoundRules rules;
        EXPECT_NE(Load(rules, std::vector<unsigned char>(full.begin(), full.begin() + static_cast<long>(n))), 0) << n;
    }
}

TEST(LetterToSoundRulesTest, HostileContextsStopMatching) {
    // Contexts of many '#' and ':' would backtrack without end over a long word.
    std::string left;
    for (int k = 0; k < 40; ++k) left += "#:";
    FormBuilder f;
    f.I16(0).I16(0).I16(2);
    f.I16('B').I16(2).Rule(left.c_str(), "B", "", "BAD").Rule("", "B", "", "b");
    f.I16('A').I16(1).Rule("", "A", "", "AH");
    f.Tables();
    CLetterToSoundRules rules;
    ASSERT_EQ(Load(rules, f.Form()), 0);
    std::string word;
    for (int k = 0; k < 30; ++k) word += "AAB";
    const std::string out = Convert(rules, word);
    EXPECT_EQ(out.substr(0, 5), "AHAHb");
}

// A loaded character map may turn a character into NUL and name NUL as the thousands separator;
// the transcriber must still read a number across it to the end of the text.
TEST(LetterToSoundRulesTest, CharacterMappedToNulDoesNotStopTheTranscriber) {
    FormBuilder f;
    f.I16(0).I16(0).I16(0);
    for (int k = 0; k < 56; ++k) f.Str("w ");
    f.I16(0).I16(1);
    for (int c = 0; c < 256; ++c) f.Byte(c == 'Q' ? 0 : c);
    for (int k = 0; k < 10; ++k) f.Str(k == 0 ? "x" : "s ");
    f.Byte(0).Byte(',');
    for (int k = 0; k < 10; ++k) f.Str("t ");
    auto rules = std::make_unique<CLetterToSoundRules>();
    ASSERT_EQ(Load(*rules, f.Form()), 0);
    CTranscriber* transcriber = new CTranscriber(CPronunciationDictionary::CreateFromText("", 0), rules.release());
    EXPECT_TRUE(transcriber->Transcribe("1Q2 3"));
    int count = 0;
    transcriber->GetOutputMarkers(&count);
    EXPECT_EQ(count, 3);
    DestroyTranscriber(transcriber);
}

}  // namespace
