// The lattice arena: aligned pieces, new blocks when full, big requests on their own.
#include "engine/util/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

namespace {
bool Aligned(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % CBlockPool::kAlignment == 0; }
}  // namespace

TEST(BlockPool, PiecesOfOddSizesStayAlignedAndDoNotOverlap) {
    // Lattice nodes hold doubles: unrounded sizes used to leave them misaligned.
    CBlockPool pool(1024);
    char* previous = nullptr;
    int previousSize = 0;
    for (int n : {3, 8, 1, 17, 24, 5, 40}) {
        auto* p = static_cast<char*>(pool.Alloc(n));
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(Aligned(p)) << n;
        if (previous) {
            EXPECT_GE(p, previous + previousSize);
        }
        std::memset(p, 0xAB, static_cast<std::size_t>(n));
        previous = p;
        previousSize = n;
    }
    EXPECT_EQ(pool.GetBlockCount(), 1u);
}

TEST(BlockPool, FullBlockStartsANewOne) {
    CBlockPool pool(64);
    std::set<void*> pieces;
    for (int i = 0; i < 3; ++i) pieces.insert(pool.Alloc(16));  // 48 bytes used
    EXPECT_EQ(pool.GetBlockCount(), 1u);
    void* next = pool.Alloc(16);  // 48 + 16 reaches the block size
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    EXPECT_EQ(pieces.count(next), 0u);
    EXPECT_TRUE(Aligned(next));
}

TEST(BlockPool, LargeRequestGetsAZeroedBlockAndTheCurrentBlockStays) {
    CBlockPool pool(64);
    auto* a = static_cast<char*>(pool.Alloc(16));
    auto* big = static_cast<unsigned char*>(pool.Alloc(200));
    ASSERT_NE(big, nullptr);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(big[i], 0);
    auto* b = static_cast<char*>(pool.Alloc(16));
    EXPECT_EQ(b, a + 16);  // still carved from the first block
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    EXPECT_EQ(pool.Alloc(-1), nullptr);
}
