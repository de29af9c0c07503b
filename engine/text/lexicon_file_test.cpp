// Lexicon files: one built here from the built-in language and loaded back must transcribe like
// the default transcriber; headers, versions and damaged packed blocks give their codes.
#include "engine/text/lexicon_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/util/error_codes.h"
#include "engine/util/memory_buffer.h"
#include "engine/text/letter_to_sound_rules.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/transcriber_test_support.h"

namespace {

std::string TempPath(const char* name) { return ::testing::TempDir() + "lexicon_test_" + name; }

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return bytes;
}

template <typename T>
std::vector<unsigned char> Saved(const T& part) {
    FILE* f = std::tmpfile();
    EXPECT_TRUE(part.SaveBinary(f));
    std::vector<unsigned char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

class Bytes {
public:
    Bytes& I32(int32_t v) {
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k)));
        return *this;
    }
    Bytes& I16(int v) {
        b.push_back(static_cast<unsigned char>(v));
        b.push_back(static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8));
        return *this;
    }
    Bytes& Str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
    Bytes& Raw(const std::vector<unsigned char>& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    std::vector<unsigned char> b;
};

// The unpacked content: rule set, one int32, dictionary.
std::vector<unsigned char> Content(const std::vector<unsigned char>& rules, const std::vector<unsigned char>& dictionary) {
    return Bytes().Raw(rules).I32(0).Raw(dictionary).b;
}

// A packed block whose stored size is the real one plus sizeError.
std::vector<unsigned char> Packed(const std::vector<unsigned char>& content, int32_t sizeError = 0) {
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    std::vector<unsigned char> z(size);
    EXPECT_EQ(compress(z.data(), &size, content.data(), static_cast<uLong>(content.size())), Z_OK);
    z.resize(size);
    return Bytes().I32(kPackedBlockMagic).I32(static_cast<int32_t>(content.size()) + sizeError).Raw(z).b;
}

std::vector<unsigned char> Header(int version = 1, int32_t flags = 0, const std::string& name = "Testish") {
    Bytes h;
    h.I32(kLexiconMagic).I16(version).Str(name).I32(77).I32(flags);
    if (flags & kLanguageHasLocale) h.Str("C.UTF-8");
    if (flags & kLanguageHasPhoneConstraints) h.Str("x 10\nAH 20\n");
    return h.b;
}

int LoadBytes(const std::vector<unsigned char>& bytes, TranscriberPtr* out = nullptr) {
    CTranscriber* t = reinterpret_cast<CTranscriber*>(&t); // must come back null on an error
    const int code = LoadLexiconData(bytes.data(), static_cast<int>(bytes.size()), &t);
    if (code != 0) {
        EXPECT_EQ(t, nullptr);
        return code;
    }
    if (out)
        out->reset(t);
    else
        DestroyTranscriber(t);
    return code;
}

const char kSmallDictionary[] = "CAT=kAEt\nHELLO=hEHlOW\nHELLO=hAHlOW\n";

std::vector<unsigned char> SmallContent() {
    CPronunciationDictionary* d = CPronunciationDictionary::CreateFromText(kSmallDictionary, sizeof kSmallDictionary - 1);
    std::vector<unsigned char> content = Content(Saved(CLetterToSoundRules()), Saved(*d));
    d->Destroy();
    return content;
}

