// Tests of the articulator's frame loop, its settings, the keys it makes and the summary key.
#include "engine/articulation/phoneme_mixture_articulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "engine/api/error_messages.h"
#include "engine/articulation/articulation_test_support.h"
#include "engine/articulation/articulator_rules.h"
#include "engine/util/comma_locale_test_support.h"
#include "model/sync_results_file.h"

namespace {

std::vector<ArticulationKey> Generate(CPhonemeMixtureArticulator& articulator,
                                      const std::vector<phn_marker>& track, int start = -1, int end = -1) {
    EXPECT_EQ(articulator.GenerateFromPhonemes(track, start, end), kErrNone);
    return articulator.Keys();
}

// The key whose span holds time t.
const ArticulationKey* KeyAt(const std::vector<ArticulationKey>& keys, int t) {
    for (const ArticulationKey& key : keys) {
        if (key.start <= t && t < key.end) return &key;
    }
    return nullptr;
}

TEST(PhonemeMixtureArticulator, CreateGivesConstructionValuesAndDestroyFrees) {
    CPhonemeMixtureArticulator* articulator = nullptr;
    ASSERT_EQ(CreateArticulator(&articulator, 1), kErrNone);
    ASSERT_NE(articulator, nullptr);
    EXPECT_EQ(articulator->Flags(), 1u);
    EXPECT_EQ(articulator->FrameRate(), 20.0f);
    EXPECT_EQ(articulator->Level(), 10);
    EXPECT_EQ(articulator->SlopeLimit(), 0.25f);
    EXPECT_TRUE(articulator->Rules().rules.empty());
    EXPECT_EQ(articulator->KeysBegin(), nullptr);
    EXPECT_EQ(articulator->KeysEnd(), nullptr);
    EXPECT_EQ(articulator->EnvelopesBegin(), nullptr);
    DestroyArticulator(articulator);
    DestroyArticulator(nullptr);
    EXPECT_EQ(CreateArticulator(nullptr, 0), kErrInvalidArgument);
}

// A phoneme at full value fills every frame it sounds in; a quieter one shares with the rest
// position in proportion to its value.
TEST(PhonemeMixtureArticulator, ValueSplitsBetweenCodeAndRest) {
    for (float value : {100.0f, 40.0f, 250.0f}) {
        SCOPED_TRACE(value);
        CPhonemeMixtureArticulator articulator;
        const auto keys = Generate(articulator, MakeTrack({{"AA", 0, 300, value}}));
        EXPECT_EQ(articulator.FrameRate(), 30.0f) << "the built-in rules set 30 frames per second";
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.front().start, 0) << "no frame before the track";
        for (size_t k = 0; k < keys.size(); ++k) {
            const int f = static_cast<int>(k);
            EXPECT_EQ(keys[k].start, static_cast<int>(f * (1000.0f / 30.0f)));
            EXPECT_EQ(keys[k].end, static_cast<int>((f + 1) * (1000.0f / 30.0f)));
            if (k > 0) {
                EXPECT_EQ(keys[k].start, keys[k - 1].end);
            }
        }
        for (int t : {0, 100, 283}) {
            const ArticulationKey* key = KeyAt(keys, t);
            ASSERT_NE(key, nullptr);
            if (value >= 100.0f) {
                ASSERT_EQ(key->count, 1);
                EXPECT_STREQ(key->pairs[0].code, "AA");
                EXPECT_FLOAT_EQ(key->pairs[0].weight, 1.0f);
            } else {
                ASSERT_EQ(key->count, 2);
                EXPECT_STREQ(key->pairs[0].code, "x") << "the larger share first";
                EXPECT_FLOAT_EQ(key->pairs[0].weight, 0.6f);
                EXPECT_FLOAT_EQ(key->pairs[1].weight, 0.4f);
            }
        }
    }
}

