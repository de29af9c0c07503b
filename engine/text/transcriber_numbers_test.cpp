// Reading numbers with the built-in English word tables: cardinals, ordinals, the units-first
// order, the extreme values and digit runs too long for a 32-bit number.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/text/transcriber_test_support.h"

namespace {

// Numbers need no dictionary: every word comes from the rule set's tables.
TranscriberPtr MakeNumberReader(int32_t flags = 0) {
    TranscriberPtr t = MakeDefaultTranscriber("");
    TranscriberInfo info{};
    info.flags = flags;
    t->setTranscriberInfo(&info);
    return t;
}

std::string Read(CTranscriber& t, const char* text) {
    t.Transcribe(text);
    return t.GetTranscription();
}

TEST(NumberReadingTest, CardinalsAndOrdinals) {
    TranscriberPtr t = MakeNumberReader();
    struct Case {
        const char* text;
        const char* phonemes;
    } cases[] = {
        {"0", "xzIHrOWx"},
        {"7", "xsEHvAHnx"},
        {"19", "xnAYntIYnx"},
        {"20", "xtwEHntIYx"},
        {"99", "xnAYntIYxnAYnx"},
        {"100", "xwAHnxhAHndrEHdx"},
        {"1100", "xIYlEHvAHnxhAHndrEHdx"},
        {"1500", "xfIHftIYnxhAHndrEHdx"},
        {"20000", "xtwEHntIYxTHAWzAEndx"},
        {"123456", "xwAHnxhAHndrEHdxtwEHntIYxTHrIYxTHAWzAEndxfOWrxhAHndrEHdxfIHftIYxsIHksx"},
        {"2000000000", "xtUWxbIHlIYAHnx"},
        {"1000000050", "xwAHnxbIHlIYAHnxAEndxfIHftIYx"},
        {"0TH", "xzIHrOWEHTHx"},
        {"11th", "xIYlEHvEHnTHx"},
        {"12th", "xtwEHlvTHx"},
        {"13TH", "xTHERtIYnTHx"},
        {"111th", "xwAHnxhAHndrEHdxIYlEHvEHnTHx"},
        {"113th", "xwAHnxhAHndrEHdxTHERtIYnTHx"},
        {"2012th", "xtUWxTHAWzAEndxAEndxtwEHlvTHx"},
        {"11ST", "xIYlEHvAHnxEHzxtIYx"},  // a teen takes TH only
        {"21ST", "xtwEHntIYxfERstx"},
        {"40TH", "xfOWrtIYEHTHx"},
        {"1100TH", "xIYlEHvAHnxhAHndrEHdTHx"},
        {"2001ST", "xtUWxTHAWzAEndxAEndxfERstx"},
        {"3000000TH", "xTHrIYxmIHlIYAHnTHx"},
        {"2000000000TH", "xtUWxbIHlIYAHnTHx"},
        {"1000001ST", "xwAHnxmIHlIYAHnxAEndxfERstx"},
        // The suffix must end the token: 1STS is no ordinal.
        {"1STS", "xwAHnxEHzxtIYxEHzx"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(*t, c.text), c.phonemes) << c.text;
}

TEST(NumberReadingTest, UnitsFirstLanguages) {
    TranscriberPtr t = MakeNumberReader(kLanguageUnitsFirst);
    EXPECT_EQ(Read(*t, "25"), "xfAYvxAEndxtwEHntIYx");
    EXPECT_EQ(Read(*t, "30"), "xTHERtIYx");
    EXPECT_EQ(Read(*t, "21ST"), "xfERstxAEndxtwEHntIYx");
    EXPECT_EQ(Read(*t, "125"), "xwAHnxhAHndrEHdxfAYvxAEndxtwEHntIYx");
}

TEST(NumberReadingTest, NegativeNumbersIncludingTheSmallest) {
    TranscriberPtr t = MakeNumberReader();
    struct Case {
        int32_t n;
        bool ordinal;
        const char* phonemes;
    } cases[] = {
        {-7, false, "xmAYnAHsxsEHvAHnx"},
        {-7, true, "xmAHnAHsxsEHvEHnTHx"},
        // The smallest value has no positive counterpart; negating it would overflow.
        {INT32_MIN, false, "xmAYnAHsxIHnfIHnIHtIYx"},
        {INT32_MIN, true, "xmAHnAHsxIHnfIHnIHtIYx"},
        {INT32_MAX, false,
         "xtUWxbIHlIYAHnxwAHnxhAHndrEHdxfAOrtIYxsEHvAHnxmIHlIYAHnxfOWrxhAHndrEHdxEYtIYxTHrIYxTHAWzAEndxsIHksxhAHndrEHd"
         "xfAOrtIYxsEHvAHnx"},
    };
    for (const Case& c : cases) {
        t->Transcribe("");
        if (c.ordinal)
            t->SayOrdinal(c.n);
        else
            t->SayCardinal(c.n);
        EXPECT_STREQ(t->GetTranscription(), c.phonemes) << c.n;
    }
}

TEST(NumberReadingTest, DigitRunsBeyondThirtyTwoBitsAreSpelled) {
    TranscriberPtr t = MakeNumberReader();
    // 4294967296 would wrap to 0 and 2147483648 to a negative number.
    EXPECT_EQ(Read(*t, "4294967296"), "xfOWrxtUWxnAYnxfOWrxnAYnxsIHksxsEHvAHnxtUWxnAYnxsIHksx");
    EXPECT_EQ(Read(*t, "2,147,483,648TH"),
              "xtUWxwAHnxfOWrxsEHvAHnxfOWrxEYtxTHrIYxsIHksxfOWrxEYtxtIYxEYtCHx");
    EXPECT_EQ(Read(*t, "$5000000000"), "xfAYvxzIHrOWxzIHrOWxzIHrOWxzIHrOWxzIHrOWxzIHrOWxzIHrOWxzIHrOWxzIHrOWxdAAlAArzx");
    // A very long run is spelled digit by digit in words of 64 digits, so reading it holds no more
    // than one word's slots at a time; its last piece is spelled too, though it would fit a number.
    const std::string digits(5000 - 3, '8');
    t->Transcribe((digits + "123").c_str());
    int count = 0;
    const TranscriptMarker* markers = t->GetOutputMarkers(&count);
    ASSERT_EQ(count, 79);
    int slots = 0;
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(markers[k].kind, kTranscriptWord);
        EXPECT_EQ(markers[k].textStart, 64 * k);
        EXPECT_EQ(markers[k].textEnd, k + 1 < count ? 64 * (k + 1) : 5000);
        slots += markers[k].slotCount;
    }
    EXPECT_EQ(slots, 5000);
    EXPECT_EQ(markers[count - 1].slotCount, 5000 - 64 * 78);
    const std::string transcription = t->GetTranscription();
    ASSERT_GT(transcription.size(), 16u);
    EXPECT_EQ(transcription.substr(transcription.size() - 16), "xwAHnxtUWxTHrIYx");
    // The next text starts afresh.
    EXPECT_EQ(Read(*t, "12"), "xtwEHlvx");
}

}  // namespace