TEST(LexiconFileTest, FileBuiltFromTheBuiltInLanguageTranscribesLikeIt) {
    const std::string text = BuiltInDictionaryText();
    ASSERT_FALSE(text.empty());
    TranscriberPtr builtIn = MakeDefaultTranscriber(text);
    CPronunciationDictionary* dictionary = CPronunciationDictionary::CreateFromText(text.data(), static_cast<int>(text.size()));
    ASSERT_NE(dictionary, nullptr);

    TranscriberInfo info{};
    std::strcpy(info.name, "English - Copy");
    info.id = 1033;
    info.flags = kLanguageHasLocale | kLanguageHasPhoneConstraints;
    std::strcpy(info.locale, "C.UTF-8");
    const std::string path = TempPath("english.zlex");
    ASSERT_EQ(WriteLexiconFile(path.c_str(), info, "x 10\n", CLetterToSoundRules(), *dictionary), 0);
    dictionary->Destroy();

    CTranscriber* raw = nullptr;
    ASSERT_EQ(LoadLexiconFile(path.c_str(), &raw), 0);
    TranscriberPtr loaded(raw);
    TranscriberInfo got{};
    loaded->getTranscriberInfo(&got);
    EXPECT_STREQ(got.name, "English - Copy");
    EXPECT_EQ(got.id, 1033);
    EXPECT_EQ(got.flags, info.flags);
    EXPECT_STREQ(got.locale, "C.UTF-8");
    int length = 0;
    EXPECT_STREQ(loaded->GetPhoneConstraints(&length), "x 10\n");

    const std::string before = std::setlocale(LC_ALL, nullptr);
    for (const char* script : {"Hello, world.", "Read the book <pause> blorf zlat", "<pron = \"tomahto\"> tomato",
                               "<cut ms=\"1500\"/>On 3RD May I paid $2.50 (12.75%) to bob@example.com.",
                               "Dr. Smith, PhD. visited http://www.example.com/path", "Café déjà vu X.Q.Z."}) {
        std::string expected, got_phonemes;
        const auto expectedMarkers = TranscribeUtf8(*builtIn, script, &expected);
        EXPECT_EQ(TranscribeUtf8(*loaded, script, &got_phonemes), expectedMarkers) << script;
        EXPECT_EQ(got_phonemes, expected) << script;
        EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
    }

    // The language manager lists a file from its first 128 bytes.
    const std::vector<unsigned char> bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 128u);
    TranscriberInfo listed{};
    EXPECT_EQ(ReadLexiconInfo(bytes.data(), kLexiconInfoBytes, &listed), 0);
    EXPECT_STREQ(listed.name, "English - Copy");
    EXPECT_STREQ(listed.locale, "C.UTF-8");
    std::remove(path.c_str());
}

TEST(LexiconFileTest, HeadersAndVersions) {
    const std::vector<unsigned char> block = Packed(SmallContent());
    // Without a locale or constraints the packed block follows the flags directly.
    TranscriberPtr t;
    ASSERT_EQ(LoadBytes(Bytes().Raw(Header(1, 0)).Raw(block).b, &t), 0);
    t->Transcribe("hello cat");
    EXPECT_STREQ(t->GetTranscription(), "xhEHlOWxkAEtx");
    int length = -1;
    EXPECT_EQ(t->GetPhoneConstraints(&length), nullptr);

    // A name longer than the field holds is cut to 63 characters.
    TranscriberInfo info{};
    const std::string longName(100, 'N');
    ASSERT_EQ(ReadLexiconInfo(Header(1, 0, longName).data(), 200, &info), 0);
    EXPECT_EQ(std::string(info.name), longName.substr(0, 63));
    EXPECT_EQ(info.id, 77);

    struct Case {
        const char* what;
        std::vector<unsigned char> header;
        int code;
    } cases[] = {
        {"version 2", Header(2), 21},
        {"version cut off", {0x54, 0x43, 0x49, 0x44, 1}, 21},
        {"wrong magic", Bytes().I32(0x44494355).I16(1).Str("x").I32(0).I32(0).b, 12},
        {"empty", {}, 12},
        {"name without its end", Bytes().I32(kLexiconMagic).I16(1).b, 12},
        {"flags cut off", Bytes().I32(kLexiconMagic).I16(1).Str("Name").I32(3).I16(0).b, 12},
        {"locale cut off", Bytes().I32(kLexiconMagic).I16(1).Str("N").I32(3).I32(kLanguageHasLocale).b, 12},
        {"constraints cut off",
         [] {
             auto h = Header(1, kLanguageHasPhoneConstraints);
             h.pop_back();
             return h;
         }(),
         12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadLexiconInfo(c.header.data(), static_cast<int>(c.header.size()), &info), c.code) << c.what;
        EXPECT_EQ(LoadBytes(c.header), c.code) << c.what;
    }
    // A version-2 file on disk gives 21 as well; a missing one 10.
    const std::string path = TempPath("v2.zlex");
    FILE* f = std::fopen(path.c_str(), "wb");
    const std::vector<unsigned char> v2 = Bytes().Raw(Header(2)).Raw(block).b;
    std::fwrite(v2.data(), 1, v2.size(), f);
    std::fclose(f);
    CTranscriber* out = nullptr;
    EXPECT_EQ(LoadLexiconFile(path.c_str(), &out), 21);
    EXPECT_EQ(out, nullptr);
    std::remove(path.c_str());
    EXPECT_EQ(LoadLexiconFile(TempPath("missing.zlex").c_str(), &out), 10);
}