// s [0, 100) then t [100, 200); the frame at 66..100 ms (middle 83) holds s, t and maybe x.
TEST(PhonemeMixtureArticulator, PruningDropsRestFirstAndFavoursLastFramesCodes) {
    struct Case {
        float sValue;
        int level;
        std::map<std::string, float> expected;
    };
    // With s at 20: s 0.1, x 0.4, t 0.4 x 0.66 = 0.264 before pruning. x goes first although it is
    // the heaviest (its score is divided by the number of entries); at level 1 s goes next.
    // With s at 40: s 0.2, x 0.3, t 0.264. s showed in the frames before, which favours it by half
    // again, so at level 1 t goes although it is heavier.
    // With s at 100 there is no rest share: s 0.5 and t 0.264.
    const Case cases[] = {
        {20.0f, 3, {{"s", 0.1f / 0.764f}, {"t", 0.264f / 0.764f}, {"x", 0.4f / 0.764f}}},
        {20.0f, 2, {{"s", 0.1f / 0.364f}, {"t", 0.264f / 0.364f}}},
        {20.0f, 1, {{"t", 1.0f}}},
        {40.0f, 1, {{"s", 1.0f}}},
        {100.0f, 2, {{"s", 0.5f / 0.764f}, {"t", 0.264f / 0.764f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "s value " << c.sValue << ", level " << c.level);
        CPhonemeMixtureArticulator articulator;
        ASSERT_EQ(articulator.SetLevel(c.level), kErrNone);
        const auto keys = Generate(articulator, MakeTrack({{"s", 0, 100, c.sValue}, {"t", 100, 200, 100}}));
        const ArticulationKey* key = KeyAt(keys, 83);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->start, 66);
        const auto pairs = PairsOf(*key);
        ASSERT_EQ(pairs.size(), c.expected.size());
        for (const auto& [code, weight] : c.expected) EXPECT_NEAR(pairs.at(code), weight, 1e-5) << code;
        for (int i = 1; i < key->count; ++i) EXPECT_GE(key->pairs[i - 1].weight, key->pairs[i].weight);
    }
}

TEST(PhonemeMixtureArticulator, LevelLimitsEveryFrame) {
    CPhonemeMixtureArticulator articulator;
    EXPECT_EQ(articulator.SetLevel(0), kErrOutOfRange);
    EXPECT_EQ(articulator.SetLevel(11), kErrOutOfRange);
    EXPECT_EQ(articulator.Level(), 10);
    // Short phonemes of light codes, so each frame reaches many of them.
    const auto track = MakeTrack({{"s", 0, 40, 60},     {"t", 40, 80, 60},   {"k", 80, 120, 60},
                                  {"r", 120, 160, 60},  {"AE", 160, 200, 60}, {"IH", 200, 240, 60},
                                  {"n", 240, 280, 60},  {"l", 280, 320, 60},  {"AA", 320, 500, 60}});
    size_t widest = 0;
    for (const ArticulationKey& key : Generate(articulator, track)) widest = std::max<size_t>(widest, key.count);
    EXPECT_GT(widest, 4u);

    CPhonemeMixtureArticulator limited;
    ASSERT_EQ(limited.SetLevel(4), kErrNone);
    for (const ArticulationKey& key : Generate(limited, track)) {
        EXPECT_LE(key.count, 4);
        double sum = 0.0;
        for (int i = 0; i < key.count; ++i) sum += key.pairs[i].weight;
        EXPECT_NEAR(sum, 1.0, 1e-5);
    }
}

// s [200, 300) sounds at 216 ms; before it lie AA [100, 150) and a nearer neighbour [150, 180).
// A full-weight neighbour (b) hides everything behind it; a light one (d) does not.
TEST(PhonemeMixtureArticulator, FullWeightNeighbourHidesThoseBehindIt) {
    for (const char* nearer : {"b", "d"}) {
        SCOPED_TRACE(nearer);
        CPhonemeMixtureArticulator articulator;
        const auto keys = Generate(articulator, MakeTrack({{"AA", 100, 150, 100},
                                                           {nearer, 150, 180, 100},
                                                           {"s", 200, 300, 100}}));
        const ArticulationKey* key = KeyAt(keys, 216);
        ASSERT_NE(key, nullptr);
        const auto pairs = PairsOf(*key);
        EXPECT_EQ(pairs.count("s"), 1u);
        EXPECT_EQ(pairs.count(nearer), 1u);
        EXPECT_EQ(pairs.count("AA"), std::string(nearer) == "b" ? 0u : 1u);
    }
}

// b [300, 400) has full weight but in its last 10 ms: while full, it shows alone.
TEST(PhonemeMixtureArticulator, FullWeightPhonemeHidesItsNeighbours) {
    CPhonemeMixtureArticulator articulator;
    const auto keys = Generate(articulator, MakeTrack({{"AA", 0, 300, 100}, {"b", 300, 400, 100}, {"AA", 400, 700, 100}}));
    for (int t : {316, 350, 383}) {
        const ArticulationKey* key = KeyAt(keys, t);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(PairsOf(*key), (std::map<std::string, float>{{"b", 1.0f}})) << t;
    }
    EXPECT_GT(KeyAt(keys, 283)->count, 1) << "AA before b already shares with it";
}

TEST(PhonemeMixtureArticulator, FrameRateOverridesRulesAndRefusesUnusableRates) {
    CPhonemeMixtureArticulator articulator;
    for (float bad : {0.0f, -25.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      1001.0f}) {
        EXPECT_EQ(articulator.SetFrameRate(bad), kErrOutOfRange) << bad;
    }
    EXPECT_EQ(articulator.FrameRate(), 20.0f);
    // A phoneme longer than the largest attack has left the window once it ends, so the keys
    // cover just its span.
    const auto track = MakeTrack({{"AA", 0, 1000, 100}});
    EXPECT_EQ(Generate(articulator, track).size(), 30u) << "the built-in rules' 30 per second";

    ASSERT_EQ(articulator.SetFrameRate(12.0f), kErrNone);
    const auto keys = Generate(articulator, track);
    EXPECT_EQ(articulator.FrameRate(), 12.0f);
    ASSERT_EQ(keys.size(), 12u);
    EXPECT_EQ(keys[1].start, 83);

    const std::string rules = "framerate 0\nAA .9 250 100\n";
    EXPECT_EQ(articulator.LoadArticulatorRules(rules.data(), static_cast<int>(rules.size())), kErrOutOfRange);
    EXPECT_EQ(articulator.FrameRate(), 12.0f);
}

TEST(PhonemeMixtureArticulator, RangeCallWidensByReachAndNeverSmooths) {
    const auto track = MakeTrack({{"AA", 0, 800, 80}, {"b", 800, 900, 100}, {"m", 900, 1200, 100},
                                  {"OW", 1200, 1700, 90}, {"p", 1700, 1750, 100}, {"IY", 1750, 2600, 70},
                                  {"x", 2600, 3000, 100}});
    CPhonemeMixtureArticulator plain;
    const auto expected = Generate(plain, track, 1000, 2000);
    ASSERT_FALSE(expected.empty());
    // From the frame of 500 ms (twice the largest attack before the range) to the frame after
    // 2250 (twice the largest release after it).
    EXPECT_EQ(expected.front().start, static_cast<int>(15 * (1000.0f / 30.0f)));
    EXPECT_EQ(expected.back().start, 2266);
    EXPECT_EQ(expected.back().end, 2300);

    CPhonemeMixtureArticulator smoothing;
    smoothing.SetFlags(kArticulatorSmoothing);
    const auto keys = Generate(smoothing, track, 1000, 2000);
    EXPECT_EQ(smoothing.Flags(), kArticulatorSmoothing) << "the flags come back after the call";
    ASSERT_EQ(keys.size(), expected.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(PairsOf(keys[k]), PairsOf(expected[k])) << k;
    }

    // A range near the start is not widened below 0.
    EXPECT_EQ(Generate(plain, track, 100, 200).front().start, 0);
}

TEST(PhonemeMixtureArticulator, EmptyTrackAndUnknownCodesGiveNoKeys) {
    CPhonemeMixtureArticulator articulator;
    articulator.SetFlags(kArticulatorSmoothing);
    EXPECT_TRUE(Generate(articulator, {}).empty());
    EXPECT_EQ(articulator.KeysBegin(), nullptr);
    EXPECT_TRUE(Generate(articulator, MakeTrack({{"QQ", 0, 500, 100}, {"zz", 500, 900, 100}})).empty());
    articulator.SetFlags(0);
    EXPECT_TRUE(Generate(articulator, MakeTrack({{"QQ", 0, 500, 100}})).empty());
}

// A track out of start order is articulated as if it were in order: no phoneme is hidden behind
// a later one that comes first.
TEST(PhonemeMixtureArticulator, UnsortedTrackStillArticulates) {
    CPhonemeMixtureArticulator articulator;
    const auto keys = Generate(articulator, MakeTrack({{"AA", 500, 800, 100}, {"m", 0, 400, 100}}));
    const ArticulationKey* early = KeyAt(keys, 200);
    ASSERT_NE(early, nullptr);
    EXPECT_EQ(PairsOf(*early), (std::map<std::string, float>{{"m", 1.0f}}));
    const ArticulationKey* late = KeyAt(keys, 650);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(PairsOf(*late), (std::map<std::string, float>{{"AA", 1.0f}}));
}

TEST(FrameMixture, KeyTakesFirstTenPositiveCodesThenSortsStably) {
    FrameMixture mixture;
    const char* codes[] = {"AA", "AE", "AH", "AO", "AW", "AY", "CH", "DH", "EH", "ER", "EY", "IH"};
    for (int i = 0; i < 12; ++i) mixture.set(PackMixtureCode(codes[i]), 0.001f + 0.01f * static_cast<float>(i + 1));
    mixture.set(PackMixtureCode("AB"), 0.0f);
    const ArticulationKey key = MakeArticulationKey(mixture, 10, 20);
    EXPECT_EQ(key.start, 10);
    EXPECT_EQ(key.end, 20);
    ASSERT_EQ(key.count, 10);
    EXPECT_STREQ(key.pairs[0].code, "ER") << "the tenth code in order is the heaviest kept";
    EXPECT_STREQ(key.pairs[9].code, "AA");

    // Equal whole hundredths keep code order, so a mixture always gives the same key.
    const ArticulationKey tied = KeyOf(0, 33, {{"x", 0.334f}, {"m", 0.3331f}, {"AA", 0.3339f}});
    ASSERT_EQ(tied.count, 3);
    EXPECT_STREQ(tied.pairs[0].code, "AA");
    EXPECT_STREQ(tied.pairs[1].code, "m");
    EXPECT_STREQ(tied.pairs[2].code, "x");
}

TEST(FrameMixture, ZeroSumBecomesRestInsteadOfNaN) {
    FrameMixture zero = MixtureOf({{"AA", 0.0f}, {"b", 0.0f}});
    zero.normalise();
    EXPECT_EQ(WeightsOf(zero), (std::map<std::string, float>{{"AA", 0.0f}, {"b", 0.0f}, {"x", 1.0f}}));
    FrameMixture plain = MixtureOf({{"AA", 1.0f}, {"x", 3.0f}});
    plain.normalise();
    EXPECT_EQ(WeightsOf(plain), (std::map<std::string, float>{{"AA", 0.25f}, {"x", 0.75f}}));
    FrameMixture empty;
    empty.normalise();
    EXPECT_TRUE(empty.empty());
}

TEST(PhonemeMixtureArticulator, QuanitzeWeighsTowardsTheMiddle) {
    CPhonemeMixtureArticulator articulator;
    EXPECT_EQ(articulator.Quanitze(-1, -1, 0), nullptr) << "no keys";
    articulator.AppendKey(KeyOf(0, 100, {{"AA", 1.0f}}), true);
    articulator.AppendKey(KeyOf(100, 200, {{"b", 1.0f}}), false);
    articulator.AppendKey(KeyOf(200, 300, {{"x", 1.0f}}), false);

    // Middle 150: b (closed, doubled) in the middle counts 2, AA 1/100, x 0.3/100.
    const ArticulationKey* all = articulator.Quanitze(-1, -1, 0);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->start, 0);
    EXPECT_EQ(all->end, 300);
    ASSERT_EQ(all->count, 3);
    EXPECT_STREQ(all->pairs[0].code, "b");
    EXPECT_STREQ(all->pairs[1].code, "AA");
    EXPECT_STREQ(all->pairs[2].code, "x");
    const double total = 2.0 + 0.01 + 0.003;
    EXPECT_NEAR(all->pairs[0].weight, 2.0 / total, 1e-6);
    EXPECT_NEAR(all->pairs[2].weight, 0.003 / total, 1e-6);

    const ArticulationKey* one = articulator.Quanitze(-1, -1, 1);
    ASSERT_EQ(one->count, 1);
    EXPECT_FLOAT_EQ(one->pairs[0].weight, 1.0f);

    const ArticulationKey* tail = articulator.Quanitze(100, -1, 0);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail->start, 100);
    EXPECT_EQ(PairsOf(*tail).count("AA"), 0u);
    EXPECT_EQ(articulator.Quanitze(150, 200, 0), nullptr) << "no key starts in [150, 200)";
    EXPECT_EQ(articulator.Quanitze(400, 500, 0), nullptr);
    EXPECT_EQ(articulator.Quanitze(200, 100, 0), nullptr);
}

