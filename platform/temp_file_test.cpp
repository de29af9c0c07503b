// Temporary files: unique names in the temporary folder, and files whose names vanish on open.
#include "platform/temp_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Points TMPDIR somewhere for one test and puts it back.
class TmpDirScope {
public:
    explicit TmpDirScope(const char* value) {
        if (const char* old = std::getenv("TMPDIR")) saved_ = old, had_ = true;
        if (value) ::setenv("TMPDIR", value, 1); else ::unsetenv("TMPDIR");
    }
    ~TmpDirScope() {
        if (had_) ::setenv("TMPDIR", saved_.c_str(), 1); else ::unsetenv("TMPDIR");
    }

private:
    std::string saved_;
    bool had_ = false;
};

}  // namespace

TEST(TempFile, TempFolderFollowsTmpdirWhenItIsAFolder) {
    char dir[] = "/tmp/murmurex_tmpdirXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    {
        TmpDirScope scope(dir);
        EXPECT_EQ(GetTempFolder(), std::string(dir) + "/");
    }
    {
        TmpDirScope scope((std::string(dir) + "/missing").c_str());
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
    {
        TmpDirScope scope(nullptr);
        EXPECT_EQ(GetTempFolder(), "/tmp/");
    }
    ::rmdir(dir);
}

TEST(TempFile, UniqueFilesAreNewEmptyAndCarryThePrefix) {
    const std::string a = CreateUniqueTempFile("zuvobuild");
    const std::string b = CreateUniqueTempFile("zuvobuild");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(GetTempFolder() + "zuvobuild", 0), 0u) << a;
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    ::unlink(a.c_str());
    ::unlink(b.c_str());
}

TEST(TempFile, OpenedTemporaryFileHasNoNameButKeepsItsData) {
    const std::string path = CreateUniqueTempFile("murmurex_test");
    ASSERT_FALSE(path.empty());
    const int fd = OpenTemporaryFile(path.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(Exists(path));
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    char back[3] = {};
    ASSERT_EQ(::pread(fd, back, 3, 0), 3);
    EXPECT_EQ(std::string(back, 3), "abc");
    ::close(fd);
}

TEST(TempFile, OpeningNeverFollowsALinkPutInItsPlace) {
    // Between making the name and opening it, another program may put a link there.
    const std::string victim = CreateUniqueTempFile("murmurex_victim");
    const std::string path = CreateUniqueTempFile("murmurex_test");
    ASSERT_FALSE(victim.empty());
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(::truncate(victim.c_str(), 0), 0);
    {
        const int v = ::open(victim.c_str(), O_WRONLY);
        ASSERT_GE(v, 0);
        ASSERT_EQ(::write(v, "keep", 4), 4);
        ::close(v);
    }
    ::unlink(path.c_str());
    ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
    const int fd = OpenTemporaryFile(path.c_str());
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 4);
    EXPECT_FALSE(Exists(path));
    ::unlink(victim.c_str());
}

TEST(TempFile, OpenFailureReportsErrno) {
    errno = 0;
    EXPECT_EQ(OpenTemporaryFile("/nonexistent-folder/zuvobuild"), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(OpenTemporaryFile(nullptr), -1);
    EXPECT_EQ(errno, EINVAL);
}
