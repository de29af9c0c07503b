// murmurex_align run as a process: a results file is never lost or reported saved when it was not,
// output paths are checked before the work, ranges and recordings without audio are refused, and
// early exits leak nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/audio/audio_test_support.h"

namespace {

const std::string kSpeech = std::string(MURMUREX_TESTDATA_DIR) + "/speech/";
const std::string kWav = kSpeech + "rms_0011_clean.wav";
const std::string kScript = kSpeech + "rms_0011_clean.txt";

std::string Tool() {
    const char* other = std::getenv("MURMUREX_ALIGN_TOOL");
    return other && *other ? other : MURMUREX_ALIGN_TOOL;
}

struct ToolRun {
    int status = -1;
    std::string out;  // stdout and stderr together
};

// Runs a shell command line with the tool as $T; SIGXFSZ is ignored so a file size limit shows as
// a failed write, the way a full disk does.
ToolRun Shell(const std::string& commandLine) {
    const std::string log = testing::TempDir() + "align_tool_" + std::to_string(::getpid()) + ".log";
    const std::string command = "T='" + Tool() + "'; trap '' XFSZ; { " + commandLine + "; } >'" + log + "' 2>&1";
    ToolRun r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(log);
    std::ostringstream s;
    s << in.rdbuf();
    r.out = s.str();
    std::remove(log.c_str());
    return r;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string FolderPath() { return testing::TempDir() + "align_tool_" + std::to_string(::getpid()); }

std::string Folder() {
    const std::string dir = FolderPath();
    ::mkdir(dir.c_str(), 0755);
    return dir + "/";
}

// A 16 kHz mono 16-bit WAV file of n silent samples.
std::string WriteWav(const std::string& path, int samples) {
    EXPECT_TRUE(audio_test::WriteBytes(path, audio_test::BuildWav(audio_test::WavSpec{}, audio_test::Pcm16(std::vector<int16_t>(samples, 0)))));
    return path;
}

// Each test's files go in one folder, removed when the test ends.
class AlignTool : public testing::Test {
protected:
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(FolderPath(), ec);
    }
};

}  // namespace

TEST_F(AlignTool, FailedSavesFailAndKeepTheOldFile) {
    const std::string dir = Folder();
    const std::string old = dir + "old.zuvo";
    const std::string keep(5000, 'k');
    std::ofstream(old, std::ios::binary) << keep;
    struct Case {
        const char* what;
        std::string commandLine;
        std::string mustKeep;  // a file that must be left byte for byte, or empty
    } cases[] = {
        {"a device", "$T --quiet --script '" + kScript + "' --out /dev/full '" + kWav + "'", ""},
        {"a missing folder",
         "$T --quiet --script '" + kScript + "' --out '" + dir + "no/such.zuvo' '" + kWav + "'", ""},
        // A 1 KiB file size limit stands for a nearly full disk: the results file is bigger.
        {"a write that fails", "ulimit -f 1; $T --quiet --script '" + kScript + "' --out '" + old + "' '" + kWav + "'",
         old},
    };
    for (const Case& c : cases) {
        const ToolRun r = Shell(c.commandLine);
        EXPECT_NE(r.status, 0) << c.what << "\n" << r.out;
        EXPECT_NE(r.out.find("cannot save"), std::string::npos) << c.what << "\n" << r.out;
        if (!c.mustKeep.empty()) {
            EXPECT_TRUE(ReadFile(c.mustKeep) == keep) << c.what << ": the old file was changed";
        }
    }
    struct stat st;
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/full was replaced";
}

TEST_F(AlignTool, RefusesToWriteOverItsInput) {
    const std::string dir = Folder();
    const std::string wav = dir + "input.wav";
    std::ofstream(wav, std::ios::binary) << ReadFile(kWav);
    const ToolRun r = Shell("$T --quiet --script '" + kScript + "' --out '" + dir + "./input.wav' '" + wav + "'");
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_TRUE(ReadFile(wav) == ReadFile(kWav)) << "the input audio was changed";
}

