// The pronunciation dictionary: its text and binary forms, lookups with alternatives, the word
// order, malformed binary forms, and the built-in dictionary's own order and phoneme codes.
#include "engine/text/pronunciation_dictionary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/text/transcriber_test_support.h"
#include "engine/util/resource_data.h"

namespace {

struct DictionaryDeleter {
    void operator()(CPronunciationDictionary* d) const { d->Destroy(); }
};
using DictionaryPtr = std::unique_ptr<CPronunciationDictionary, DictionaryDeleter>;

DictionaryPtr FromText(const std::string& text) {
    return DictionaryPtr(CPronunciationDictionary::CreateFromText(text.data(), static_cast<int>(text.size())));
}

std::string Pronunciation(const CPronunciationDictionary& d, const char* word, int index) {
    DictionaryEntry e{};
    if (!d.Lookup(word, static_cast<uint16_t>(std::strlen(word)), index, &e)) return "<none>";
    return std::string(e.phones, e.phonesLength);
}

std::vector<unsigned char> SaveToBytes(const CPronunciationDictionary& d) {
    FILE* f = std::tmpfile();
    EXPECT_TRUE(d.SaveBinary(f));
    std::vector<unsigned char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

void PutInt32(std::vector<unsigned char>& b, int32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k)));
}
void PutInt16(std::vector<unsigned char>& b, int16_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8));
}

const char kSample[] =
    "ABC=EYbIYsIY\n"
    "CAT=kAEt\n"
    "CATS=kAEts\n"
    "HELLO=hEHlOW\r\n"
    "HELLO=hAHlOW\n"
    "\t  NEW YORK=nUW yAOrk \n"
    "no equals sign here\n"
    "=AH\n"
    "EMPTY=\n"
    "ZEBRA=   zIYbrAH\n";

TEST(PronunciationDictionaryTest, LoadsTextLinesAndLooksUpAlternatives) {
    DictionaryPtr d = FromText(kSample);
    ASSERT_TRUE(d);
    // Lines without '=' or with an empty side are skipped; the EMPTY line ends at its line break.
    EXPECT_EQ(d->GetCount(), 7);
    struct Case {
        const char* word;
        int index;
        const char* phones;
    } cases[] = {
        {"HELLO", 0, "hEHlOW"},
        {"HELLO", 1, "hAHlOW"},
        {"HELLO", 2, "<none>"},
        {"hello", 0, "hEHlOW"},        // letter case does not matter
        {"HELL", 0, "<none>"},         // a prefix of a word is no word
        {"HELLOS", 0, "<none>"},
        {"NEW YORK", 0, "nUW yAOrk "}, // blanks inside and at the end are kept, not after '='
        {"ZEBRA", 0, "zIYbrAH"},
        {"CAT", 0, "kAEt"},
        {"CATS", 0, "kAEts"},
        {"CAT", -1, "<none>"},
    };
    for (const Case& c : cases) EXPECT_EQ(Pronunciation(*d, c.word, c.index), c.phones) << c.word << " " << c.index;

    char out[64];
    EXPECT_TRUE(d->LookupFirst("cats", 4, out, sizeof out));
    EXPECT_STREQ(out, "kAEts");
    EXPECT_TRUE(d->LookupFirst("HELLO", 5, out, sizeof out));
    EXPECT_TRUE(std::strcmp(out, "hEHlOW") == 0 || std::strcmp(out, "hAHlOW") == 0);
    EXPECT_FALSE(d->LookupFirst("CA", 2, out, sizeof out));
    EXPECT_FALSE(d->LookupFirst("CATSS", 5, out, sizeof out));
    // The caller's buffer is never overrun.
    EXPECT_FALSE(d->LookupFirst("CATS", 4, out, 5));
    EXPECT_FALSE(d->LookupFirst(std::string(600, 'A').c_str(), 600, out, sizeof out));
}

