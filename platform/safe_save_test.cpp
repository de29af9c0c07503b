#include "platform/safe_save.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

namespace fs = std::filesystem;

class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("safe_save_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

TEST_F(SafeSaveTest, ReplacesTheFileAndKeepsItsPermissions) {
    const std::string path = Path("take.zuvo");
    Write(path, "old contents");
    ::chmod(path.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(SaveFileSafely(path, [](std::ostream& out) { return bool(out << "new"); }, &error))
        << error;
    EXPECT_EQ(Read(path), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(SafeSaveTest, FailedWriterLeavesTheOldFile) {
    const std::string path = Path("take.zuvo");
    Write(path, "old contents");
    std::string error;
    EXPECT_FALSE(SaveFileSafely(path, [](std::ostream& out) { out << "partial"; return false; }, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Read(path), "old contents");
    EXPECT_EQ(FilesInFolder(), 1u);
}

// A disk that fills up half way through: the file-size limit makes write() fail with EFBIG,
// just as a full filesystem makes it fail with ENOSPC.
TEST_F(SafeSaveTest, FullDiskLeavesTheOldFileByteForByte) {
    const std::string path = Path("take.zuvo");
    const std::string old(818, 'o');
    Write(path, old);
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool saved_ok = SaveBytesSafely(path, std::string(8192, 'n'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved_ok);
    EXPECT_NE(error.find("Cannot save"), std::string::npos) << error;
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SafeSaveTest, RefusesPathsThatCannotBeSaved) {
    const struct {
        std::string path;
        bool can_save;
    } cases[] = {
        {Path("new.zuvo"), true},
        {dir_.string(), false},                      // a folder
        {Path("missing/folder/new.zuvo"), false},    // no such folder
        {Path("pipe"), false},                       // a named pipe
        {"", false},
    };
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(CanSaveFile(c.path, &error), c.can_save) << c.path << ": " << error;
        EXPECT_EQ(SaveBytesSafely(c.path, "x", &error), c.can_save) << c.path;
    }
    EXPECT_EQ(Read(Path("new.zuvo")), "x");
    // A device is refused before anything is written (saved over, it would be replaced as root).
    EXPECT_FALSE(CanSaveFile("/dev/null"));
}

TEST_F(SafeSaveTest, LinksLeadToTheFileTheyName) {
    const std::string path = Path("voice.wav");
    Write(path, "RIFF");
    fs::create_symlink(path, Path("link.wav"));
    EXPECT_TRUE(IsSameFile(path, Path("link.wav")));
    EXPECT_TRUE(IsSameFile(path, (dir_ / "." / "voice.wav").string()));
    EXPECT_FALSE(IsSameFile(path, Path("other.wav")));
    ASSERT_TRUE(SaveBytesSafely(Path("link.wav"), "RIFF2"));
    EXPECT_TRUE(fs::is_symlink(Path("link.wav")));
    EXPECT_EQ(Read(path), "RIFF2");
}

// A link is followed to where it points, also when nothing is there yet; a loop is refused and
// every link stays a link.
TEST_F(SafeSaveTest, LinksThatPointNowhereGetTheirFileAndLoopsAreRefused) {
    fs::create_directories(dir_ / "out");
    Write(Path("old.zuvo"), "old");
    fs::create_symlink("missing.zuvo", Path("relative_dangling"));
    fs::create_symlink(Path("out/absolute.zuvo"), Path("absolute_dangling"));
    fs::create_symlink("chain_next", Path("chain"));
    fs::create_symlink("out/chain_end.zuvo", Path("chain_next"));
    fs::create_symlink("old.zuvo", Path("to_existing"));
    fs::create_symlink("self", Path("self"));
    fs::create_symlink("loop_b", Path("loop_a"));
    fs::create_symlink("loop_a", Path("loop_b"));
    fs::create_symlink("nowhere/file.zuvo", Path("into_missing_folder"));
    const struct {
        const char* saved;
        const char* written;  // where the bytes land; null when the save is refused
        const char* says;     // part of the error of a refused save
    } cases[] = {
        {"relative_dangling", "missing.zuvo", nullptr},
        {"absolute_dangling", "out/absolute.zuvo", nullptr},
        {"chain", "out/chain_end.zuvo", nullptr},
        {"to_existing", "old.zuvo", nullptr},
        {"self", nullptr, "loop"},
        {"loop_a", nullptr, "loop"},
        {"into_missing_folder", nullptr, "Cannot create a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        std::string error, can_error;
        const bool can = CanSaveFile(Path(c.saved), &can_error);
        const bool saved = SaveBytesSafely(Path(c.saved), "new", &error);
        EXPECT_EQ(saved, c.written != nullptr) << error;
        EXPECT_EQ(can, saved) << can_error;
        EXPECT_TRUE(fs::is_symlink(Path(c.saved)));
        if (c.written) {
            EXPECT_EQ(Read(Path(c.written)), "new");
        } else {
            EXPECT_NE(error.find(c.says), std::string::npos) << error;
            EXPECT_NE(can_error.find(c.says), std::string::npos) << can_error;
        }
    }
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
}

// A process id that no process has: a child that has exited and been reaped.
pid_t DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// A save killed half way through its write (here by the file-size limit's signal, as a kill or a
// crash would end it) leaves its temporary; the next save of the file removes it.
TEST_F(SafeSaveTest, TheNextSaveRemovesWhatAKilledSaveLeft) {
    const std::string path = Path("take.zuvo");
    Write(path, "old contents");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit small {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        rlimit no_core {0, 0};
        ::setrlimit(RLIMIT_CORE, &no_core);
        std::signal(SIGXFSZ, SIG_DFL);
        SaveBytesSafely(path, std::string(1 << 20, 'n'));
        ::_exit(0);  // not reached: the write past the limit kills the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    ASSERT_EQ(FilesInFolder(), 2u);  // the old file and the killed save's temporary
    EXPECT_EQ(Read(path), "old contents");

    ASSERT_TRUE(SaveBytesSafely(path, "new"));
    EXPECT_EQ(Names(), std::set<std::string>{"take.zuvo"});
    EXPECT_EQ(Read(path), "new");
}

// Only temporaries of this file whose writer is gone are removed: a running writer's (its process
// alive, or its lock held, as by a writer on another machine) and every other name stay.
TEST_F(SafeSaveTest, StaleTemporariesGoAndEverythingElseStays) {
    const std::string dead = std::to_string(DeadPid());
    const pid_t running = ::fork();  // another program saving, still at work
    if (running == 0) {
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(running, 0);
    const std::string alive = std::to_string(running);
    const std::string stale = ".take.zuvo.saving." + dead + ".a1B2c3";
    const std::string locked = ".take.zuvo.saving." + dead + ".LoCk3d";
    const std::string kept[] = {
        ".take.zuvo.saving." + alive + ".a1B2c3",   // its writer is running
        ".take.zuvo.saving." + std::to_string(::getpid()) + ".a1B2c3",  // so is this one
        locked,                                     // its writer holds the lock
        ".take.zuvo.saving." + dead + ".a1B2c",     // not our pattern: five letters
        ".take.zuvo.saving." + dead + ".a1B2c3.bak",
        ".take.zuvo.saving.0" + dead + ".a1B2c3",   // we never write a leading zero
        ".take.zuvo.saving.x" + dead + ".a1B2c3",
        ".take.zuvo.saving." + dead + ".a1-2c3",
        ".take.zuvo.a1B2c3",                        // the old pattern says nothing of its writer
        "take.zuvo.saving." + dead + ".a1B2c3",
        ".other.zuvo.saving." + dead + ".a1B2c3",   // another file's
        ".take.zuvo2.saving." + dead + ".a1B2c3",
        ".take.zuvo.saving." + dead + ".d1B2c3",    // a folder
        ".take.zuvo.saving." + dead + ".l1B2c3",    // a link
    };
    Write(Path("take.zuvo"), "old");
    Write(Path(stale.c_str()), "half written");
    for (const std::string& name : kept) {
        if (name.find(".d1B2c3") != std::string::npos) fs::create_directory(dir_ / name);
        else if (name.find(".l1B2c3") != std::string::npos) fs::create_symlink(Path("take.zuvo"), dir_ / name);
        else Write(Path(name.c_str()), "keep");
    }
    const int held = ::open(Path(locked.c_str()).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &lock), 0);

    std::string error;
    const bool saved = SaveBytesSafely(Path("take.zuvo"), "new", &error);
    ::close(held);
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);
    ASSERT_TRUE(saved) << error;

    std::set<std::string> expected(std::begin(kept), std::end(kept));
    expected.insert("take.zuvo");
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(Read(Path("take.zuvo")), "new");
}

}  // namespace