TEST_F(AlignTool, RefusesRecordingsAndRangesWithoutAudio) {
    const std::string dir = Folder();
    struct Case {
        const char* what;
        std::string commandLine;
    } cases[] = {
        {"header only", "$T --quiet --script '" + kScript + "' '" + WriteWav(dir + "empty.wav", 0) + "'"},
        {"one sample", "$T --quiet --script '" + kScript + "' '" + WriteWav(dir + "one.wav", 1) + "'"},
        {"one sample, textless", "$T --quiet '" + WriteWav(dir + "one.wav", 1) + "'"},
        {"start past the end", "$T --quiet --script '" + kScript + "' --start-ms 60000 '" + kWav + "'"},
        {"start at the int limit", "$T --quiet --script '" + kScript + "' --start-ms 2147483647 '" + kWav + "'"},
        {"zero length", "$T --quiet --script '" + kScript + "' --length-ms 0 '" + kWav + "'"},
        {"a model that does not read", "$T --quiet --model '" + kScript + "' '" + kWav + "'"},
    };
    for (const Case& c : cases) {
        const ToolRun r = Shell(c.commandLine);
        EXPECT_NE(r.status, 0) << c.what << "\n" << r.out;
        EXPECT_EQ(r.out.find("\n1 "), std::string::npos) << c.what << ": records printed\n" << r.out;
        // Early exits free the recording (seen in the sanitizer build).
        EXPECT_EQ(r.out.find("LeakSanitizer"), std::string::npos) << c.what << "\n" << r.out;
    }
}

TEST_F(AlignTool, HugeLengthAlignsToTheEndWithTimesInsideTheRecording) {
    const ToolRun r = Shell("$T --quiet --print --builtin-trigram --start-ms 500 --length-ms 2147483647 '" + kWav + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    std::istringstream lines(r.out);
    int type = 0, start = 0, end = 0, count = 0;
    std::string rest;
    while (lines >> type >> start >> end && std::getline(lines, rest)) {
        ++count;
        EXPECT_GE(start, 500);
        EXPECT_GE(end, start);
    }
    EXPECT_GT(count, 3);
}

// A cut tag holds a time of the recording, also when --start-ms aligns only a later part: a tag
// where two words meet leaves the words and their times as they are without it.
TEST_F(AlignTool, CutTagsAreTimesOfTheRecordingWithAStart) {
    struct Word {
        int start, end;
        std::string text;
    };
    const auto words = [](const std::string& out) {
        std::vector<Word> found;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            int type = 0;
            Word w;
            if (!(fields >> type >> w.start >> w.end) || type != 2) continue;
            w.text = line.substr(line.find('"'));
            found.push_back(w);
        }
        return found;
    };
    const std::string dir = Folder();
    const std::string args = "$T --quiet --print --start-ms 150 --script ";
    const ToolRun plain = Shell(args + "'" + kScript + "' '" + kWav + "'");
    ASSERT_EQ(plain.status, 0) << plain.out;
    const std::vector<Word> expected = words(plain.out);
    ASSERT_GE(expected.size(), 4u);

    // The tag before the third word, at the time found for it.
    std::string text = ReadFile(kScript);
    const size_t third = text.find(' ', text.find(' ') + 1) + 1;
    text.insert(third, "<cut ms=\"" + std::to_string(expected[2].start) + "\"/> ");
    const std::string tagged = dir + "tagged.txt";
    std::ofstream(tagged, std::ios::binary) << text;
    const ToolRun r = Shell(args + "'" + tagged + "' '" + kWav + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::vector<Word> got = words(r.out);
    ASSERT_EQ(got.size(), expected.size()) << r.out;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].text, expected[i].text);
        EXPECT_NEAR(got[i].start, expected[i].start, 40) << got[i].text;
        EXPECT_NEAR(got[i].end, expected[i].end, 40) << got[i].text;
    }
}

// Input files are read within bounds, and what the script holds that is not read as written is
// reported, not silently dropped.
TEST_F(AlignTool, BoundsItsInputsAndReportsScriptWarnings) {
    const std::string dir = Folder();
    const ToolRun model = Shell("$T --quiet --model /dev/zero --script '" + kScript + "' '" + kWav + "'");
    EXPECT_NE(model.status, 0) << model.out;
    EXPECT_NE(model.out.find("/dev/zero"), std::string::npos) << model.out;

    const std::string script = dir + "bracket.txt";
    std::ofstream(script, std::ios::binary) << ReadFile(kScript) << " [unclosed";
    const ToolRun r = Shell("$T --quiet --print --script '" + script + "' '" + kWav + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("warning: script line 2: '[' without a ']'"), std::string::npos) << r.out;
}

