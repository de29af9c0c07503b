// Tests of the RIFF chunk reader's search: where it stops, what it steps over, and its progress.
#include "platform/riff_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Chunk(std::string& b, const char* id, const std::string& data) {
    b.append(id, 4);
    Put32(b, static_cast<uint32_t>(data.size()));
    b += data;
    if (data.size() & 1) b.push_back('\0');
}
// "RIFF" size "WAVE" and the body; the size counts what follows it.
std::string Wave(const std::string& body) {
    std::string b = "RIFF";
    Put32(b, static_cast<uint32_t>(4 + body.size()));
    return b + "WAVE" + body;
}

// Bytes this process has read from files so far; -1 where the system does not count them.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

class RiffFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("riff_file_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& bytes) {
        const std::string path = (dir_ / ("f" + std::to_string(files_++) + ".wav")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    fs::path dir_;
    int files_ = 0;
};

// A header followed by megabytes of zeros (or nothing but zeros) is not searched 8 bytes at a
// time: zeros are no chunk id, so the chunks end there. Chunks whose ids are odd but printable are
// still stepped over.
TEST_F(RiffFileTest, SearchStopsWhereBytesAreNoChunkHeader) {
    const std::string zeros(8 << 20, '\0');
    const std::string fmt = [] {
        std::string b;
        Chunk(b, "fmt ", std::string(16, '\x01'));
        return b;
    }();
    std::string odd_ids;
    Chunk(odd_ids, "JUNK", "");
    Chunk(odd_ids, "_PMX", "xml");
    Chunk(odd_ids, "id3 ", std::string(7, 'i'));
    Chunk(odd_ids, "data", "samples!");
    const struct {
        const char* what;
        std::string bytes;
        bool data_found;
    } cases[] = {
        {"zeros only", zeros, false},
        {"a header, then zeros", Wave(fmt + zeros), false},
        {"chunks with unusual ids before the data", Wave(fmt + odd_ids), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Write(c.bytes);
        int error = -1;
        auto file = CRiffFile::Open(path.c_str(), &error);
        ASSERT_TRUE(file);
        const long long before = BytesRead();
        RiffChunk riff;
        riff.formType = RiffFourCC('W', 'A', 'V', 'E');
        RiffChunk data;
        data.id = RiffFourCC('d', 'a', 't', 'a');
        int rc = file->Descend(&riff, nullptr, kRiffFindRiff);
        if (rc == kRiffOk) rc = file->Descend(&data, &riff, kRiffFindChunk);
        EXPECT_EQ(rc, c.data_found ? kRiffOk : kRiffErrChunkNotFound);
        if (c.data_found) {
            EXPECT_EQ(data.size, 8u);
            char got[8];
            ASSERT_EQ(file->Read(got, 8), 8);
            EXPECT_EQ(std::string(got, 8), "samples!");
        }
        if (before >= 0) {
            EXPECT_LT(BytesRead() - before, 1 << 20) << "the search read through the file";
        }
    }
    if (BytesRead() < 0) GTEST_SKIP() << "no read counts in /proc/self/io: only the results were checked";
}

// A walk through a great many chunks asks its progress now and then, and stops when told to.
TEST_F(RiffFileTest, ProgressHearsOfALongWalkAndCanStopIt) {
    std::string body;
    for (int i = 0; i < 20000; ++i) Chunk(body, "JUNK", "");
    Chunk(body, "data", "ok");
    const std::string path = Write(Wave(body));
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "walked to the end");
        int error = -1;
        auto file = CRiffFile::Open(path.c_str(), &error);
        ASSERT_TRUE(file);
        std::vector<std::pair<long, long>> calls;
        file->SetProgress([&](long done, long total) {
            calls.emplace_back(done, total);
            return cancel;
        });
        RiffChunk riff;
        riff.formType = RiffFourCC('W', 'A', 'V', 'E');
        ASSERT_EQ(file->Descend(&riff, nullptr, kRiffFindRiff), kRiffOk);
        RiffChunk data;
        data.id = RiffFourCC('d', 'a', 't', 'a');
        EXPECT_EQ(file->Descend(&data, &riff, kRiffFindChunk), cancel ? kRiffErrCancelled : kRiffOk);
        ASSERT_EQ(calls.size(), cancel ? 1u : 4u);  // every 4096 chunks stepped over
        for (size_t i = 1; i < calls.size(); ++i) EXPECT_GT(calls[i].first, calls[i - 1].first);
        EXPECT_EQ(calls.back().second, file->Size());
        EXPECT_LT(calls.back().first, calls.back().second);
    }
}

}  // namespace
