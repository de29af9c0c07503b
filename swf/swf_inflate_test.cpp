// The bounded inflate: the output's memory never passes the caller's limit.
#include "swf/swf_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

TEST(SwfInflate, MemoryNeverPassesTheLimit) {
    // Ten megabytes of zeros read with limits on both sides of the growth steps.
    const std::vector<uint8_t> zeros(10u << 20);
    uLongf size = compressBound(static_cast<uLong>(zeros.size()));
    std::vector<uint8_t> packed(size);
    ASSERT_EQ(compress2(packed.data(), &size, zeros.data(), static_cast<uLong>(zeros.size()), 1), Z_OK);
    packed.resize(size);
    for (uint64_t limit : {uint64_t{3} << 20, (uint64_t{5} << 20) + 17, uint64_t{9} << 20}) {
        std::vector<uint8_t> out;
        bool ended = true;
        ASSERT_TRUE(InflateSwfData(packed.data(), packed.size(), limit, out, ended)) << limit;
        EXPECT_FALSE(ended);
        EXPECT_EQ(out.size(), limit);
        EXPECT_LE(out.capacity(), limit);
    }
}