// A lexicon file that does not load says what is wrong with it in a code whose text speaks of a
// lexicon, never of a WAV file: damaged, of a newer version, or no file at all.
TEST(LexiconFileTest, FilesThatDoNotLoadSayWhy) {
    const std::vector<unsigned char> block = Packed(SmallContent());
    const std::vector<unsigned char> whole = Bytes().Raw(Header(1, 0)).Raw(block).b;
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        int code;
    } cases[] = {
        {"good.zlex", whole, 0},
        {"cut.zlex", std::vector<unsigned char>(whole.begin(), whole.end() - 5), kErrBadLexicon},
        {"text.zlex", Bytes().Str("not a lexicon at all").b, kErrBadLexicon},
        {"empty.zlex", {}, kErrBadLexicon},
        {"newer.zlex", Bytes().Raw(Header(2)).Raw(block).b, kErrNewerVersion},
    };
    for (const auto& c : cases) {
        const std::string path = TempPath(c.name);
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!c.bytes.empty()) std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
        std::fclose(f);
        CTranscriber* out = nullptr;
        EXPECT_EQ(LoadLexiconFile(path.c_str(), &out), c.code) << c.name;
        EXPECT_EQ(out != nullptr, c.code == 0) << c.name;
        DestroyTranscriber(out);
        std::remove(path.c_str());
    }
    CTranscriber* out = nullptr;
    EXPECT_EQ(LoadLexiconFile(::testing::TempDir().c_str(), &out), kErrIsFolder);
    EXPECT_EQ(LoadLexiconFile("/dev/zero", &out), kErrIsDevice);
    EXPECT_EQ(out, nullptr);
}

TEST(LexiconFileTest, DamagedBlocksGiveTheirCodes) {
    const std::vector<unsigned char> header = Header(1, kLanguageHasPhoneConstraints);
    const std::vector<unsigned char> content = SmallContent();
    const std::vector<unsigned char> rules = Saved(CLetterToSoundRules());
    CPronunciationDictionary* d = CPronunciationDictionary::CreateFromText(kSmallDictionary, sizeof kSmallDictionary - 1);
    const std::vector<unsigned char> dictionary = Saved(*d);
    d->Destroy();

    std::vector<unsigned char> newerRules = rules;
    newerRules[4] = 4; // the rule set's version
    std::vector<unsigned char> hugeCount = dictionary;
    const size_t countAt = 4 + (dictionary[0] | dictionary[1] << 8); // behind the pool
    hugeCount[countAt + 3] = 0x7F;
    std::vector<unsigned char> damaged = Packed(content);
    for (size_t k = 12; k < damaged.size(); k += 5) damaged[k] ^= 0x5A;

    struct Case {
        const char* what;
        std::vector<unsigned char> block;
        int code;
    } cases[] = {
        {"no block", {}, 12},
        {"wrong block magic", Bytes().I32(0x5A564350).I32(10).b, 12},
        {"unpacked size one too large", Packed(content, 1), 12},
        {"unpacked size one too small", Packed(content, -1), 12},
        {"unpacked size impossible for the bytes", Bytes().I32(kPackedBlockMagic).I32(0x7FFFFFFF).I32(0).b, 12},
        {"negative unpacked size", Bytes().I32(kPackedBlockMagic).I32(-5).I32(0).b, 12},
        {"damaged stream", damaged, 12},
        {"newer rule set", Packed(Content(newerRules, dictionary)), 21},
        {"rule set only", Packed(rules), 12},
        {"gap cut short", Packed(Bytes().Raw(rules).I16(0).b), 12},
        {"dictionary count beyond the block", Packed(Content(rules, hugeCount)), 12},
        {"dictionary cut short",
         Packed(Content(rules, std::vector<unsigned char>(dictionary.begin(), dictionary.end() - 3))), 12},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadBytes(Bytes().Raw(header).Raw(c.block).b), c.code) << c.what;

    // Every cut of a whole file is refused without harm.
    const std::vector<unsigned char> whole = Bytes().Raw(header).Raw(Packed(content)).b;
    ASSERT_EQ(LoadBytes(whole), 0);
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<long>(n));
        EXPECT_NE(LoadBytes(cut), 0) << n;
    }
}

}  // namespace
