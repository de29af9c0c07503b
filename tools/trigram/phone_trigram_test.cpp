// The built-in phone trigram text read the way textless recognition reads it:
// it must load, cover every phoneme, and give English-like phone successions.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/recognition/acoustic_hmm.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"

namespace {

const std::vector<std::string> kInventory = {
    "x",  "m",  "p",  "b",  "v",  "f",  "ZH", "CH", "j",  "SH", "s",  "z",  "DH", "TH",
    "t",  "NG", "g",  "k",  "h",  "r",  "ER", "w",  "UH", "UW", "AW", "IY", "y",  "IH",
    "AE", "AY", "EY", "EH", "n",  "d",  "l",  "AA", "AH", "AO", "OW", "OY"};

class BuiltInTrigram : public ::testing::Test {
protected:
    void SetUp() override {
        model.numModels = static_cast<int32_t>(kInventory.size());
        model.numStates = 3;
        model.labels = kInventory;
        text = static_cast<const char*>(LoadResourceDataById(nullptr, kBuiltInResourceType, kTrigramResourceId, &size, false));
        ASSERT_NE(text, nullptr) << "the built-in trigram resource is not embedded";
        ASSERT_EQ(LoadTrigramIntoHMM(&model, text, size, 0), 0);
    }

    int Index(const char* code) const {
        for (size_t i = 0; i < kInventory.size(); ++i) {
            if (kInventory[i] == code) return static_cast<int>(i);
        }
        ADD_FAILURE() << code;
        return 0;
    }

    CAccousticHMM model;
    const char* text = nullptr;
    int size = 0;
};

TEST_F(BuiltInTrigram, LoadsAsVersionOneCountsCoveringEveryPhoneme) {
    EXPECT_EQ(std::string(text, 10), "version\t1\r");
    EXPECT_EQ(model.trigramVersion1, 1);

    const int n = model.numModels;
    double unigramSum = 0.0;
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(kInventory[i]);
        EXPECT_GT(model.Unigram(i), 0.0f);
        unigramSum += model.Unigram(i);
        double row = 0.0;
        for (int j = 0; j < n; ++j) row += model.Bigram(i, j);
        EXPECT_NEAR(row, 1.0, 1e-4);
        for (int j = 0; j < n; ++j) {
            if (model.Bigram(i, j) == 0.0f) continue;
            double tri = 0.0;
            for (int k = 0; k < n; ++k) tri += model.Trigram(i, j, k);
            EXPECT_NEAR(tri, 1.0, 1e-4) << kInventory[j];
        }
    }
    // Events with two silences in a row were dropped, so a little mass is missing.
    EXPECT_GT(unigramSum, 0.95);
    EXPECT_LT(unigramSum, 1.0001);
}

TEST_F(BuiltInTrigram, EverySuccessionOfRealPhonesStaysPossible) {
    // Textless recognition gives an unseen trigram no chance at all; back-off estimates fill them.
    const int n = model.numModels;
    int zeros = 0;
    for (int i = 1; i < n; ++i) {
        for (int j = 1; j < n; ++j) {
            for (int k = 0; k < n; ++k) zeros += model.Trigram(i, j, k) <= 0.0f;
        }
    }
    EXPECT_EQ(zeros, 0);
    EXPECT_EQ(model.Bigram(0, 0), 0.0f) << "silence never follows silence";
}

TEST_F(BuiltInTrigram, PhoneSuccessionsLookLikeEnglish) {
    struct Case {
        const char* from;
        const char* to;
        float atLeast;
        float below;
    };
    const Case cases[] = {
        {"x", "DH", 0.05f, 1.0f},   // "the", "this", "that" start many sentences
        {"x", "NG", 0.0f, 0.01f},   // no English word starts with NG
        {"IH", "NG", 0.03f, 1.0f},  // "-ing"
        {"DH", "t", 0.0f, 0.01f},
        {"n", "d", 0.05f, 1.0f},
    };
    for (const Case& c : cases) {
        const float p = model.Bigram(Index(c.from), Index(c.to));
        EXPECT_GE(p, c.atLeast) << c.from << " -> " << c.to;
        EXPECT_LT(p, c.below) << c.from << " -> " << c.to;
    }
    // Trigram context matters: after "n", "d" is more likely when a vowel came first (and, end).
    EXPECT_GT(model.Trigram(Index("AE"), Index("n"), Index("d")),
              model.Trigram(Index("s"), Index("n"), Index("d")));
}

}  // namespace