TEST(PronunciationDictionaryTest, WordOrder) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"A_B", "ABC", -1}, // the underscore lies below the letters once they are lower case
        {"CAT", "CATS", -1},
        {"cat", "CAT", 0},
        {"ZOO", "apple", 1},
        {"O'NEIL", "ONE", -1},
        {"\xE9T\xC9", "\xE9t\xC9", 0},       // bytes above 127 compare unsigned, after tolower
        {"A\xE9", "AZ", 1},
    };
    for (const Case& c : cases) {
        const int r = CPronunciationDictionary::CompareWords(c.a, static_cast<uint16_t>(std::strlen(c.a)), c.b,
                                                             static_cast<uint16_t>(std::strlen(c.b)));
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
    // A NUL ends the comparison and sorts first.
    EXPECT_LT(CPronunciationDictionary::CompareWords("A\0B", 3, "AAB", 3), 0);
    EXPECT_EQ(CPronunciationDictionary::CompareWords("A\0B", 3, "A\0C", 3), 0);
}

TEST(PronunciationDictionaryTest, OnlyTheRunTheSearchLandsOnIsSeen) {
    // The loader keeps the text's order; a word split in two runs shows one of them.
    DictionaryPtr d = FromText("B=bIY\nB=bEY\nC=sIY\nB=bAA\n");
    ASSERT_TRUE(d);
    EXPECT_EQ(Pronunciation(*d, "B", 0), "bIY");
    EXPECT_EQ(Pronunciation(*d, "B", 1), "bEY");
    EXPECT_EQ(Pronunciation(*d, "B", 2), "<none>");
}

TEST(PronunciationDictionaryTest, OverlongTextFieldsAreSkipped) {
    // Lengths are 16-bit; a word of 70,000 bytes must not come back cut to 4,464.
    const std::string text = std::string(70000, 'A') + "=AH\nOK=OWkEY\n" + "LONG=" + std::string(70000, 'k') + "\n";
    DictionaryPtr d = FromText(text);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetCount(), 1);
    EXPECT_EQ(Pronunciation(*d, "OK", 0), "OWkEY");
}

TEST(PronunciationDictionaryTest, BinaryFormRoundTrip) {
    DictionaryPtr d = FromText(kSample);
    ASSERT_TRUE(d);
    std::vector<unsigned char> bytes = SaveToBytes(*d);
    bytes.push_back(0x5A); // a byte that belongs to whatever follows

    CPronunciationDictionary loaded;
    const void* cursor = bytes.data();
    int remaining = static_cast<int>(bytes.size());
    ASSERT_EQ(loaded.LoadBinary(&cursor, &remaining), 0);
    EXPECT_EQ(remaining, 1);
    EXPECT_EQ(static_cast<const unsigned char*>(cursor), bytes.data() + bytes.size() - 1);
    ASSERT_EQ(loaded.GetCount(), d->GetCount());
    for (const char* word : {"ABC", "CAT", "CATS", "HELLO", "NEW YORK", "ZEBRA"})
        for (int index = 0; index < 3; ++index)
            EXPECT_EQ(Pronunciation(loaded, word, index), Pronunciation(*d, word, index)) << word;

    // A form with no entries gives an empty dictionary.
    std::vector<unsigned char> empty;
    PutInt32(empty, 0);
    PutInt32(empty, 0);
    cursor = empty.data();
    remaining = static_cast<int>(empty.size());
    EXPECT_EQ(loaded.LoadBinary(&cursor, &remaining), 0);
    EXPECT_EQ(loaded.GetCount(), 0);
    EXPECT_EQ(remaining, 0);
}

