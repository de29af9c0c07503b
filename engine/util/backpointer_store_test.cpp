// The backpointer store reads back exactly what was added, wherever the budget put each frame,
// and leaves no spill file behind.
#include "engine/util/backpointer_store.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/util/error_codes.h"

namespace {

constexpr int kBeam = 6;
constexpr int kRow = 40;
constexpr int kFrames = 25;

struct Frame {
    int base;
    std::vector<NBestEntry> entries;
};

// Frames whose windows move along the lattice, with some pruned entries.
std::vector<Frame> MakeFrames() {
    std::mt19937 rng(1234);
    std::vector<Frame> frames;
    for (int f = 0; f < kFrames; ++f) {
        Frame frame {f * 3, {}};
        const int n = 1 + static_cast<int>(rng() % kBeam);
        std::vector<int> offsets(kRow);
        for (int i = 0; i < kRow; ++i) offsets[i] = i;
        std::shuffle(offsets.begin(), offsets.end(), rng);  // distinct nodes within a frame
        for (int i = 0; i < n; ++i) {
            const int node = frame.base + offsets[i];
            const int pred = frame.base + static_cast<int>(rng() % kRow);
            const int live = rng() % 4 != 0;
            frame.entries.push_back({live ? node : -1, pred, -static_cast<double>(rng() % 1000)});
        }
        frames.push_back(frame);
    }
    return frames;
}

// Every file in a private temporary folder, so leftovers show.
class SpillFolder {
public:
    SpillFolder() {
        char templ[] = "/tmp/murmurex_spillXXXXXX";
        dir_ = ::mkdtemp(templ);
        if (const char* old = std::getenv("TMPDIR")) saved_ = old, had_ = true;
        ::setenv("TMPDIR", dir_.c_str(), 1);
    }
    ~SpillFolder() {
        if (had_) ::setenv("TMPDIR", saved_.c_str(), 1); else ::unsetenv("TMPDIR");
        for (const std::string& f : Files()) ::unlink((dir_ + "/" + f).c_str());
        ::rmdir(dir_.c_str());
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(dir_.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            ::closedir(d);
        }
        return names;
    }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_, saved_;
    bool had_ = false;
};

}  // namespace

