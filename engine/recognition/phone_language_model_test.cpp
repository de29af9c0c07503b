// Tests of the phone constraints and the phone trigram language model.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/model_image_test_support.h"
#include "engine/util/comma_locale_test_support.h"

namespace {

// A model with the given labels, three states and tiny mixtures.
class PhoneModel : public ::testing::Test {
protected:
    void Load(std::vector<std::string> labels) {
        ModelImageLayout layout;
        layout.models = static_cast<int32_t>(labels.size());
        layout.states = 3;
        layout.mixtures = 1;
        layout.features.numFeatures = 1;
        layout.labels = std::move(labels);
        const std::vector<uint8_t> image = BuildModelImage(layout);
        const unsigned char* cursor = image.data();
        unsigned remaining = static_cast<unsigned>(image.size());
        char error[kAccErrorTextSize];
        ASSERT_TRUE(model.Read(&cursor, &remaining, error)) << error;
    }
    int Index(const char* label) const {
        int index = -1;
        model.FindLabel(label, &index);
        return index;
    }
    int Limit(const char* label) const { return model.constraints[static_cast<size_t>(Index(label))]; }

    CAccousticHMM model;
};

const char kDefaultConstraints[] =
    "mpbvfZHCHjSHszDHTHtNGgkhynd 180\ngds 240\nrERwUHUWAWIYIHAEAYEYEHlAAAHAOOWOY 350\n";

}  // namespace

TEST_F(PhoneModel, ConstraintsBecomeFramesPerState) {
    Load(InventoryLabels());
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "nd 180", -1, 0), 0);
    EXPECT_EQ(Limit("n"), 6);
    EXPECT_EQ(Limit("d"), 6);
    EXPECT_EQ(Limit("m"), 0);
    const int n = Index("n");
    EXPECT_EQ(model.SelfLoopWeight(n, n, 6), 1.0f);
    EXPECT_EQ(model.SelfLoopWeight(n, n, 7), 1e-7f);
    // Moving between models is never penalised.
    EXPECT_EQ(model.SelfLoopWeight(n, Index("d"), 100), 1.0f);
    // Below 30 ms the limit is 0, which means none.
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "s 29", -1, 0), 0);
    EXPECT_EQ(Limit("s"), 0);
    EXPECT_EQ(model.SelfLoopWeight(Index("s"), Index("s"), 1000), 1.0f);

    // The default text: a later token overrides an earlier one.
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, kDefaultConstraints, -1, 0), 0);
    EXPECT_EQ(Limit("ZH"), 6);
    EXPECT_EQ(Limit("g"), 8);
    EXPECT_EQ(Limit("d"), 8);
    EXPECT_EQ(Limit("OY"), 11);
    EXPECT_EQ(Limit("x"), 0);
}

TEST_F(PhoneModel, UnknownPhonemeLoadsNoConstraints) {
    Load(InventoryLabels());
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "nd 180", -1, 0), 0);
    EXPECT_EQ(LoadPhoneConstraintsIntoHMM(&model, "nd 180 nqd 200 m 90", -1, 0), 12);
    EXPECT_TRUE(model.constraints.empty());
    EXPECT_EQ(model.SelfLoopWeight(Index("n"), Index("n"), 100), 1.0f);

    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "nd 180", -1, 0), 0);
    EXPECT_EQ(LoadPhoneConstraintsIntoHMM(&model, nullptr, 0, 0), 0);
    EXPECT_TRUE(model.constraints.empty());
    EXPECT_EQ(LoadPhoneConstraintsIntoHMM(nullptr, "nd 180", -1, 0), 2);
}

TEST_F(PhoneModel, ConstraintAndTrigramFiles) {
    Load(InventoryLabels());
    const std::string path = std::string(::testing::TempDir()) + "phone_lm_test_constraints.txt";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("nd 180\n", f);
    std::fclose(f);
    EXPECT_EQ(LoadPhoneConstraintsFileIntoHMM(&model, path.c_str(), 0), 0);
    EXPECT_EQ(Limit("n"), 6);
    EXPECT_EQ(LoadPhoneConstraintsFileIntoHMM(nullptr, path.c_str(), 0), 2);
    EXPECT_EQ(LoadTrigramFileIntoHMM(&model, path.c_str(), 0), 0);  // read as one bigram count
    std::remove(path.c_str());
    EXPECT_EQ(LoadPhoneConstraintsFileIntoHMM(&model, path.c_str(), 0), 10);
    EXPECT_EQ(LoadTrigramFileIntoHMM(&model, path.c_str(), 0), 10);
}

TEST_F(PhoneModel, TrigramCountsWithoutVersionAreNormalisedByTheirOwnSums) {
    Load({"x", "AH", "h"});
    const char text[] =
        "x\t2\r\nAH\t6\r\nh\t2\r\nxAH\t3\r\nxh\t1\r\nAHx\t4\r\nxAHh\t2\r\nxAHx\t6\r\nxAHAH\t-1\r\n"
        "qq 5\r\n";
    ASSERT_EQ(LoadTrigramIntoHMM(&model, text, -1, 0), 0);
    const int x = 0, ah = 1, h = 2;
    EXPECT_EQ(model.trigramVersion1, 0);
    EXPECT_FLOAT_EQ(model.Unigram(x), 0.2f);
    EXPECT_FLOAT_EQ(model.Unigram(ah), 0.6f);
    EXPECT_FLOAT_EQ(model.Bigram(x, ah), 0.75f);
    EXPECT_FLOAT_EQ(model.Bigram(x, h), 0.25f);
    EXPECT_FLOAT_EQ(model.Bigram(ah, x), 1.0f);
    EXPECT_FLOAT_EQ(model.Bigram(h, x), 0.0f);
    // Only the positive entries of a trigram row are summed and divided.
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, x), 0.75f);
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, h), 0.25f);
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, ah), -1.0f);
}

