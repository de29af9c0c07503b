// The transcriber over the built-in English language: a golden table of scripts with their
// phoneme strings and markers, then locale handling, reuse and unusual input.
#include "engine/text/transcriber.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "engine/api/progress.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/transcriber_test_support.h"

namespace {

class TranscriberTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dictionary_ = new std::string(BuiltInDictionaryText());
        transcriber_ = MakeDefaultTranscriber(*dictionary_).release();
    }
    static void TearDownTestSuite() {
        DestroyTranscriber(transcriber_);
        delete dictionary_;
    }
    void SetUp() override { ASSERT_NE(transcriber_, nullptr) << "built-in dictionary missing"; }

    static std::string* dictionary_;
    static CTranscriber* transcriber_;
};
std::string* TranscriberTest::dictionary_ = nullptr;
CTranscriber* TranscriberTest::transcriber_ = nullptr;

struct GoldenCase {
    const char* script; // UTF-8, converted to code page 1252 before transcribing
    const char* phonemes;
    std::vector<std::string> markers; // as DescribeMarkers writes them
};

// Markers read: kind (W word, M markup, C cut, P punctuation), 'text', [phonemes], =cut time,
// ! pause allowed, {slot alternatives}. Number and spelled words end with a blank, as the word
// tables give them.
const GoldenCase kGolden[] = {
    {"Hello, world.",
     "xhAHlOWxwERldx",
     {"W'Hello'[hAHlOWx]{hAHlOW|hEHlOW}",
      "P','[]!{x}",
      "W'world'[wERldx]{wERld}",
      "P'.'[]!{x}"}},
    {"tomato",
     "xtAHmEYtOWx",
     {"W'tomato'[tAHmEYtOWx]{tAHmEYtOW|tAHmAAtOW}"}},
    {"Read the book",
     "xrEHdxDHAHxbUHkx",
     {"W'Read'[rEHdx]{rEHd|rIYd}",
      "W'the'[DHAHx]{DHAH|DHIY}",
      "W'book'[bUHkx]{bUHk}"}},
    {"blorf zlat",
     "xblAOrfxzlAEtx",
     {"W'blorf'[blAOrfx]{blAOrf}",
      "W'zlat'[zlAEtx]{zlAEt}"}},
    {"<pron = \"tomahto\"> tomato",
     "xtAAmAEtUWx",
     {"W'tomato'[tAAmAEtUWx]{tAAmAEtUW}"}},
    {"<aux = \"ha ha\"> yes",
     "xhAAxhAAxyEHsx",
     {"M'<aux = \"ha ha\">'[hAAxhAAx]{hAA}{hAA}",
      "W'yes'[yEHsx]{yEHs}"}},
    {"<cut ms=\"1500\"/>Go",
     "xxgOWx",
     {"C'<cut ms=\"1500\"/>'[x]=1500",
      "W'Go'[gOWx]{gOW}"}},
    {"<cut 250> go",
     "xxgOWx",
     {"C'<cut 250>'[x]=250",
      "W'go'[gOWx]{gOW}"}},
    {"<cut ms=\"0\"/>",
     "x",
     {"M'<cut ms=\"0\"/>'[]"}},
    {"<pause> now",
     "xxxnAWx",
     {"M'<pause>'[x]!{xx}",
      "W'now'[nAWx]{nAW}"}},
    {"<breath> ok",
     "xOWkEYx",
     {"M'<breath>'[]{hEY|hAEhAE|hUHh|hEYhEYhEY}",
      "W'ok'[OWkEYx]{OWkEY}"}},
    {"<laugh>",
     "x",
     {"M'<laugh>'[]{hAHx|hAHxhAHx|hAHxhAHxhAHx|hAHxhAHxhAHxhAHx|hAHxhAHxhAHxhAHxhAHx|hAHxhAHxhAHxhAHxhAHxhAHx|hAHxhAHxhAHxhAHxhAHxhAHxhAHx}"}},
    {"<auto-breath-detection> Yes. No!",
     "xyEHsxnOWx",
     {"M'<auto-breath-detection>'[]",
      "W'Yes'[yEHsx]{yEHs}",
      "P'.'[]!{x}{hEY|hAEhAE|hUHh|hEYhEYhEY|x}",
      "W'No'[nOWx]{nOW}",
      "P'!'[]!{x}{hEY|hAEhAE|hUHh|hEYhEYhEY|x}"}},
    {"{braced text} [bracket]",
     "x",
     {"M'{braced text}'[]",
      "M'[bracket]'[]"}},
    {"0 19 20 25",
     "xzIHrOWxnAYntIYnxtwEHntIYxtwEHntIYxfAYvx",
     {"W'0'[zIHrOWx]{zIHrOW }",
      "W'19'[nAYntIYnx]{nAYntIYn }",
      "W'20'[twEHntIYx]{twEHntIY }",
      "W'25'[twEHntIYxfAYvx]{twEHntIY }{fAYv }"}},
    {"1000 1050 1999 2005",
     "xwAHnxTHAWzAEndxwAHnxTHAWzAEndxAEndxfIHftIYxnAYntIYnxhAHndrEHdxnAYntIYxnAYnxtUWxTHAWzAEndxAEndxfAYvx",
     {"W'1000'[wAHnxTHAWzAEndx]{wAHn }{THAWzAEnd }",
      "W'1050'[wAHnxTHAWzAEndxAEndxfIHftIYx]{wAHn }{THAWzAEnd }{AEnd }{fIHftIY }",
      "W'1999'[nAYntIYnxhAHndrEHdxnAYntIYxnAYnx]{nAYntIYn }{hAHndrEHd }{nAYntIY }{nAYn }",
      "W'2005'[tUWxTHAWzAEndxAEndxfAYvx]{tUW }{THAWzAEnd }{AEnd }{fAYv }"}},
    {"1,000,005",
     "xwAHnxmIHlIYAHnxAEndxfAYvx",
     {"W'1,000,005'[wAHnxmIHlIYAHnxAEndxfAYvx]{wAHn }{mIHlIYAHn }{AEnd }{fAYv }"}},
    {"3RD 3rd 4TH 105TH 1000TH 21st 11TH 22nd",
     "xTHERdxTHERdxfOWrTHxwAHnxhAHndrEHdxfIHfTHxwAHnxTHAWzAEndTHxtwEHntIYxfERstxIYlEHvEHnTHxtwEHntIYxsEHkAHndx",
     {"W'3RD'[THERdx]{THERd }",
      "W'3rd'[THERdx]{THERd }",
      "W'4TH'[fOWrTHx]{fOWrTH }",
      "W'105TH'[wAHnxhAHndrEHdxfIHfTHx]{wAHn }{hAHndrEHd }{fIHfTH }",
      "W'1000TH'[wAHnxTHAWzAEndTHx]{wAHn }{THAWzAEndTH }",
      "W'21st'[twEHntIYxfERstx]{twEHntIY }{fERst }",
      "W'11TH'[IYlEHvEHnTHx]{IYlEHvEHnTH }",
      "W'22nd'[twEHntIYxsEHkAHndx]{twEHntIY }{sEHkAHnd }"}},
    {"$1.00 $2.50 $1.01 $3.5 $7",
     "xwAHnxdAAlERxtUWxdAAlAArzxAEndxfIHftIYxsEHntsxwAHnxdAAlERxAEndxwAHnxsEHntxTHrIYxpOYntxfAYvxdAAlAArzxsEHvAHnxdAAlAArzx",
     {"W'$1.00'[wAHnxdAAlERx]{wAHn }{dAAlER }",
      "W'$2.50'[tUWxdAAlAArzxAEndxfIHftIYxsEHntsx]{tUW }{dAAlAArz }{AEnd }{fIHftIY }{sEHnts }",
      "W'$1.01'[wAHnxdAAlERxAEndxwAHnxsEHntx]{wAHn }{dAAlER }{AEnd }{wAHn }{sEHnt }",
      "W'$3.5'[THrIYxpOYntxfAYvxdAAlAArzx]{THrIY }{pOYnt }{fAYv }{dAAlAArz }",
      "W'$7'[sEHvAHnxdAAlAArzx]{sEHvAHn }{dAAlAArz }"}},
    {"12.75%",
     "xtwEHlvxpOYntxsEHvAHnxfAYvxpERsEHntx",
     {"W'12.75%'[twEHlvxpOYntxsEHvAHnxfAYvxpERsEHntx]{twEHlv }{pOYnt }{sEHvAHn }{fAYv }{pERsEHnt }"}},
    {"Meet me at 5pm.",
     "xmIYtxmIYxAEtxfAYvxpIYxEHmx",
     {"W'Meet'[mIYtx]{mIYt}",
      "W'me'[mIYx]{mIY}",
      "W'at'[AEtx]{AEt}",
      "W'5pm'[fAYvxpIYxEHmx]{fAYv }{pIY }{EHm }",
      "P'.'[]!{x}"}},
    {"bob@example.com",
     "xbAAbxAEtxIHgzAEmpAHlxdAAtxkAAmx",
     {"W'bob@example.com'[bAAbxAEtxIHgzAEmpAHlxdAAtxkAAmx]{bAAb}{AEt}{IHgzAEmpAHl}{dAAt}{kAAm}"}},
    {"http://www.example.com/path",
     "xEYtCHxtIYxtIYxpIYxkAAlAHnxslAESHxslAESHxwwwxdAAtxIHgzAEmpAHlxdAAtxkAAmpAETHx",
     {"W'http://www.example.com/path'[EYtCHxtIYxtIYxpIYxkAAlAHnxslAESHxslAESHxwwwxdAAtxIHgzAEmpAHlxdAAtxkAAmpAETHx]{EYtCH }{tIY }{tIY }{pIY }{kAAlAHn }{slAESH }{slAESH www}{dAAt}{IHgzAEmpAHl}{dAAtkAAmpAETH}"}},
    {"www.example.com",
     "xwwwxdAAtxIHgzAEmpAHlxdAAtxkAAmx",
     {"W'www.example.com'[wwwxdAAtxIHgzAEmpAHlxdAAtxkAAmx]{www}{dAAt}{IHgzAEmpAHl}{dAAt}{kAAm}"}},
    {"Dr. Smith and Mr. Jones met Mrs. Brown, PhD.",
     "xdAAktERxsmIHTHxAHndxmIHstERxjOWnzxmEHtxmIHsIHzxbrAWnxpIYxEYtCHxdIYx",
     {"W'Dr.'[dAAktERx]{dAAktER|dAOktER}",
      "W'Smith'[smIHTHx]{smIHTH}",
      "W'and'[AHndx]{AHnd|AEnd}",
      "W'Mr.'[mIHstERx]{mIHstER}",
      "W'Jones'[jOWnzx]{jOWnz}",
      "W'met'[mEHtx]{mEHt}",
      "W'Mrs.'[mIHsIHzx]{mIHsIHz}",
      "W'Brown'[brAWnx]{brAWn}",
      "P','[]!{x}",
      "W'PhD.'[pIYxEYtCHxdIYx]{pIY }{EYtCH }{dIY }"}},
    {"U.S.A. X.Q.Z.",
     "xyUWEHsEYxEHksxkIYyUWxzIYx",
     {"W'U.S.A.'[yUWEHsEYx]{yUWEHsEY}",
      "W'X.Q.Z.'[EHksxkIYyUWxzIYx]{EHks }{kIYyUW }{zIY }"}},
    {"A b",
     "xAHxbIYx",
     {"W'A'[AHx]{AH|EY}",
      "W'b'[bIYx]{bIY}"}},
    {"~ ^ ©",
     "x",
     {"P'~'[]!{x}",
      "P'^'[]!{x}",
      "W'©'[]"}},
    {"Café déjà vu",
     "xkAHfEYxdIYjAHxvUWx",
     {"W'Café'[kAHfEYx]{kAHfEY|kAEfEY}",
      "W'déjà'[dIYjAHx]{dIYjAH|dEYZHAA}",
      "W'vu'[vUWx]{vUW}"}},
    {"“Naïve” – fiancée",
     "xnAYIYvxfIYAEnsIYx",
     {"W'“Naïve”'[nAYIYvx]{nAYIYv}",
      "P'–'[]!{x}",
      "W'fiancée'[fIYAEnsIYx]{fIYAEnsIY}"}},
    {"don't 'quoted' \"speech\"",
     "xdOWntxkwOWtIHdxspIYCHx",
     {"W'don't'[dOWntx]{dOWnt|dOWn}",
      "W''quoted''[kwOWtIHdx]{kwOWtIHd}",
      "W'\"speech\"'[spIYCHx]{spIYCH}"}},
    {"99999999999 2147483647",
     "xnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxtUWxbIHlIYAHnxwAHnxhAHndrEHdxfAOrtIYxsEHvAHnxmIHlIYAHnxfOWrxhAHndrEHdxEYtIYxTHrIYxTHAWzAEndxsIHksxhAHndrEHdxfAOrtIYxsEHvAHnx",
     {"W'99999999999'[nAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnxnAYnx]{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }{nAYn }",
      "W'2147483647'[tUWxbIHlIYAHnxwAHnxhAHndrEHdxfAOrtIYxsEHvAHnxmIHlIYAHnxfOWrxhAHndrEHdxEYtIYxTHrIYxTHAWzAEndxsIHksxhAHndrEHdxfAOrtIYxsEHvAHnx]{tUW }{bIHlIYAHn }{wAHn }{hAHndrEHd }{fAOrtIY }{sEHvAHn }{mIHlIYAHn }{fOWr }{hAHndrEHd }{EYtIY }{THrIY }{THAWzAEnd }{sIHks }{hAHndrEHd }{fAOrtIY }{sEHvAHn }"}},
    {"one\ntwo\tthree",
     "xwAHnxtUWxTHrIYx",
     {"W'one'[wAHnx]{wAHn|hwAHn}",
      "W'two'[tUWx]{tUW}",
      "W'three'[THrIYx]{THrIY}"}},

};