TEST(PronunciationDictionaryTest, MalformedBinaryFormsGiveTwelve) {
    auto form = [](int32_t poolSize, const std::string& pool, int32_t count, std::vector<int32_t> entry) {
        std::vector<unsigned char> b;
        PutInt32(b, poolSize);
        b.insert(b.end(), pool.begin(), pool.end());
        PutInt32(b, count);
        for (size_t k = 0; k + 3 < entry.size(); k += 4) {
            PutInt32(b, entry[k]);
            PutInt16(b, static_cast<int16_t>(entry[k + 1]));
            PutInt32(b, entry[k + 2]);
            PutInt16(b, static_cast<int16_t>(entry[k + 3]));
        }
        return b;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"nothing", {}},
        {"negative pool size", form(-1, "", 0, {})},
        {"pool larger than the bytes", form(100, "CATkAEt", 0, {})},
        {"count missing", {7, 0, 0, 0, 'C', 'A', 'T', 'k', 'A', 'E', 't'}},
        {"negative count", form(7, "CATkAEt", -1, {})},
        {"count beyond the bytes", form(7, "CATkAEt", 1000000000, {0, 3, 3, 4})},
        {"entry cut short", [&] {
             auto b = form(7, "CATkAEt", 1, {0, 3, 3, 4});
             b.pop_back();
             return b;
         }()},
        {"word outside the pool", form(7, "CATkAEt", 1, {5, 3, 3, 4})},
        {"negative offset", form(7, "CATkAEt", 1, {-1, 3, 3, 4})},
        {"pronunciation outside the pool", form(7, "CATkAEt", 1, {0, 3, 3, 5})},
        {"offset far beyond", form(7, "CATkAEt", 1, {0, 3, 0x7FFFFFF0, 4})},
    };
    for (const Case& c : cases) {
        CPronunciationDictionary d;
        const void* cursor = c.bytes.data();
        int remaining = static_cast<int>(c.bytes.size());
        EXPECT_EQ(d.LoadBinary(&cursor, &remaining), 12) << c.what;
        EXPECT_EQ(d.GetCount(), 0) << c.what;
    }
    // Every cut of a good form fails cleanly too.
    DictionaryPtr sample = FromText(kSample);
    const std::vector<unsigned char> good = SaveToBytes(*sample);
    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<long>(n));
        CPronunciationDictionary d;
        const void* cursor = cut.data();
        int remaining = static_cast<int>(n);
        EXPECT_EQ(d.LoadBinary(&cursor, &remaining), 12) << n;
    }
}

// Splits a pronunciation into the system's phoneme codes: one lower-case letter, or an upper-case
// letter and the one after it.
bool IsMadeOfPhonemeCodes(const char* p, int n) {
    static const std::string kCodes = " x m p b v f ZH CH j SH s z DH TH t NG g k h r ER w UH UW AW IY y IH AE AY EY "
                                      "EH n d l AA AH AO OW OY ";
    for (int k = 0; k < n;) {
        const int len = (p[k] >= 'A' && p[k] <= 'Z') ? 2 : 1;
        if (k + len > n || kCodes.find(" " + std::string(p + k, static_cast<size_t>(len)) + " ") == std::string::npos)
            return false;
        k += len;
    }
    return true;
}

// The entry table of a text, in 4-byte aligned storage as the resource table gives it.
std::vector<uint32_t> TableOf(const std::string& text) {
    CPronunciationDictionary d;
    EXPECT_TRUE(d.LoadText(text.data(), static_cast<int>(text.size())));
    FILE* f = std::tmpfile();
    EXPECT_TRUE(d.WriteTable(f));
    const long size = std::ftell(f);
    std::vector<uint32_t> table(static_cast<size_t>(size) / 4);
    std::rewind(f);
    EXPECT_EQ(std::fread(table.data(), 1, static_cast<size_t>(size), f), static_cast<size_t>(size));
    std::fclose(f);
    return table;
}

void ExpectSameEntries(const CPronunciationDictionary& a, const CPronunciationDictionary& b) {
    ASSERT_EQ(a.GetCount(), b.GetCount());
    for (int i = 0; i < a.GetCount(); ++i) {
        const DictionaryEntry x = a.GetEntry(i);
        const DictionaryEntry y = b.GetEntry(i);
        ASSERT_EQ(std::string(x.word, x.wordLength), std::string(y.word, y.wordLength)) << i;
        ASSERT_EQ(std::string(x.phones, x.phonesLength), std::string(y.phones, y.phonesLength)) << i;
    }
}

