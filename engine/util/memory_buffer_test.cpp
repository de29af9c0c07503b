// Tests of the byte buffers, the packed block and the binary readers.
#include "engine/util/memory_buffer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/util/binary_io.h"

namespace {

std::vector<uint8_t> PackedBlock(const std::string& text, int32_t storedSize) {
    uLongf length = compressBound(text.size());
    std::vector<uint8_t> z(length);
    compress(z.data(), &length, reinterpret_cast<const Bytef*>(text.data()), text.size());
    std::vector<uint8_t> block(8 + length);
    const uint8_t head[4] = {'P', 'C', 'V', 'Z'};
    for (int i = 0; i < 4; ++i) {
        block[i] = head[i];
        block[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(storedSize) >> (8 * i));
    }
    std::copy(z.begin(), z.begin() + length, block.begin() + 8);
    return block;
}

}  // namespace

TEST(PackedBuffer, UnpacksOnlyWhenTheStoredSizeMatches) {
    const std::string text(5000, 'a');
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        bool ok;
    } cases[] = {
        {"exact", PackedBlock(text, 5000), true},
        {"stored too large", PackedBlock(text, 5001), false},
        {"stored too small", PackedBlock(text, 4999), false},
        {"negative size", PackedBlock(text, -1), false},
        {"absurd size", PackedBlock(text, 0x7FFFFFFF), false},
        {"short header", {'P', 'C', 'V', 'Z', 1}, false},
        {"wrong magic", {'Z', 'V', 'C', 'P', 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        CPackedBuffer buffer;
        ASSERT_TRUE(buffer.SetBytes(c.block.data(), static_cast<unsigned>(c.block.size())));
        unsigned size = 99;
        std::unique_ptr<unsigned char[]> out = buffer.Unpack(&size);
        EXPECT_EQ(out != nullptr, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(size, text.size());
            EXPECT_EQ(std::string(reinterpret_cast<char*>(out.get()), size), text);
        }
    }
    // A damaged stream after a good header.
    std::vector<uint8_t> block = PackedBlock(text, 5000);
    block[12] ^= 0xFF;
    CPackedBuffer damaged;
    damaged.SetBytes(block.data(), static_cast<unsigned>(block.size()));
    unsigned size = 0;
    EXPECT_EQ(damaged.Unpack(&size), nullptr);
}

TEST(MemoryBuffer, LoadsAWholeFileOrStaysEmpty) {
    const std::string path = std::string(::testing::TempDir()) + "memory_buffer_test_load.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite("abc\0def", 1, 7, f);
    std::fclose(f);
    CMemoryBuffer buffer;
    EXPECT_TRUE(buffer.LoadFile(path.c_str()));
    ASSERT_EQ(buffer.size, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data.get()), 7), std::string("abc\0def", 7));
    std::remove(path.c_str());
    EXPECT_FALSE(buffer.LoadFile(path.c_str()));
    EXPECT_EQ(buffer.size, 0u);
    EXPECT_EQ(buffer.data, nullptr);
}

TEST(BinaryReaders, ShortReadsClearTheFlagAndDoNotAdvance) {
    const std::vector<unsigned char> bytes = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 'h', 'i', 0, 'n', 'o'};
    const unsigned char* cursor = bytes.data();
    unsigned remaining = static_cast<unsigned>(bytes.size());
    bool ok = false;
    EXPECT_EQ(ReadInt32(&cursor, &remaining, &ok), 0x12345678);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadInt16(&cursor, &remaining, &ok), 0xFFFF);  // unsigned: never a negative version
    EXPECT_STREQ(ReadString(&cursor, &remaining, &ok), "hi");
    EXPECT_TRUE(ok);
    EXPECT_EQ(remaining, 2u);
    EXPECT_EQ(ReadInt32(&cursor, &remaining, &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(remaining, 2u);
    EXPECT_EQ(ReadString(&cursor, &remaining, &ok), nullptr);  // no terminator before the end
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadByte(&cursor, &remaining, &ok), 'n');
    EXPECT_TRUE(ok);  // the flag is not sticky
    EXPECT_EQ(ReadDouble(&cursor, &remaining, &ok), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(remaining, 1u);
}