TEST_F(TranscriberTest, GoldenScripts) {
    for (const GoldenCase& c : kGolden) {
        std::string phonemes;
        const std::vector<std::string> markers = TranscribeUtf8(*transcriber_, c.script, &phonemes);
        EXPECT_EQ(phonemes, c.phonemes) << c.script;
        EXPECT_EQ(markers, c.markers) << c.script;
    }
}

// A small dictionary is enough where the language, not the words, is under test.
TranscriberPtr MakeSmallTranscriber() {
    return MakeDefaultTranscriber("CAFE=kAEfEY\nHELLO=hEHlOW\nHELLO=hAHlOW\nWORLD=wERld\n");
}

std::string CurrentLocale() {
    const char* name = std::setlocale(LC_ALL, nullptr);
    return name ? name : "";
}

TranscriberInfo InfoWithLocale(const char* locale) {
    TranscriberInfo info{};
    std::strcpy(info.name, "Test");
    std::strcpy(info.locale, locale);
    return info;
}

TEST_F(TranscriberTest, TranscribesAlikeInTheCAndUtf8Locales) {
    const std::string before = CurrentLocale();
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    for (const GoldenCase& c : kGolden) {
        std::string phonemes;
        const std::vector<std::string> markers = TranscribeUtf8(*transcriber_, c.script, &phonemes);
        EXPECT_EQ(phonemes, c.phonemes) << c.script;
        EXPECT_EQ(markers, c.markers) << c.script;
    }
    std::setlocale(LC_ALL, before.c_str());
}