// What is wrong with a file the tool is given is said with the file's name, as the program says
// it: never "not a valid WAV file" for what is no WAV file, nor "internal error".
TEST_F(AlignTool, NamesTheFileAndWhatIsWrongWithIt) {
    const std::string dir = Folder();
    std::filesystem::create_directories(dir + "folder.wav");
    ASSERT_EQ(::mkfifo((dir + "pipe.wav").c_str(), 0600), 0);
    std::ofstream(dir + "junk.mp3", std::ios::binary) << std::string(400, 'j');
    std::ofstream(dir + "junk.ogg", std::ios::binary) << "OggS" << std::string(400, 'j');
    std::ofstream(dir + "damaged.sph", std::ios::binary) << "NIST_1A\n   1024\nthe header ends here";
    std::ofstream(dir + "music.flac", std::ios::binary) << std::string("fLaC\0\0\0\x22", 8) << std::string(400, 'f');
    // Lexicons: a header and nothing of its packed block; a header of version 2.
    const std::string tail = std::string("\0Lingo\0\x07\0\0\0\0\0\0\0", 15);
    std::ofstream(dir + "damaged.zlex", std::ios::binary) << "TCID\x01" << tail;
    std::ofstream(dir + "newer.zlex", std::ios::binary) << "TCID\x02" << tail << "PCVZ";
    std::ofstream(dir + "bad.txt", std::ios::binary) << "mpb 180\nq 240\n";
    const std::string text = "$T --quiet --script '" + kScript + "' ";
    struct Case {
        std::string file;  // named in the message
        std::string commandLine;
        int code;
        const char* says;
    } cases[] = {
        {dir + "folder.wav", text + "'" + dir + "folder.wav'", 30, "is a folder, not an ordinary file"},
        {"/dev/null", text + "/dev/null", 31, "is a device, not an ordinary file"},
        // A pipe without a writer is refused without waiting for one.
        {dir + "pipe.wav", "timeout 60 " + text + "'" + dir + "pipe.wav'", 32, "is a pipe, not an ordinary file"},
        {dir + "junk.mp3", text + "'" + dir + "junk.mp3'", 37, "is not a readable MP3 file"},
        {dir + "junk.ogg", text + "'" + dir + "junk.ogg'", 38, "is not a readable Ogg Vorbis file"},
        {dir + "damaged.sph", text + "'" + dir + "damaged.sph'", 35, "is not a valid NIST sphere file"},
        {dir + "music.flac", text + "'" + dir + "music.flac'", 34, "is not a recording this program reads"},
        {dir + "damaged.zlex", text + "--lexicon '" + dir + "damaged.zlex' '" + kWav + "'", 39,
         "the lexicon file is damaged"},
        {dir + "newer.zlex", text + "--lexicon '" + dir + "newer.zlex' '" + kWav + "'", 21,
         "made by a newer version of the program"},
        {dir + "bad.txt", text + "--constraints '" + dir + "bad.txt' '" + kWav + "'", 40, "\"q\" is not a phoneme code"},
        {dir + "folder.wav", "$T --quiet --trigram '" + dir + "folder.wav' '" + kWav + "'", 30, "is a folder"},
    };
    for (const Case& c : cases) {
        const ToolRun r = Shell(c.commandLine);
        EXPECT_EQ(r.status, c.code) << c.file << "\n" << r.out;
        EXPECT_NE(r.out.find(c.file), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.file << "\n" << r.out;
        EXPECT_EQ(r.out.find("not a valid WAV file"), std::string::npos) << c.file << "\n" << r.out;
        EXPECT_EQ(r.out.find("internal error"), std::string::npos) << c.file << "\n" << r.out;
    }
}

// The tests' own files go with them: a run leaves nothing in the temporary folder.
TEST(AlignToolTests, LeaveNothingInTheTemporaryFolder) {
    char pattern[] = "/tmp/align_tool_tmp_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string tmp = std::string(pattern) + "/";
    const std::string run = "TEST_TMPDIR='" + tmp + "' /proc/" + std::to_string(::getpid()) +
                            "/exe --gtest_filter='AlignTool.RefusesToWriteOverItsInput:AlignTool.RefusesRecordings*' "
                            ">/dev/null 2>&1";
    const int status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(tmp)) left.push_back(entry.path().string());
    EXPECT_TRUE(left.empty()) << left.front();
    std::filesystem::remove_all(tmp);
}
