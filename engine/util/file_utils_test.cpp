// Whole-file reading and reading a stream up to a delimiter.
#include "engine/util/file_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "engine/util/error_codes.h"
#include "engine/util/mem_alloc.h"

namespace {

class ScratchFile {
public:
    explicit ScratchFile(const std::string& bytes) {
        char templ[] = "/tmp/murmurex_fileXXXXXX";
        const int fd = ::mkstemp(templ);
        path_ = templ;
        if (fd >= 0) {
            if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) path_.clear();
            ::close(fd);
        }
    }
    ~ScratchFile() { ::unlink(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace

TEST(FileUtils, ReadFileToBufferReadsEverythingAndTerminatesOnRequest) {
    const std::string bytes("ab\0cd", 5);
    ScratchFile file(bytes);
    for (bool terminate : {false, true}) {
        int size = -1;
        char* buffer = ReadFileToBuffer(file.path(), &size, terminate);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(size, 5);
        EXPECT_EQ(std::string(buffer, 5), bytes);
        if (terminate) {
            EXPECT_EQ(buffer[5], '\0');
        }
        MemFree(buffer);
    }
    ScratchFile empty("");
    int size = -1;
    char* buffer = ReadFileToBuffer(empty.path(), &size, true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(buffer[0], '\0');
    MemFree(buffer);
}

TEST(FileUtils, UnreadablePathsGiveNullFalseOrEmpty) {
    int size = 77;
    EXPECT_EQ(ReadFileToBuffer("/nonexistent/file", &size, true), nullptr);
    EXPECT_EQ(size, 77);
    EXPECT_EQ(ReadFileToBuffer("/tmp", &size, true), nullptr);  // a folder opens but has no bytes
    EXPECT_EQ(ReadTextFile("/nonexistent/file"), "");
    EXPECT_FALSE(FileExists("/nonexistent/file"));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST(FileUtils, ReadTextFileStopsAtTheFirstNul) {
    ScratchFile file(std::string("line one\nline two\0hidden", 24));
    EXPECT_EQ(ReadTextFile(file.path()), "line one\nline two");
    EXPECT_TRUE(FileExists(file.path()));
}

TEST(FileUtils, ReadUntilDelimiter) {
    const struct {
        const char* input;
        const char* delimiter;
        const char* text;
        bool found;
        const char* rest;
    } cases[] = {
        {"abc</script>tail", "</script>", "abc", true, "tail"},
        {"abc", "</script>", "abc", false, ""},
        {"", "END", "", false, ""},
        {"aaENDbENDc", "END", "aa", true, "bENDc"},
        {"EEND", "END", "E", true, ""},
        {"ab", "abc", "ab", false, ""},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        bool found = !c.found;
        EXPECT_EQ(ReadUntilDelimiter(in, c.delimiter, &found), c.text) << c.input;
        EXPECT_EQ(found, c.found) << c.input;
        std::string rest((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(rest, c.rest) << c.input;
    }
}

namespace {

TEST(FileUtils, ReadRegularFileReadsOnlyBoundedRegularFiles) {
    ScratchFile file(std::string("ab\0cd", 5));
    char folder[] = "/tmp/murmurex_regular_XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string pipe = std::string(folder) + "/pipe", dangling = std::string(folder) + "/gone";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // no writer: opening it must not wait for one
    ASSERT_EQ(::symlink("/nonexistent/file", dangling.c_str()), 0);
    const struct {
        std::string path;
        std::size_t limit;
        bool ok;
        const char* why;
    } cases[] = {
        {file.path(), 5, true, ""},
        {file.path(), 4, false, "larger than 4 bytes"},
        {"/dev/zero", 1000, false, "not a regular file"},
        {folder, 1000, false, "is a folder"},
        {pipe, 1000, false, "not a regular file"},
        {dangling, 1000, false, "No such file"},
    };
    for (const auto& c : cases) {
        std::string bytes = "old", error;
        EXPECT_EQ(ReadRegularFile(c.path, c.limit, &bytes, &error), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(bytes, std::string("ab\0cd", 5));
        } else {
            EXPECT_EQ(bytes, "");
            EXPECT_NE(error.find(c.why), std::string::npos) << error;
        }
    }
    ::unlink(pipe.c_str());
    ::unlink(dangling.c_str());
    ::rmdir(folder);
}

// What a path names when it is no ordinary file, and a reader's reason said after the file's name.
TEST(FileUtils, PathsThatAreNoFileAndReasonsWithoutThePath) {
    ScratchFile file("x");
    char folder[] = "/tmp/murmurex_kindsXXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string pipe = std::string(folder) + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        std::string path;
        int code;
    } cases[] = {
        {file.path(), kErrNone}, {"/nonexistent/file", kErrNone}, {folder, kErrIsFolder},
        {"/dev/null", kErrIsDevice}, {pipe, kErrIsPipe},
    };
    for (const auto& c : cases) EXPECT_EQ(NotOrdinaryFileCode(c.path.c_str()), c.code) << c.path;
    ::unlink(pipe.c_str());
    ::rmdir(folder);

    std::string bytes, error;
    EXPECT_FALSE(ReadRegularFile("/tmp", 10, &bytes, &error));
    EXPECT_EQ(ReasonWithoutPath(error, "/tmp"), "it is a folder, not a file");
    EXPECT_FALSE(ReadRegularFile("/nonexistent/file", 10, &bytes, &error));
    EXPECT_EQ(ReasonWithoutPath(error, "/nonexistent/file"), "No such file or directory");
    EXPECT_EQ(ReasonWithoutPath("another text", "/tmp"), "another text");
}

TEST(FileUtils, ReadWholeFileIsBoundedAndSaysWhy) {
    ScratchFile file(std::string("ab\0cd", 5));
    const struct {
        std::string path;
        std::size_t limit;
        bool ok;
        const char* why;
    } cases[] = {
        {file.path(), 5, true, ""},
        {file.path(), 4, false, "larger than 4 bytes"},
        {"/dev/zero", 1000, false, "larger than 1000 bytes"},  // a device without end
        {"/tmp", 1000, false, "is a folder"},
        {"/nonexistent/file", 1000, false, "No such file"},
    };
    for (const auto& c : cases) {
        std::string bytes = "old", error;
        EXPECT_EQ(ReadWholeFile(c.path, c.limit, &bytes, &error), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(bytes, std::string("ab\0cd", 5));
        } else {
            EXPECT_EQ(bytes, "");
            EXPECT_NE(error.find(c.why), std::string::npos) << error;
            EXPECT_NE(error.find(c.path), std::string::npos) << error;
        }
    }
}

}  // namespace

namespace {

TEST(FileUtils, SaveFileThroughStdioKeepsTheOldFileOnFailure) {
    ScratchFile file("old contents");
    const std::string path = file.path();
    std::string error;
    EXPECT_FALSE(SaveFileThroughStdio(path, [](std::FILE* f) { return std::fputs("half", f) >= 0 && false; }, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, 100, &bytes));
    EXPECT_EQ(bytes, "old contents");

    EXPECT_TRUE(SaveFileThroughStdio(path, [](std::FILE* f) { return std::fputs("new", f) >= 0; }, &error)) << error;
    ASSERT_TRUE(ReadWholeFile(path, 100, &bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_FALSE(SaveFileThroughStdio("/nonexistent/folder/file", [](std::FILE*) { return true; }, &error));
}

}  // namespace