TEST(TranscriberLocaleTest, LanguageLocaleIsRestoredAfterEachTranscription) {
    TranscriberPtr t = MakeSmallTranscriber();
    ASSERT_TRUE(t);
    struct Case {
        const char* processLocale;
        const char* languageLocale;
    } cases[] = {
        {"C", "C.UTF-8"},
        {"C.UTF-8", "C"},
        // A language locale that this system lacks leaves the current one in force.
        {"C", "xx_XX.nowhere"},
        {"C.UTF-8", "xx_XX.nowhere"},
    };
    const std::string original = CurrentLocale();
    for (const Case& c : cases) {
        ASSERT_NE(std::setlocale(LC_ALL, c.processLocale), nullptr);
        const std::string before = CurrentLocale();
        const TranscriberInfo info = InfoWithLocale(c.languageLocale);
        t->setTranscriberInfo(&info);
        const std::string text = ConvertUtf8ToCp1252("Café, hello world").bytes;
        for (int round = 0; round < 2; ++round) {
            EXPECT_TRUE(t->Transcribe(text.c_str()));
            EXPECT_STREQ(t->GetTranscription(), "xkAEfEYxhEHlOWxwERldx") << c.languageLocale;
            EXPECT_EQ(CurrentLocale(), before) << c.processLocale << " / " << c.languageLocale;
        }
    }
    std::setlocale(LC_ALL, original.c_str());
}