TEST_F(PhoneModel, TrigramVersionOneTakesProbabilitiesFromTrigramCounts) {
    Load({"x", "AH", "h"});
    const char text[] =
        "version 1\nx 2\nAH 6\nh 2\nxAH 1\nxh 1\nAHx 1\nxAHh 2\nxAHx 6\nAHxAH 4\nhxAH 5\n";
    ASSERT_EQ(LoadTrigramIntoHMM(&model, text, -1, 0), 0);
    const int x = 0, ah = 1, h = 2;
    EXPECT_EQ(model.trigramVersion1, 1);
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, x), 0.75f);
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, h), 0.25f);
    EXPECT_FLOAT_EQ(model.Unigram(x), 0.8f);
    EXPECT_FLOAT_EQ(model.Bigram(x, ah), 1.0f);
    // A pair with a bigram count but no trigram counts keeps its count, divided by the row sum.
    EXPECT_FLOAT_EQ(model.Bigram(x, h), 0.125f);
    EXPECT_FLOAT_EQ(model.Trigram(ah, x, ah), 1.0f);
    EXPECT_FLOAT_EQ(model.Unigram(ah), 0.4f);
    // Trigram counts of a pair without a bigram count are dropped; a phone whose trigram sums are
    // all 0 keeps zeros instead of dividing by them.
    EXPECT_FLOAT_EQ(model.Trigram(h, x, ah), 0.0f);
    EXPECT_FLOAT_EQ(model.Unigram(h), 0.0f);
    EXPECT_FLOAT_EQ(model.Bigram(h, x), 0.0f);
}

TEST_F(PhoneModel, ConditionalTrigramCountsDivideByTheirContext) {
    Load({"x", "AH", "h"});
    std::istringstream in("x 2\nAH 6\nh 2\nxAH 3\nxh 1\nAHx 4\nxAHh 2\nxAHx 6\nhAHx 1\n");
    ASSERT_TRUE(model.ReadTrigrams(in, true));
    const int x = 0, ah = 1, h = 2;
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, x), 2.0f);
    EXPECT_FLOAT_EQ(model.Trigram(x, ah, h), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(model.Trigram(h, ah, x), 0.0f);  // its bigram is 0
    EXPECT_FLOAT_EQ(model.Bigram(x, ah), 1.5f);
    EXPECT_FLOAT_EQ(model.Bigram(ah, x), 4.0f / 6.0f);
    EXPECT_FLOAT_EQ(model.Unigram(ah), 0.6f);
}

TEST_F(PhoneModel, EmptyTrigramTextIsAFailure) {
    Load({"x", "AH", "h"});
    EXPECT_EQ(LoadTrigramIntoHMM(&model, "", 0, 0), 12);
    EXPECT_EQ(LoadTrigramIntoHMM(&model, "version 1\n", -1, 0), 12);
    EXPECT_EQ(LoadTrigramIntoHMM(&model, "qq 1 zz 2", -1, 0), 12);
    EXPECT_EQ(LoadTrigramIntoHMM(nullptr, "x 1", -1, 0), 2);
}

namespace {

TEST_F(PhoneModel, CountsAndConstraintsReadTheSameUnderACommaDecimalLocale) {
    Load({"x", "AH", "h"});
    CommaDecimalLocale locale;
    if (!locale.active()) GTEST_SKIP() << CommaDecimalLocale::MissingMessage();
    ASSERT_EQ(LoadTrigramIntoHMM(&model, "x 2.5\nAH 5\nh 2.5\nxAH 1.5\nxh 0.5\n", -1, 0), 0);
    EXPECT_FLOAT_EQ(model.Unigram(0), 0.25f);
    EXPECT_FLOAT_EQ(model.Bigram(0, 1), 0.75f);
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "AH 1200", -1, 0), 0);
    EXPECT_EQ(Limit("AH"), 40);
}

TEST_F(PhoneModel, FailedLoadsLeaveNoLanguageModelOrConstraints) {
    Load({"x", "AH", "h"});
    const std::string missing = std::string(::testing::TempDir()) + "phone_lm_test_missing.txt";
    const struct {
        const char* what;
        std::function<int()> load;
        int code;
    } failures[] = {
        {"no pair", [&] { return LoadTrigramIntoHMM(&model, "qq 1 zz 2", -1, 0); }, 12},
        {"null text", [&] { return LoadTrigramIntoHMM(&model, nullptr, 0, 0); }, 12},
        {"missing file", [&] { return LoadTrigramFileIntoHMM(&model, missing.c_str(), 0); }, 10},
        {"folder", [&] { return LoadTrigramFileIntoHMM(&model, "/tmp", 0); }, 10},
        {"endless device", [&] { return LoadTrigramFileIntoHMM(&model, "/dev/zero", 0); }, 12},
    };
    for (const auto& f : failures) {
        ASSERT_EQ(LoadTrigramIntoHMM(&model, "x 1 xAH 1 xAHx 1", -1, 0), 0);
        ASSERT_FALSE(model.trigrams.empty());
        EXPECT_EQ(f.load(), f.code) << f.what;
        EXPECT_TRUE(model.trigrams.empty()) << f.what;
        EXPECT_TRUE(model.bigrams.empty()) << f.what;
        EXPECT_TRUE(model.unigrams.empty()) << f.what;
    }
    ASSERT_EQ(LoadPhoneConstraintsIntoHMM(&model, "x 180", -1, 0), 0);
    EXPECT_EQ(LoadPhoneConstraintsFileIntoHMM(&model, "/dev/zero", 0), 12);
    EXPECT_TRUE(model.constraints.empty());
}

}  // namespace