TEST(BackpointerStore, ReadsBackEveryFrameInReverseWhateverTheBudget) {
    const std::vector<Frame> frames = MakeFrames();
    const struct {
        const char* what;
        int budget;
        int spilledAtLeast;
        int spilledAtMost;
    } cases[] = {{"budget 0: all spilled", 0, kFrames, kFrames},
                 {"partial", 150, 1, kFrames - 1},
                 {"all in memory", 1 << 30, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SpillFolder folder;
        const std::string path = MakeTempFileName("zuvotemp.bin");
        ASSERT_EQ(path.rfind(folder.dir() + "/zuvobuild", 0), 0u) << path;
        {
            CBackpointerStore store;
            ASSERT_EQ(store.Open(path.c_str(), kBeam, kRow, c.budget), kErrNone);
            EXPECT_TRUE(folder.Files().empty());  // the name is gone as soon as it is open

            CNBestList list;
            ASSERT_TRUE(list.Init(kBeam));
            std::vector<double> scores(kFrames * 3 + kRow, 0.0);
            for (const Frame& f : frames) {
                list.Reset();
                for (const NBestEntry& e : f.entries) list.Insert(e.node == -1 ? f.base : e.node, e.pred, e.score);
                for (int i = 0; i < list.count; ++i) list.entries[i].node = f.entries[i].node;
                ASSERT_EQ(store.AddFrame(f.base, list, scores.data()), kErrNone);
                for (const NBestEntry& e : f.entries)
                    if (e.node != -1) {
                        EXPECT_EQ(scores[e.node], e.score);
                    }
            }
            EXPECT_GE(store.GetFramesSpilled(), c.spilledAtLeast);
            EXPECT_LE(store.GetFramesSpilled(), c.spilledAtMost);

            // Reference: the same row rewritten in memory from the last frame back.
            std::vector<int> expected(kRow, 0);
            int* row = store.BeginRead();
            for (int f = kFrames - 1; f >= 0; --f) {
                for (const NBestEntry& e : frames[f].entries)
                    if (e.node != -1) expected[e.node - frames[f].base] = e.pred;
                ASSERT_NE(row, nullptr) << "frame " << f;
                ASSERT_EQ(std::vector<int>(row, row + kRow), expected) << "frame " << f;
                row = store.ReadPrevious();
            }
            EXPECT_EQ(row, nullptr);  // reading ends after the first frame
        }
        EXPECT_TRUE(folder.Files().empty());
    }
}

TEST(BackpointerStore, OpenErrorsAndEmptyStore) {
    CBackpointerStore store;
    EXPECT_EQ(store.Open(nullptr, kBeam, kRow, 0), kErrInvalidArgument);
    EXPECT_EQ(store.Open("/nonexistent-folder/zuvobuild", kBeam, kRow, 0), kErrFileInUse);
    SpillFolder folder;
    const std::string path = MakeTempFileName("zuvotemp.bin");
    EXPECT_EQ(store.Open(path.c_str(), 0, kRow, 0), kErrInvalidArgument);
    EXPECT_TRUE(folder.Files().empty());  // refused, but the made name is removed all the same
    CBackpointerStore empty;
    ASSERT_EQ(empty.Open(MakeTempFileName("x").c_str(), kBeam, kRow, 0), kErrNone);
    EXPECT_EQ(empty.BeginRead(), nullptr);
    EXPECT_EQ(empty.ReadPrevious(), nullptr);
}

// The descriptor of the open spill file, found by its removed name.
int SpillDescriptor(const std::string& path) {
    for (int fd = 3; fd < 1024; ++fd) {
        char target[512];
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path + " (deleted)") return fd;
    }
    return -1;
}

TEST(BackpointerStore, DamagedSpillFileGivesNullRowsInsteadOfStrayWrites) {
    const struct {
        const char* what;
        std::int64_t offsetFromEnd;
        unsigned char bytes[2];
    } damages[] = {{"count beyond the beam", 2, {0xFF, 0xFF}},
                   {"node beyond the row", 6 + 4, {0xFF, 0x7F}}};
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        SpillFolder folder;
        const std::string path = MakeTempFileName("zuvotemp.bin");
        CBackpointerStore store;
        ASSERT_EQ(store.Open(path.c_str(), kBeam, kRow, 0), kErrNone);
        CNBestList list;
        ASSERT_TRUE(list.Init(kBeam));
        std::vector<double> scores(kRow * 2, 0.0);
        for (int f = 0; f < 3; ++f) {
            list.Reset();
            list.Insert(f + 1, f, -1.0);
            ASSERT_EQ(store.AddFrame(f, list, scores.data()), kErrNone);
        }
        const int fd = SpillDescriptor(path);
        ASSERT_GE(fd, 0);
        const off_t size = ::lseek(fd, 0, SEEK_END);
        ASSERT_EQ(::pwrite(fd, d.bytes, 2, size - d.offsetFromEnd), 2);
        EXPECT_EQ(store.BeginRead(), nullptr);
        EXPECT_EQ(store.ReadPrevious(), nullptr);
    }
}

TEST(MakeTempFileName, PrefixIsTheNameAfterItsLastSeparator) {
    SpillFolder folder;
    const struct {
        const char* name;
        const char* prefix;
    } cases[] = {{"zuvotemp.bin", "zuvobuild"}, {"C:\\temp\\b.bin", "b.bin"}, {"/var/tmp/c.bin", "c.bin"},
                 {nullptr, "zuvobuild"}};
    for (const auto& c : cases) {
        const std::string path = MakeTempFileName(c.name);
        EXPECT_EQ(path.rfind(folder.dir() + "/" + c.prefix, 0), 0u) << path;
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);  // made, empty, waiting to be opened
        EXPECT_EQ(st.st_size, 0);
    }
}