TEST_F(TranscriberTest, ResultsAreRebuiltByEveryTranscription) {
    transcriber_->Transcribe("<auto-breath-detection> Hello, world.");
    int count = 0;
    ASSERT_NE(transcriber_->GetOutputMarkers(&count), nullptr);
    EXPECT_EQ(count, 5);

    // Automatic breaths last only for the text that asked for them.
    std::string phonemes;
    EXPECT_EQ(TranscribeUtf8(*transcriber_, "Hello, world.", &phonemes), kGolden[0].markers);
    EXPECT_EQ(phonemes, kGolden[0].phonemes);

    transcriber_->Transcribe("");
    EXPECT_EQ(transcriber_->GetOutputMarkers(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_STREQ(transcriber_->GetTranscription(), "x");
    transcriber_->Transcribe(nullptr);
    EXPECT_STREQ(transcriber_->GetTranscription(), "x");
}

// A long script asks the progress set whether to cancel as it is read; a cancel stops the reading
// there, and the next transcription (without it) reads its whole text again.
TEST_F(TranscriberTest, ACancelStopsALongScriptPartWay) {
    class cancel_at : public CProgress {
    public:
        explicit cancel_at(int call) : call_(call) {}
        void SetStatusText(const char*) override {}
        bool Progress(int, int) override { return ++calls == call_; }
        int calls = 0;

    private:
        int call_;
    };
    std::string script;
    for (int i = 0; i < 40000; ++i) script += "hello world ";
    int all = 0;
    ASSERT_TRUE(transcriber_->Transcribe(script.c_str()));
    transcriber_->GetOutputMarkers(&all);
    ASSERT_EQ(all, 80000);
    for (int call : {1, 3}) {
        cancel_at cancel(call);
        transcriber_->SetProgress(&cancel);
        EXPECT_FALSE(transcriber_->Transcribe(script.c_str())) << call;
        transcriber_->SetProgress(nullptr);
        EXPECT_EQ(cancel.calls, call);
        int count = 0;
        transcriber_->GetOutputMarkers(&count);
        EXPECT_LT(count, all / 2) << call;
    }
    int again = 0;
    EXPECT_TRUE(transcriber_->Transcribe(script.c_str()));
    transcriber_->GetOutputMarkers(&again);
    EXPECT_EQ(again, all);
}

TEST_F(TranscriberTest, LongWordsAreHandedOnInPieces) {
    const std::string word(300, 'b');
    transcriber_->Transcribe(word.c_str());
    int count = 0;
    const TranscriptMarker* markers = transcriber_->GetOutputMarkers(&count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(markers[0].textStart, 0);
    EXPECT_EQ(markers[0].textEnd, 254);
    EXPECT_EQ(markers[1].textStart, 254);
    EXPECT_EQ(markers[1].textEnd, 300);
}

TEST_F(TranscriberTest, EveryByteValueIsReadSafely) {
    // Bytes of 128 and above go through the character map and the class tables as unsigned
    // values; the sanitizer build checks that nothing indexes out of range.
    std::string text;
    for (int c = 1; c < 256; ++c) {
        text.push_back(static_cast<char>(c));
        text.push_back(' ');
    }
    transcriber_->Transcribe(text.c_str());
    int count = 0;
    const TranscriptMarker* markers = transcriber_->GetOutputMarkers(&count);
    ASSERT_GT(count, 100);
    for (int i = 0; i < count; ++i) {
        EXPECT_LE(markers[i].textStart, markers[i].textEnd);
        EXPECT_LE(markers[i].textEnd, static_cast<int>(text.size()));
    }
    // An accented capital is read as its plain letter.
    transcriber_->Transcribe("\xC9");
    EXPECT_STREQ(transcriber_->GetTranscription(), "xIYx");
}

TEST_F(TranscriberTest, UnusualTagsAndCutValues) {
    struct Case {
        const char* script;
        std::vector<std::string> markers;
    } cases[] = {
        // Nothing to say: the tag stays markup and the next word is not taken.
        {"<pron = \"\"> hello", {"M'<pron = \"\">'[]", "W'hello'[hAHlOWx]{hAHlOW|hEHlOW}"}},
        {"<pron tomahto> hello", {"M'<pron tomahto>'[]", "W'hello'[hAHlOWx]{hAHlOW|hEHlOW}"}},
        // A cut time too large for an int is held at the largest one.
        {"<cut 99999999999>", {"C'<cut 99999999999>'[x]=2147483647"}},
        {"<cut ms=\"-40\"/>", {"C'<cut ms=\"-40\"/>'[x]=-40"}},
        // A tag that never closes is read as text (with a warning, tested below).
        {"<pause now", {"W'pause'[pAOzx]{pAOz}", "W'now'[nAWx]{nAW}"}},
        {"< pause>", {"P'<'[]!{x}", "W'pause'[pAOzx]{pAOz}", "P'>'[]!{x}"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranscribeUtf8(*transcriber_, c.script, nullptr), c.markers) << c.script;
    }
}

TEST(TranscriberObjectTest, DictionaryConstraintsAndReferences) {
    TranscriberPtr t = MakeSmallTranscriber();
    ASSERT_TRUE(t);
    TranscriberInfo info{};
    t->getTranscriberInfo(&info);
    EXPECT_EQ(info.name[0], 0);
    EXPECT_EQ(info.flags, 0);
    int length = -1;
    EXPECT_EQ(t->GetPhoneConstraints(&length), nullptr);
    EXPECT_EQ(length, 0);
    t->SetPhoneConstraints("x 10\n", 5);
    EXPECT_STREQ(t->GetPhoneConstraints(&length), "x 10\n");
    EXPECT_EQ(length, 5);
    EXPECT_FALSE(t->IsBusy());

    // Without a dictionary every word goes through the rules.
    t->SetDictionary(nullptr, false);
    t->Transcribe("hello");
    EXPECT_STREQ(t->GetTranscription(), "xhEHlOWx");
    CPronunciationDictionary* replacement = CPronunciationDictionary::CreateFromText("HELLO=hAHlOW\n", 13);
    t->SetDictionary(replacement, true);
    t->Transcribe("hello");
    EXPECT_STREQ(t->GetTranscription(), "xhAHlOWx");

    EXPECT_EQ(t->AddRef(), 2);
    EXPECT_EQ(t->Release(), 1);
}

TEST_F(TranscriberTest, UnclosedMarkupIsReadAsTextWithAWarning) {
    struct Case {
        const char* script;
        std::vector<std::string> words;  // the word markers' texts
        std::vector<std::string> warnings;
    } cases[] = {
        {"hello <laugh and then\nthe rest", {"hello", "laugh", "and", "then", "the", "rest"},
         {"line 1: '<' without a '>' after it: the text that follows is read, not skipped as markup"}},
        {"one {note\ntwo [aside three", {"one", "note", "two", "aside", "three"},
         {"line 1: '{' without a '}' after it: the text that follows is read, not skipped as markup",
          "line 2: '[' without a ']' after it: the text that follows is read, not skipped as markup"}},
        // Closed later, or closed by a bracket of its own kind only: as before.
        {"one {two} three [four] <cut 5> six", {"one", "three", "six"}, {}},
        {"a } b { c", {"a", "b", "c"}, {"line 1: '{' without a '}' after it: the text that follows is read, not skipped as markup"}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> markers = TranscribeUtf8(*transcriber_, c.script, nullptr);
        std::vector<std::string> words;
        for (const std::string& m : markers)
            if (m.rfind("W'", 0) == 0) words.push_back(m.substr(2, m.find('\'', 2) - 2));
        EXPECT_EQ(words, c.words) << c.script;
        std::vector<std::string> warnings;
        for (const ScriptWarning& w : transcriber_->GetWarnings()) warnings.push_back(w.ToString());
        EXPECT_EQ(warnings, c.warnings) << c.script;
    }
    // A text of nothing but open brackets stays quick and its warnings bounded.
    transcriber_->Transcribe(std::string(200000, '{').c_str());
    EXPECT_EQ(transcriber_->GetWarnings().size(), static_cast<size_t>(kMaxScriptWarnings));
}

}  // namespace
