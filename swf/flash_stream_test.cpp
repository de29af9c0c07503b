// Byte helpers, bit reader and bit buffer.
#include "swf/flash_stream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "swf/flash_bits.h"
#include "swf/swf_test_support.h"

TEST(FlashStream, IntegersAreLittleEndianAndMissingBytesReadAsZero) {
    auto data = Bytes({0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB});
    flash_istream in(data.data(), data.size());
    EXPECT_EQ(ReadU16(in), 0x1234);
    EXPECT_EQ(ReadU32(in), 0x12345678u);
    EXPECT_TRUE(in.good());
    EXPECT_EQ(ReadU32(in), 0xABu);  // three bytes missing
    EXPECT_TRUE(in.fail());
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.overrun(), 3u);
    EXPECT_EQ(ReadU8(in), 0);

    flash_ostream out;
    WriteU16(out, 0x1234);
    WriteU32(out, 0x12345678u);
    WriteU8(out, 0xAB);
    EXPECT_EQ(out.bytes(), data);
}

TEST(FlashStream, Strings) {
    auto data = Bytes({'a', 'b', 0, 'c', 'd'});
    flash_istream in(data.data(), data.size());
    std::string s = "old";
    ReadCString(in, s);
    EXPECT_EQ(s, "ab");
    ReadCString(in, s);  // the end of the data ends the string like a 0 byte
    EXPECT_EQ(s, "cd");

    flash_ostream out;
    WriteCString(out, std::string("xy\0z", 4));  // stops at the first 0 character
    WriteStringBytes(out, "q");
    EXPECT_EQ(out.bytes(), Bytes({'x', 'y', 0, 'q'}));

    flash_ostream p;
    WritePString(p, std::string(300, 'k'));
    ASSERT_EQ(p.size(), 45u);
    EXPECT_EQ(p.bytes()[0], 44);

    auto pdata = Bytes({3, 'a', 'b', 'c', 'd'});
    flash_istream pin(pdata.data(), pdata.size());
    std::string ps = ">";
    ReadPString(pin, ps);
    EXPECT_EQ(ps, ">abc");
}

TEST(FlashStream, ReadBytesNeverTakesMoreThanThereIs) {
    auto data = Bytes({1, 2, 3, 4});
    flash_istream in(data.data(), data.size());
    std::vector<uint8_t> got;
    ReadBytes(in, 0xFFFFFFF0u, got);
    EXPECT_EQ(got, data);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(in.overrun(), 0xFFFFFFF0u - 4);
}

// A template path may name anything: only a regular file within the size limit is read, and
// nothing else blocks, fills the memory or reads forever.
TEST(FlashStream, FileStreamReadsRegularFilesWithinTheLimitOnly) {
    const std::string dir = testing::TempDir() + "/flash_ifstream_paths";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/folder.swf");
    const std::string fifo = dir + "/pipe.swf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir + "/huge.swf";  // sparse: takes no room on the disk
    { std::ofstream(huge, std::ios::binary).put('F'); }
    std::filesystem::resize_file(huge, kSwfMaxFileBytes + 1);
    std::filesystem::create_symlink(dir + "/gone.swf", dir + "/dangling.swf");
    for (const std::string& path : {std::string("/nonexistent/folder/file.swf"), dir + "/folder.swf", fifo,
                                   std::string("/dev/zero"), huge, dir + "/dangling.swf"}) {
        flash_ifstream in(path);
        EXPECT_TRUE(in.fail()) << path;
        EXPECT_FALSE(in.error().empty()) << path;
        EXPECT_EQ(in.remaining(), 0u) << path;
    }
    std::filesystem::resize_file(huge, 4);
    flash_ifstream small(huge);
    EXPECT_FALSE(small.fail()) << small.error();
    EXPECT_EQ(small.remaining(), 4u);
    std::filesystem::remove_all(dir);
}

TEST(FlashStream, OutputFileIsReplacedOnlyByACompleteSave) {
    std::string dir = testing::TempDir();
    std::string path = dir + "/flash_ofstream_test.swf";
    {
        flash_ofstream first(path);
        WriteU32(first, 0x01020304);
        EXPECT_TRUE(first.close());
    }
    // A stream that failed while writing leaves the saved file alone and says why.
    {
        flash_ofstream failed(path);
        WriteU16(failed, 7);
        failed.setfail();
        EXPECT_FALSE(failed.close());
        EXPECT_FALSE(failed.error().empty());
    }
    flash_ifstream back(path);
    EXPECT_EQ(ReadU32(back), 0x01020304u);
    EXPECT_EQ(back.remaining(), 0u);
    // A folder that does not exist is reported, not ignored.
    flash_ofstream nowhere(dir + "/no_such_folder/out.swf");
    WriteU16(nowhere, 7);
    EXPECT_FALSE(nowhere.close());
    EXPECT_TRUE(nowhere.fail());
    EXPECT_FALSE(nowhere.error().empty());
    std::remove(path.c_str());
}

