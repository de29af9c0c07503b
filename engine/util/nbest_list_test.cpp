// Best-hypothesis list of a frame and its compact frame records.
#include "engine/util/nbest_list.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NBestList, KeepsTheBestEntriesWithinItsCapacity) {
    CNBestList list;
    ASSERT_TRUE(list.Init(2));
    list.Insert(10, 1, -5.0);
    list.Insert(11, 2, -3.0);
    list.Insert(12, 3, -4.0);  // replaces -5
    list.Insert(13, 4, -6.0);  // worse than the worst: ignored
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.best, -3.0);
    EXPECT_EQ(list.entries[list.bestIndex].node, 11);
    EXPECT_EQ(list.worst, -4.0);
    EXPECT_EQ(list.entries[list.worstIndex].node, 12);

    list.Insert(14, 5, -1.0);  // new best replaces the worst
    EXPECT_EQ(list.best, -1.0);
    EXPECT_EQ(list.entries[list.bestIndex].node, 14);
    EXPECT_EQ(list.worst, -3.0);

    list.Reset();
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.bestIndex, -1);
    EXPECT_EQ(list.worstIndex, -1);
}

TEST(NBestList, PruneOnlyActsOnNegativeThresholds) {
    CNBestList list;
    ASSERT_TRUE(list.Init(4));
    for (int i = 0; i < 4; ++i) list.Insert(i, 0, -10.0 * i);  // 0, -10, -20, -30
    list.Prune(0.0);
    for (int i = 0; i < 4; ++i) EXPECT_NE(list.entries[i].node, -1);
    list.Prune(-15.0);
    EXPECT_NE(list.entries[0].node, -1);
    EXPECT_NE(list.entries[1].node, -1);
    EXPECT_EQ(list.entries[2].node, -1);
    EXPECT_EQ(list.entries[3].node, -1);
}

TEST(NBestList, FrameRecordKeepsLiveEntriesRelativeToTheBase) {
    CNBestList list;
    ASSERT_TRUE(list.Init(3));
    list.Insert(105, 100, -1.0);
    list.Insert(107, 103, -2.0);
    list.Insert(109, 104, -9.0);
    list.entries[1].node = -1;  // pruned
    std::vector<double> scores(120, 0.0);
    FrameRecord* record = MakeFrameRecord(100, list, scores.data());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->count, 2);
    EXPECT_EQ(scores[105], -1.0);
    EXPECT_EQ(scores[107], 0.0);
    EXPECT_EQ(scores[109], -9.0);
    std::vector<int> row(16, -7);
    EXPECT_TRUE(ApplyFrameRecord(*record, row.data(), 16));
    EXPECT_EQ(row[5], 100);
    EXPECT_EQ(row[7], -7);
    EXPECT_EQ(row[9], 104);
    EXPECT_FALSE(ApplyFrameRecord(*record, row.data(), 8));  // node 9 lies outside a row of 8
    FreeFrameRecord(record);
}