TEST(PronunciationDictionaryTest, EntryTableIsUsedInPlaceAndCheckedFirst) {
    const std::string text = kSample;
    const int size = static_cast<int>(text.size());
    std::vector<uint32_t> table = TableOf(text);
    const int tableBytes = static_cast<int>(table.size() * 4);
    DictionaryPtr fromText = FromText(text);
    CPronunciationDictionary attached;
    ASSERT_TRUE(attached.AttachTable(text.data(), size, table.data(), tableBytes));
    ExpectSameEntries(attached, *fromText);
    EXPECT_EQ(attached.GetEntry(0).word, text.data()) << "the text is not copied";
    EXPECT_EQ(Pronunciation(attached, "hello", 1), "hAHlOW");

    const struct {
        const char* what;
        size_t word;     // the 32-bit word of the table to change
        uint32_t value;
        int sizeChange;  // of the text size given
        int offset;      // bytes into the table
    } bad[] = {
        {"magic", 0, 0x12345678, 0, 0},
        {"text size", 1, 5, 0, 0},
        {"another text's size", 1, static_cast<uint32_t>(size), 1, 0},
        {"count beyond the table", 2, 1000, 0, 0},
        {"record size", 3, 16, 0, 0},
        {"word past the text", 4, static_cast<uint32_t>(size), 0, 0},
        {"negative offset", 5, 0xffffffff, 0, 0},
        {"misaligned", 0, 0x5444584D, 0, 2},
    };
    for (const auto& c : bad) {
        std::vector<uint32_t> copy = table;
        copy.push_back(0);
        copy[c.word] = c.value;
        const char* at = reinterpret_cast<const char*>(copy.data());
        if (c.offset != 0) std::memmove(const_cast<char*>(at) + c.offset, at, table.size() * 4);
        CPronunciationDictionary d;
        EXPECT_FALSE(d.AttachTable(text.data(), size + c.sizeChange, at + c.offset, tableBytes)) << c.what;
        EXPECT_EQ(d.GetCount(), 0) << c.what;
    }
}

TEST(BuiltInDictionaryTest, ResourceTextIsUsedInPlaceWithItsBuildTimeTable) {
    int size = 0;
    const char* text = static_cast<const char*>(LoadResourceDataById(nullptr, "BLAH", 165, &size, false));
    ASSERT_NE(text, nullptr);
    DictionaryPtr builtIn(CPronunciationDictionary::CreateFromText(text, size));
    ASSERT_TRUE(builtIn);
    const DictionaryEntry first = builtIn->GetEntry(0);
    EXPECT_TRUE(first.word >= text && first.word < text + size) << "parsed into a copy instead";
    DictionaryPtr parsed = FromText(std::string(text, static_cast<size_t>(size)));
    ExpectSameEntries(*builtIn, *parsed);
}

TEST(BuiltInDictionaryTest, SortedForLookupAndMadeOfPhonemeCodes) {
    const std::string text = BuiltInDictionaryText();
    ASSERT_FALSE(text.empty()) << "resource BLAH 165 missing";
    DictionaryPtr d = FromText(text);
    ASSERT_TRUE(d);
    ASSERT_GT(d->GetCount(), 130000);
    for (int i = 0; i < d->GetCount(); ++i) {
        const DictionaryEntry& e = d->GetEntry(i);
        ASSERT_TRUE(IsMadeOfPhonemeCodes(e.phones, e.phonesLength)) << std::string(e.word, e.wordLength);
        if (i > 0) {
            const DictionaryEntry& prev = d->GetEntry(i - 1);
            ASSERT_LE(CPronunciationDictionary::CompareWords(prev.word, prev.wordLength, e.word, e.wordLength), 0)
                << std::string(prev.word, prev.wordLength) << " before " << std::string(e.word, e.wordLength);
        }
    }
    // Alternatives sit together in the dictionary's numbered order.
    EXPECT_EQ(Pronunciation(*d, "READ", 0), "rEHd");
    EXPECT_EQ(Pronunciation(*d, "READ", 1), "rIYd");
    EXPECT_EQ(Pronunciation(*d, "READ", 2), "<none>");
    EXPECT_EQ(Pronunciation(*d, "'BOUT", 0), "bAWt");
    EXPECT_EQ(Pronunciation(*d, "ZYWICKI", 0), "zIHwIHkIY");
    EXPECT_EQ(Pronunciation(*d, "HELLOO", 0), "<none>");
}

}  // namespace
