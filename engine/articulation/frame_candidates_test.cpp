// Tests that the frame loop's candidate cursor finds exactly what a full scan of the track finds.
#include "engine/articulation/frame_candidates.h"

#include <gtest/gtest.h>

#include <random>

namespace {

void ExpectSame(const FrameCandidates& a, const FrameCandidates& b, int t) {
    EXPECT_EQ(a.current, b.current) << "t=" << t;
    EXPECT_EQ(a.before, b.before) << "t=" << t;
    EXPECT_EQ(a.after, b.after) << "t=" << t;
}

// Tracks in start order with gaps, overlaps, zero-length and very long phonemes, walked with
// frame times that repeat and jump.
TEST(FrameCandidates, CursorMatchesFullScan) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<ArticulatedPhoneme> track;
        int start = static_cast<int>(random() % 200) - 100;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            int length = static_cast<int>(random() % 150);
            if (random() % 10 == 0) length = static_cast<int>(random() % 3000);  // sounds over many others
            track.push_back(ArticulatedPhoneme{start, start + length, 1.0, nullptr, 0});
            start += static_cast<int>(random() % 120) - (random() % 5 == 0 ? 30 : 0);
            if (start < track.back().start) start = track.back().start;
        }
        ASSERT_TRUE(PhonemesInStartOrder(track));
        const int maxAttack = static_cast<int>(random() % 300);
        const int maxRelease = static_cast<int>(random() % 300);

        CFrameCandidateCursor cursor(track, maxAttack, maxRelease);
        FrameCandidates fromCursor;
        FrameCandidates fromScan;
        for (int t = -400; t < start + 3500; t += static_cast<int>(random() % 40)) {
            cursor.Collect(t, fromCursor);
            ScanFrameCandidates(track, t, maxAttack, maxRelease, fromScan);
            ExpectSame(fromCursor, fromScan, t);
            if (HasFailure()) return;
        }
    }
}

TEST(FrameCandidates, FullScanSortsPhonemesByReach) {
    // t = 500, attack reach 100, release reach 50.
    const std::vector<ArticulatedPhoneme> track = {
        {100, 200, 1, nullptr, 0},  // long gone
        {300, 600, 1, nullptr, 0},  // sounding, started long before
        {400, 450, 1, nullptr, 0},  // starts exactly t - attack: before
        {480, 500, 1, nullptr, 0},  // ended at t: before
        {490, 510, 1, nullptr, 0},  // sounding, last in list order: current
        {500, 500, 1, nullptr, 0},  // empty at t: before
        {550, 600, 1, nullptr, 0},  // starts at t + release: after
        {551, 600, 1, nullptr, 0},  // out of reach: ends the scan
        {560, 570, 1, nullptr, 0},
    };
    FrameCandidates c;
    ScanFrameCandidates(track, 500, 100, 50, c);
    EXPECT_EQ(c.current, 4);
    EXPECT_EQ(c.before, (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(c.after, (std::vector<int>{6}));
    EXPECT_FALSE(PhonemesInStartOrder({{10, 20, 1, nullptr, 0}, {5, 30, 1, nullptr, 0}}));
}

}  // namespace