TEST(PhonemeMixtureArticulator, QuanitzeNeverHoldsMoreThanTenPairs) {
    CPhonemeMixtureArticulator articulator;
    const char* codes[] = {"AA", "AE", "AH", "AO", "AW", "AY", "CH", "DH", "EH", "ER", "EY", "IH"};
    for (int i = 0; i < 12; ++i) articulator.AppendKey(KeyOf(i * 10, i * 10 + 10, {{codes[i], 1.0f}}), false);
    const ArticulationKey* key = articulator.Quanitze(-1, -1, 50);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->count, ArticulationKey::kMaxPairs);
    ASSERT_EQ(articulator.SetLevel(3), kErrNone);
    EXPECT_EQ(articulator.Quanitze(-1, -1, 0)->count, 3) << "maxCount 0 takes the level";
}

}  // namespace

namespace {

// What a document saves after articulating a track with the built-in rules.
std::string ArticulatedResultsText(const std::vector<phn_marker>& track, int* keyCount) {
    CPhonemeMixtureArticulator articulator;
    EXPECT_EQ(articulator.GenerateFromPhonemes(track, -1, -1), kErrNone);
    *keyCount = static_cast<int>(articulator.Keys().size());
    sync_results_file file;
    file.results.phonemes.insert_sorted(track);
    file.results.import_articulation(&articulator, false);
    std::ostringstream out;
    file.write(out, 0, kWriteAll);
    return out.str();
}

TEST(PhonemeMixtureArticulator, CommaDecimalLocaleGivesTheSameKeysInTheResultsFile) {
    const auto track = MakeTrack({{"h", 0, 80, 100}, {"EH", 80, 200, 90}, {"l", 200, 260, 100},
                                  {"OW", 260, 1400, 100}, {"m", 1400, 1500, 100}});
    int cKeys = 0;
    const std::string inC = ArticulatedResultsText(track, &cKeys);
    ASSERT_GT(cKeys, 40);
    CommaDecimalLocale locale;
    if (!locale.active()) GTEST_SKIP() << CommaDecimalLocale::MissingMessage();
    int commaKeys = 0;
    EXPECT_EQ(ArticulatedResultsText(track, &commaKeys), inC);
    EXPECT_EQ(commaKeys, cKeys);
    const char kRulesText[] = "version 1.5\nx .5 50 50\nbp 1.0 50 50 0 1.0 10 .50\n";
    ArticulatorRules rules;
    ASSERT_EQ(ParseArticulatorRules(kRulesText, static_cast<int>(std::strlen(kRulesText)), rules), kErrNone);
    EXPECT_FLOAT_EQ(rules.rules.at("x").weight, 0.5f);
    EXPECT_FLOAT_EQ(rules.rules.at("b").offsetWeight, 0.5f);
}

}  // namespace
