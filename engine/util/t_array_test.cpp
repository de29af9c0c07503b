// TArray growth arithmetic and record moves.
#include "engine/util/t_array.h"

#include <gtest/gtest.h>

#include "engine/util/array_2d.h"

TEST(TArray, ReserveRoundsUpToWholeGrowthSteps) {
    const struct {
        int growBy;
        int n;
        int capacity;
    } cases[] = {
        {4, 0, 4}, {4, 1, 4}, {4, 4, 4}, {4, 8, 8}, {4, 9, 12}, {100, 101, 200}, {1, 0, 1}, {1, 7, 7}, {3, -5, 3},
    };
    for (const auto& c : cases) {
        TArray<int> a(c.growBy);
        EXPECT_TRUE(a.Reserve(c.n));
        EXPECT_EQ(a.capacity, c.capacity) << "growBy " << c.growBy << " n " << c.n;
        EXPECT_EQ(a.count, 0);
    }
}

TEST(TArray, ReserveNeverShrinksAndKeepsRecords) {
    TArray<int> a(4);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(a.Append(i * 10));
    EXPECT_EQ(a.capacity, 8);
    EXPECT_TRUE(a.Reserve(2));
    EXPECT_EQ(a.capacity, 8);
    EXPECT_TRUE(a.Reserve(17));
    EXPECT_EQ(a.capacity, 20);
    ASSERT_EQ(a.count, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a[i], i * 10);
}

TEST(TArray, ImpossibleReserveFailsAndChangesNothing) {
    TArray<double> a(1000);
    ASSERT_TRUE(a.Append(1.5));
    EXPECT_FALSE(a.Reserve(INT_MAX));
    EXPECT_EQ(a.capacity, 1000);
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(a[0], 1.5);
}

TEST(TArray, InsertGrowsByTheStepOnlyWhenFull) {
    TArray<int> a(100);
    for (int i = 0; i < 99; ++i) ASSERT_TRUE(a.Append(i));
    EXPECT_EQ(a.capacity, 100);
    ASSERT_TRUE(a.Append(99));  // Reserve (100) keeps the capacity
    EXPECT_EQ(a.capacity, 100);
    ASSERT_TRUE(a.Append(100));  // Reserve (101) grows by one step
    EXPECT_EQ(a.capacity, 200);
    for (int i = 0; i <= 100; ++i) ASSERT_EQ(a[i], i);
}

TEST(TArray, AppendingDoublesAFullArrayInWholeSteps) {
    // Growing by one step at a time would copy everything on every step: quadratic appends.
    const struct {
        int growBy;
        int appends;
        int capacity;
    } cases[] = {{1, 1000, 1024}, {3, 13, 24}, {256, 100000, 131072}, {1000, 2500, 4000}};
    for (const auto& c : cases) {
        TArray<int> a(c.growBy);
        int grew = 0;
        for (int i = 0; i < c.appends; ++i) {
            const int before = a.capacity;
            ASSERT_TRUE(a.Append(i));
            if (a.capacity != before) ++grew;
        }
        EXPECT_EQ(a.capacity, c.capacity) << "growBy " << c.growBy;
        EXPECT_LE(grew, 20) << "growBy " << c.growBy;
        for (int i = 0; i < c.appends; ++i) ASSERT_EQ(a[i], i);
    }
}

TEST(TArray, InsertAtClampsTheIndexAndShiftsLaterRecords) {
    TArray<int> a(4);
    for (int v : {1, 2, 3}) a.Append(v);
    ASSERT_TRUE(a.InsertAt(10, 4));  // past the end: appended
    ASSERT_TRUE(a.InsertAt(0, 0));
    ASSERT_TRUE(a.InsertAt(2, 9));
    const int expected[] = {0, 1, 9, 2, 3, 4};
    ASSERT_EQ(a.count, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a[i], expected[i]);
}

TEST(TArray, RemoveAtChecksBoundsAndMovesRecordsDown) {
    TArray<int> a(4);
    for (int v : {1, 2, 3}) a.Append(v);
    EXPECT_FALSE(a.RemoveAt(3));
    EXPECT_FALSE(a.RemoveAt(-1));
    EXPECT_TRUE(a.RemoveAt(0));
    ASSERT_EQ(a.count, 2);
    EXPECT_EQ(a[0], 2);
    EXPECT_EQ(a[1], 3);
    a.RemoveAll();
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.growBy, 4);
}

TEST(TArray, SetSizeSetsTheGrowthStepFromTheSize) {
    const struct {
        int n;
        int growArg;
        int growBy;
        int capacity;
    } cases[] = {{0, 0, 1, 1}, {1, 0, 1, 1}, {5000, 0, 5000, 5000}, {10, 4, 4, 12}};
    for (const auto& c : cases) {
        TArray<float> a(7);
        a.Append(1.0f);
        ASSERT_TRUE(a.SetSize(c.n, c.growArg));
        EXPECT_EQ(a.count, c.n);
        EXPECT_EQ(a.growBy, c.growBy) << c.n;
        EXPECT_EQ(a.capacity, c.capacity) << c.n;
    }
}

TEST(T2DArray, RowsPointIntoOneZeroedBlock) {
    CWordArray2D table;
    ASSERT_TRUE(table.Allocate(3, 5));
    EXPECT_EQ(table.rowCount, 3);
    EXPECT_EQ(table.columnCount, 5);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(table[r], table.data + r * 5);
        for (int c = 0; c < 5; ++c) EXPECT_EQ(table[r][c], 0);
    }
    table[2][4] = 7;
    EXPECT_EQ(table.data[14], 7);
    EXPECT_FALSE(table.Allocate(-1, 2));
    EXPECT_EQ(table.data, nullptr);
    CDoubleArray2D huge;  // the byte count overflows
    EXPECT_FALSE(huge.Allocate(INT_MAX, INT_MAX));
}