TEST(FlashStream, BodyStreamInheritsOwnerAndVersionAndForwardsRequests) {
    struct Owner : flash_character_writer {
        void WriteCharacterOnce(uint16_t id) override { ids.push_back(id); }
        std::vector<uint16_t> ids;
    } owner;
    flash_ostream out;
    out.version = 7;
    out.owner = &owner;
    flash_ostrstream body(out);
    EXPECT_EQ(body.version, 7);
    flash_ostrstream nested(body);
    EXPECT_TRUE(nested.bytes().empty());
    nested.RequireCharacter(12);
    EXPECT_EQ(owner.ids, std::vector<uint16_t>{12});
    flash_ostream alone;
    alone.RequireCharacter(3);  // no owner: nothing happens
}

TEST(FlashBits, ReaderKeepsPartlyUsedByteInStream) {
    auto data = Bytes({0xA5, 0xFF});
    {
        flash_istream in(data.data(), data.size());
        flash_bit_reader bits(in);
        uint8_t a = 0, b = 0;
        bits.ReadBits(a, 3);
        bits.ReadBits(b, 5);
        EXPECT_EQ(a, 5);
        EXPECT_EQ(b, 5);
        EXPECT_EQ(in.tellg(), 1u);
        EXPECT_EQ(bits.offset(), 0);
    }
    {
        flash_istream in(data.data(), data.size());
        flash_bit_reader bits(in);
        uint16_t v = 0;
        bits.ReadBits(v, 4);
        EXPECT_EQ(v, 10);
        EXPECT_EQ(in.tellg(), 0u);
        bits.EndRecord();
        EXPECT_EQ(in.tellg(), 1u);
    }
    {
        // A field across three bytes, and a value wider than its destination keeps its low bits.
        auto wide = Bytes({0x12, 0x34, 0x56, 0x78});
        flash_istream in(wide.data(), wide.size());
        flash_bit_reader bits(in);
        uint32_t v = 0;
        uint8_t small = 0;
        bits.ReadBits(v, 4);
        bits.ReadBits(v, 20);
        EXPECT_EQ(v, 0x23456u);
        bits.ReadBits(small, 8);
        EXPECT_EQ(small, 0x78);
    }
}

TEST(FlashBits, ReadingPastTheDataFailsTheStream) {
    auto data = Bytes({0xFF});
    flash_istream in(data.data(), data.size());
    flash_bit_reader bits(in);
    EXPECT_EQ(bits.ReadRaw(12), 0xFF0u);
    EXPECT_TRUE(in.fail());
    bits.EndRecord();
}

TEST(FlashBits, SignedFieldsReadAndWriteInTwosComplement) {
    auto data = Bytes({0xF0});  // 11110 then padding
    flash_istream in(data.data(), data.size());
    flash_bit_reader bits(in);
    int32_t v = static_cast<int32_t>(SignExtend32(bits.ReadRaw(5), 5));
    EXPECT_EQ(v, -2);

    flash_ostream out;
    flash_bit_buffer buf(out);
    int n = SignedFieldBits(v);
    EXPECT_EQ(n, 3);
    buf.WriteBits(static_cast<uint32_t>(v), n);
    buf.Flush();
    EXPECT_EQ(out.bytes(), Bytes({0xC0}));  // 110 padded

    flash_ostream one;
    flash_bit_buffer b1(one);
    b1.WriteBits(1, 1);
    b1.WriteBits(0xFF, 0);  // nothing
    EXPECT_EQ(b1.bit_count(), 1);
    WriteBitBuffer(one, b1);
    EXPECT_EQ(one.bytes(), Bytes({0x80}));
}

TEST(FlashBits, WidthAndExtensionHelpers) {
    struct Case {
        uint32_t v;
        int bits;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{255, 8}, Case{256, 9}, Case{0xFFFFFFFFu, 32}})
        EXPECT_EQ(BitsNeeded(c.v), c.bits) << c.v;
    EXPECT_EQ(BitsNeededSigned(0), 0);
    EXPECT_EQ(BitsNeededSigned(-5), 0);
    EXPECT_EQ(BitsNeeded16(-1), 0);
    EXPECT_EQ(BitsNeeded16(300), 9);
    EXPECT_EQ(SignedFieldBits(0), 1);
    EXPECT_EQ(SignedFieldBits(INT32_MIN), 33);  // |INT32_MIN| without overflow

    EXPECT_EQ(SignExtend16(0x1F, 5), 0xFFFF);
    EXPECT_EQ(SignExtend16(0x0F, 5), 0x000F);
    EXPECT_EQ(SignExtend16(0xFF3F, 6), 0xFFFF);  // only the low 6 bits count
    EXPECT_EQ(SignExtend32(0x20000, 18), 0xFFFE0000u);
    EXPECT_EQ(SignExtend32(0x12345, 0), 0u);
    EXPECT_EQ(ExtractBits(0xA5, 4, 8), 0xAu);
    EXPECT_EQ(ExtractBits(0xA5, 0, 3), 5u);
    EXPECT_EQ(ExtractBits(0xFFFFFFFFu, 0, 32), 0xFFFFFFFFu);
}
