// The engine's debug log: a golden session, nothing written while closed, reopening.
#include "engine/api/sdk_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/api/sync_marker.h"

namespace {

std::time_t FixedClock(std::time_t* out) {
    const std::time_t t = 1000000000;  // Sun Sep  9 01:46:40 2001 UTC
    if (out) *out = t;
    return t;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SdkLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) savedTz_ = tz, hadTz_ = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        SdkLogSetClock(FixedClock);
        char templ[] = "/tmp/murmurex_logXXXXXX";
        dir_ = ::mkdtemp(templ);
    }
    void TearDown() override {
        SdkLogClose();
        SdkLogSetClock(nullptr);
        if (hadTz_) ::setenv("TZ", savedTz_.c_str(), 1); else ::unsetenv("TZ");
        ::tzset();
        ::unlink(Path("a.txt").c_str());
        ::unlink(Path("b.txt").c_str());
        ::rmdir(dir_.c_str());
    }
    std::string Path(const char* name) const { return dir_ + "/" + name; }

    std::string dir_, savedTz_;
    bool hadTz_ = false;
};

}  // namespace

TEST_F(SdkLogTest, SessionMatchesGoldenLog) {
    SdkLogPrintf("written while closed %d", 1);
    { CFuncTrace closed("NotLogged"); }

    SdkLogOpen(Path("a.txt").c_str());
    ASSERT_TRUE(SdkLogIsOpen());
    ISyncResultsCollection* collection = nullptr;
    ASSERT_EQ(CreateSyncResultsCollection(0, &collection), 0);
    {
        CFuncTrace outer("Resample", "%d %d", 44100, 16000);
        SdkLogPrintf("first loop");
        // Flushed at once: the file already holds every line so far.
        EXPECT_NE(Slurp(Path("a.txt")).find("first loop\n"), std::string::npos);
    }
    DestroySyncResultsCollection(collection);
    SdkLogClose();
    EXPECT_FALSE(SdkLogIsOpen());
    SdkLogPrintf("written after close");

    const std::string golden = Slurp(std::string(MURMUREX_TESTDATA_DIR) + "/trace_log/session.golden");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Slurp(Path("a.txt")), golden);
}

TEST_F(SdkLogTest, DateLineIsTheStandardAsctimeForm) {
    SdkLogSetClock(nullptr);
    const std::time_t before = std::time(nullptr);
    SdkLogOpen(Path("a.txt").c_str());
    std::tm local {};
    localtime_r(&before, &local);
    char expected[64];
    asctime_r(&local, expected);
    const std::string text = Slurp(Path("a.txt"));
    // A second may pass between the two clocks; compare up to the minute.
    EXPECT_EQ(text.substr(0, 32), "**** Starting Zuvotrix SDK Log: ");
    EXPECT_EQ(text.substr(32, 16), std::string(expected).substr(0, 16));
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST_F(SdkLogTest, TraceMadeBeforeOpeningLeavesWithAnEmptyName) {
    {
        CFuncTrace early("Early");
        SdkLogOpen(Path("a.txt").c_str());
    }
    SdkLogClose();
    const std::string text = Slurp(Path("a.txt"));
    EXPECT_EQ(text.find("Enter: Early"), std::string::npos);
    EXPECT_NE(text.find("\nLeave: \n"), std::string::npos);
}

TEST_F(SdkLogTest, ReopeningTruncatesAndLeavesTheFirstLogWithoutItsEnd) {
    SdkLogOpen(Path("a.txt").c_str());
    SdkLogPrintf("one");
    SdkLogOpen(Path("b.txt").c_str());
    SdkLogPrintf("two");
    SdkLogOpen(Path("b.txt").c_str());
    SdkLogClose();
    const std::string start = "**** Starting Zuvotrix SDK Log: Sun Sep  9 01:46:40 2001\n\n";
    const std::string end = "**** Ending Zuvotrix SDK Log: Sun Sep  9 01:46:40 2001\n\n";
    EXPECT_EQ(Slurp(Path("a.txt")), start + "one\n");
    EXPECT_EQ(Slurp(Path("b.txt")), start + end);
}

TEST_F(SdkLogTest, UnopenableFileLeavesTheLogClosed) {
    SdkLogOpen(Path("a.txt").c_str());
    SdkLogOpen((dir_ + "/missing/log.txt").c_str());
    EXPECT_FALSE(SdkLogIsOpen());
    SdkLogPrintf("lost");
    EXPECT_EQ(Slurp(Path("a.txt")).find("lost"), std::string::npos);
}

TEST(SdkLogDefault, DefaultPathIsInTheTemporaryFolder) {
    const std::string path = SdkLogDefaultPath();
    EXPECT_EQ(path.substr(path.size() - 13), "/zuvo_log.txt");
    EXPECT_EQ(path.find('\\'), std::string::npos);
}
