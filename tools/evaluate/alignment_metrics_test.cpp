// Boundary errors and phone error rates on small hand-made alignments.
#include "tools/evaluate/alignment_metrics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Phones laid end to end from 0: labels and their lengths in ms.
std::vector<TimedLabel> Chain(const std::vector<std::pair<const char*, int>>& items) {
    std::vector<TimedLabel> out;
    int t = 0;
    for (const auto& [label, length] : items) {
        out.push_back({t, t + length, label});
        t += length;
    }
    return out;
}

TEST(AlignmentMetrics, PhoneBoundaryErrorsFollowTheAlignedPhones) {
    const auto ref = Chain({{"x", 100}, {"h", 50}, {"AH", 80}, {"l", 60}, {"OW", 120}, {"x", 90}});
    struct Case {
        const char* name;
        std::vector<TimedLabel> hyp;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"identical", ref, {0, 0, 0, 0, 0}},
        {"every boundary late by 15",
         Chain({{"x", 115}, {"h", 50}, {"AH", 80}, {"l", 60}, {"OW", 120}, {"x", 75}}),
         {15, 15, 15, 15, 15}},
        // The h is missing: its start is taken from the end of the silence before it.
        {"deleted phone", Chain({{"x", 110}, {"AH", 120}, {"l", 60}, {"OW", 120}, {"x", 90}}),
         {10, 40, 0, 0, 0}},
        // A substituted phone still carries its boundaries.
        {"substituted phone",
         Chain({{"x", 100}, {"h", 50}, {"EH", 90}, {"l", 50}, {"OW", 120}, {"x", 90}}),
         {0, 0, 10, 0, 0}},
        // A silence split in two is one silence.
        {"repeated label merged",
         Chain({{"x", 60}, {"x", 40}, {"h", 50}, {"AH", 80}, {"l", 60}, {"OW", 120}, {"x", 90}}),
         {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PhoneBoundaryErrors(ref, c.hyp), c.expected);
    }
}

TEST(AlignmentMetrics, PhoneBoundaryErrorsCountEveryReferenceBoundary) {
    const auto ref = Chain({{"x", 100}, {"s", 80}, {"IY", 100}, {"x", 100}});
    // Nothing in common: the substituted phones carry their starts, and the boundary whose
    // phones both vanished is measured against the nearest boundary.
    const auto hyp = Chain({{"m", 150}, {"AA", 200}, {"n", 30}});
    const std::vector<double> expected = {50, 30, 70};
    EXPECT_EQ(PhoneBoundaryErrors(ref, hyp), expected);
    // A one-phone hypothesis has no boundary: errors are taken from the file's start.
    const std::vector<double> fromStart = {100, 180, 280};
    EXPECT_EQ(PhoneBoundaryErrors(ref, Chain({{"x", 380}})), fromStart);
}

TEST(AlignmentMetrics, WordBoundaryErrorsMatchWordsByTextWithoutCase) {
    const std::vector<TimedLabel> ref = {{100, 300, "Hello"}, {350, 600, "world"}};
    const std::vector<TimedLabel> hyp = {{110, 290, "HELLO"}, {340, 640, "World"}};
    EXPECT_EQ(WordBoundaryErrors(ref, hyp), (std::vector<double>{10, 10, 10, 40}));
    // A missing word is measured against the nearest word edge found.
    const std::vector<TimedLabel> onlyFirst = {{100, 300, "hello"}};
    EXPECT_EQ(WordBoundaryErrors(ref, onlyFirst), (std::vector<double>{0, 0, 50, 300}));
    const auto none = WordBoundaryErrors(ref, {});
    ASSERT_EQ(none.size(), 4u);
    EXPECT_TRUE(std::isinf(none[0]));
}

TEST(AlignmentMetrics, PhoneErrorRateLeavesSilenceOutAndCountsEachEdit) {
    const auto ref = Chain({{"x", 10}, {"k", 10}, {"AE", 10}, {"t", 10}, {"s", 10}, {"x", 10}});
    struct Case {
        const char* name;
        std::vector<TimedLabel> hyp;
        int s, d, i;
    };
    const Case cases[] = {
        {"same phones, other silences", Chain({{"k", 10}, {"x", 5}, {"AE", 10}, {"t", 10}, {"s", 10}}),
         0, 0, 0},
        {"one substitution", Chain({{"x", 10}, {"g", 10}, {"AE", 10}, {"t", 10}, {"s", 10}}), 1, 0, 0},
        {"one deletion", Chain({{"k", 10}, {"AE", 10}, {"s", 10}}), 0, 1, 0},
        {"one insertion", Chain({{"k", 10}, {"AE", 10}, {"AE", 10}, {"t", 10}, {"r", 10}, {"s", 10}}),
         0, 0, 1},
        {"nothing recognised", {}, 0, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EditCounts e = PhoneErrors(ref, c.hyp);
        EXPECT_EQ(e.referenceLength, 4);
        EXPECT_EQ(e.substitutions, c.s);
        EXPECT_EQ(e.deletions, c.d);
        EXPECT_EQ(e.insertions, c.i);
        EXPECT_DOUBLE_EQ(e.ErrorRate(), (c.s + c.d + c.i) / 4.0);
    }
    EXPECT_EQ(PhoneErrors({}, ref).ErrorRate(), 0.0);
}

TEST(AlignmentMetrics, SummaryGivesSharesMeanAndMedian) {
    const ErrorSummary s = Summarise({0, 5, 10, 15, 20, 45, 60, 5});
    EXPECT_EQ(s.count, 8u);
    EXPECT_DOUBLE_EQ(s.within10, 4 / 8.0);
    EXPECT_DOUBLE_EQ(s.within20, 6 / 8.0);
    EXPECT_DOUBLE_EQ(s.within50, 7 / 8.0);
    EXPECT_DOUBLE_EQ(s.mean, 160 / 8.0);
    EXPECT_DOUBLE_EQ(s.median, 12.5);
    EXPECT_DOUBLE_EQ(Summarise({7, 1, 3}).median, 3.0);
    EXPECT_EQ(Summarise({}).count, 0u);
}

}  // namespace
