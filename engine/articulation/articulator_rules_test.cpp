// Tests of the articulation rules text, its reader and the rule weight and reach over time.
#include "engine/articulation/articulator_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/api/error_messages.h"

namespace {

int Parse(const std::string& text, ArticulatorRules& rules) {
    return ParseArticulatorRules(text.data(), static_cast<int>(text.size()), rules);
}

const ArticulatorRule& RuleOf(const ArticulatorRules& rules, const char* code) {
    auto it = rules.rules.find(code);
    EXPECT_NE(it, rules.rules.end()) << code;
    static const ArticulatorRule none{};
    return it == rules.rules.end() ? none : it->second;
}

TEST(ArticulatorRules, BuiltInTextCoversTheInventory) {
    EXPECT_EQ(kBuiltInArticulatorRulesLength, 293);
    EXPECT_EQ(std::strlen(kBuiltInArticulatorRules), 293u);
    ArticulatorRules rules;
    ASSERT_EQ(ParseArticulatorRules(kBuiltInArticulatorRules, kBuiltInArticulatorRulesLength, rules), kErrNone);

    EXPECT_EQ(rules.rules.size(), 40u);
    for (const char* code : {"x", "m", "p", "b", "v", "f", "ZH", "CH", "j", "SH", "s", "z", "DH", "TH",
                             "t", "NG", "g", "k", "h", "r", "ER", "w", "UH", "UW", "AW", "IY", "y",
                             "IH", "AE", "AY", "EY", "EH", "n", "d", "l", "AA", "AH", "AO", "OW", "OY"}) {
        const ArticulatorRule& rule = RuleOf(rules, code);
        EXPECT_STREQ(rule.code, code);
    }
    EXPECT_EQ(rules.maxAttack, 250);
    EXPECT_EQ(rules.maxRelease, 125);
    EXPECT_EQ(rules.closedSet, (std::set<std::string>{"b", "f", "m", "p", "v"}));
    EXPECT_EQ(rules.frameRate, 30.0f);

    // A plain line: onset and offset weights are the weight, no onset or offset time.
    const ArticulatorRule& aa = RuleOf(rules, "AA");
    EXPECT_FLOAT_EQ(aa.weight, 0.9f);
    EXPECT_EQ(aa.attack, 250);
    EXPECT_EQ(aa.release, 100);
    EXPECT_FLOAT_EQ(aa.onsetWeight, 0.9f);
    EXPECT_FLOAT_EQ(aa.offsetWeight, 0.9f);
    EXPECT_EQ(aa.onsetTime, 0);
    EXPECT_EQ(aa.offsetTime, 0);
    // Lines with the four extra values.
    const ArticulatorRule& ch = RuleOf(rules, "CH");
    EXPECT_FLOAT_EQ(ch.weight, 0.5f);
    EXPECT_FLOAT_EQ(ch.onsetWeight, 0.5f);
    EXPECT_EQ(ch.offsetTime, 0);
    EXPECT_FLOAT_EQ(ch.offsetWeight, 1.0f);
    const ArticulatorRule& b = RuleOf(rules, "b");
    EXPECT_FLOAT_EQ(b.weight, 1.0f);
    EXPECT_FLOAT_EQ(b.onsetWeight, 1.0f);
    EXPECT_EQ(b.offsetTime, 10);
    EXPECT_FLOAT_EQ(b.offsetWeight, 0.5f);
    EXPECT_EQ(RuleOf(rules, "w").release, 125);
    EXPECT_EQ(RuleOf(rules, "y").attack, 75);
}

// The last line of a text is read like any other, whether or not a line feed ends it.
TEST(ArticulatorRules, LastLineWithoutLineFeedReadsAsWithIt) {
    for (const char* end : {"", "\n", "\r\n", "  \t"}) {
        SCOPED_TRACE(std::string("ending '") + end + "'");
        ArticulatorRules rules;
        ASSERT_EQ(Parse(std::string("framerate 24\nclosed bm\nx .5 50 50") + end, rules), kErrNone);
        const ArticulatorRule& x = RuleOf(rules, "x");
        EXPECT_FLOAT_EQ(x.weight, 0.5f);
        EXPECT_FLOAT_EQ(x.onsetWeight, 0.5f);
        EXPECT_FLOAT_EQ(x.offsetWeight, 0.5f);
        EXPECT_EQ(x.attack, 50);
        EXPECT_EQ(x.release, 50);

        // The final token of a text is used too: a closed list, a frame rate, a last value.
        ArticulatorRules last;
        ASSERT_EQ(Parse(std::string("x .5 50 50\nclosed bm") + end, last), kErrNone);
        EXPECT_EQ(last.closedSet, (std::set<std::string>{"b", "m"}));
        ASSERT_EQ(Parse(std::string("framerate 24") + end, last), kErrNone);
        EXPECT_EQ(last.frameRate, 24.0f);
        ASSERT_EQ(Parse(std::string("bp 1.0 50 50 0 1.0 10 .50") + end, last), kErrNone);
        EXPECT_EQ(RuleOf(last, "p").offsetTime, 10);
        EXPECT_FLOAT_EQ(RuleOf(last, "p").offsetWeight, 0.5f);
    }
}

TEST(ArticulatorRules, ReadsPhonemeListsCommentsAndExtraValues) {
    ArticulatorRules rules;
    const std::string text =
        "// heading comment with rule-like words: x 1 2 3\n"
        "//" + std::string(2000, '#') + " a comment far longer than any line buffer\n"
        "AAx,1y\t.25 10 20 5 .75 7 .125 \n"
        "x 1 2 3\n"
        "x 0.5 60 70\n"
        "// trailing comment without a line feed";
    ASSERT_EQ(Parse(text, rules), kErrNone);
    // Upper-case letters take the next character along; other characters are passed over.
    EXPECT_EQ(rules.rules.size(), 3u);
    const ArticulatorRule& aa = RuleOf(rules, "AA");
    EXPECT_FLOAT_EQ(aa.weight, 0.25f);
    EXPECT_EQ(aa.attack, 10);
    EXPECT_EQ(aa.release, 20);
    EXPECT_EQ(aa.onsetTime, 5);
    EXPECT_FLOAT_EQ(aa.onsetWeight, 0.75f);
    EXPECT_EQ(aa.offsetTime, 7);
    EXPECT_FLOAT_EQ(aa.offsetWeight, 0.125f);
    EXPECT_FLOAT_EQ(RuleOf(rules, "y").offsetWeight, 0.125f);
    EXPECT_FLOAT_EQ(RuleOf(rules, "x").weight, 0.5f);
    EXPECT_EQ(rules.maxAttack, 60);
    EXPECT_EQ(rules.maxRelease, 70);
}

TEST(ArticulatorRules, ReloadEmptiesRulesButKeepsReachAndClosedSet) {
    ArticulatorRules rules;
    ASSERT_EQ(Parse("AA .9 250 100\nclosed b\n", rules), kErrNone);
    ASSERT_EQ(Parse("s .5 20 30\nclosed m\n", rules), kErrNone);
    EXPECT_EQ(rules.rules.count("AA"), 0u);
    EXPECT_EQ(rules.rules.count("s"), 1u);
    EXPECT_EQ(rules.maxAttack, 250);
    EXPECT_EQ(rules.maxRelease, 100);
    EXPECT_EQ(rules.closedSet, (std::set<std::string>{"b", "m"}));
}

TEST(ArticulatorRules, RefusesBadTextsAndKeepsWhatCameBefore) {
    struct Case {
        const char* text;
        int result;
        size_t rulesKept;
    };
    const Case cases[] = {
        {"x .5 50 50\nversion 1.6\ns .5 50 50\n", kErrNewerVersion, 1},
        {"version 1.5\nx .5 50 50\n", kErrNone, 1},
        {"x .5 50 50\nclosed bQ\n", kErrBadData, 1},
        {"x .5 50 50\nclosed AA,Rw\n", kErrBadData, 1},
        {"x .5 50 50\nframerate 0\n", kErrOutOfRange, 1},
        {"x .5 50 50\nframerate -30\n", kErrOutOfRange, 1},
        {"x .5 50 50\nframerate 5000\n", kErrOutOfRange, 1},
        {"x .5 50 50\nframerate fast\n", kErrBadData, 1},
        {"x .5 50 50\nversion new\n", kErrBadData, 1},
        {"x .5 50 50\ns heavy 50 50\nt .5 50 50\n", kErrBadData, 1},
        {"x .5 50 50\ns .5 50.5 50\n", kErrBadData, 1},
        {"x .5 50 50\ns .5 50 50 0 .5 soon 1\n", kErrBadData, 1},
        {"x .5 50 99999999999\n", kErrBadData, 0},
        {"x nan 50 50\n", kErrBadData, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ArticulatorRules rules;
        EXPECT_EQ(Parse(c.text, rules), c.result);
        EXPECT_EQ(rules.rules.size(), c.rulesKept);
        EXPECT_TRUE(rules.closedSet.empty());
        EXPECT_EQ(rules.frameRate, 20.0f);
    }

    ArticulatorRules rules;
    ASSERT_EQ(Parse("x .5 50 50\n", rules), kErrNone);
    EXPECT_EQ(ParseArticulatorRules(nullptr, 5, rules), kErrInvalidArgument);
    EXPECT_EQ(ParseArticulatorRules("x", -1, rules), kErrInvalidArgument);
    EXPECT_EQ(rules.rules.size(), 1u) << "an argument error changes nothing";
    EXPECT_EQ(ParseArticulatorRules("", 0, rules), kErrNone);
    EXPECT_TRUE(rules.rules.empty());
}

// Only the given length is read, and a terminating zero passed in the length is harmless.
TEST(ArticulatorRules, ReadsOnlyTheGivenBytes) {
    const char text[] = "x .5 50 50\ns .4 60 60\n";
    ArticulatorRules rules;
    ASSERT_EQ(ParseArticulatorRules(text, 11, rules), kErrNone);
    EXPECT_EQ(rules.rules.size(), 1u);
    ASSERT_EQ(ParseArticulatorRules(text, static_cast<int>(sizeof text), rules), kErrNone);
    EXPECT_EQ(rules.rules.size(), 2u);
    const char unterminated[] = "x .5 50 50";
    ASSERT_EQ(ParseArticulatorRules(unterminated, static_cast<int>(sizeof unterminated), rules), kErrNone);
    EXPECT_FLOAT_EQ(RuleOf(rules, "x").onsetWeight, 0.5f);
}

TEST(ArticulatorRules, WeightAndReachOverTime) {
    // b of the built-in rules: weight 1, last 10 ms at 0.5; attack and release 50.
    ArticulatorRule b{"b", 50, 50, 1.0f, 0, 1.0f, 10, 0.5f};
    // An onset part and a zero attack.
    ArticulatorRule s{"s", 0, 0, 0.4f, 20, 0.8f, 0, 0.1f};
    struct Case {
        const ArticulatorRule* rule;
        int t;
        float weight;
        double reach;
    };
    // The phoneme spans [100, 200).
    const Case cases[] = {
        {&b, 40, 1.0f, 0.0},    {&b, 50, 1.0f, 0.0},   {&b, 75, 1.0f, 0.5},   {&b, 100, 1.0f, 1.0},
        {&b, 189, 1.0f, 1.0},   {&b, 190, 1.0f, 1.0},  {&b, 191, 0.5f, 1.0},  {&b, 199, 0.5f, 1.0},
        {&b, 200, 0.5f, 1.0},   {&b, 225, 0.5f, 0.5},  {&b, 250, 0.5f, 0.0},  {&b, 251, 0.5f, 0.0},
        {&s, 99, 0.8f, 0.0},    {&s, 119, 0.8f, 1.0},  {&s, 120, 0.4f, 1.0},  {&s, 199, 0.4f, 1.0},
        {&s, 200, 0.4f, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule->code) + " at " + std::to_string(c.t));
        EXPECT_FLOAT_EQ(RuleWeightAt(*c.rule, c.t, 100, 200), c.weight);
        EXPECT_DOUBLE_EQ(RuleEnvelopeAt(*c.rule, c.t, 100, 200), c.reach);
    }
}

}  // namespace
