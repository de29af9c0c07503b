// Opening without a document: a results file finds its recording or asks for it, what the
// Output Window is to say comes back in order however opening ends, and recordings that cannot
// be loaded say why. The document's own use of the result is in phonarc_doc_test.cpp.
#include "app/core/document_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/core/document_test_support.h"
#include "app/core/prompts.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

namespace fs = std::filesystem;
using audio_test::BuildWav;
using audio_test::Pcm16;
using audio_test::WavSpec;
using audio_test::WriteBytes;
using document_test::kBase;
using document_test::kSpeech;

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class DocumentOpenTest : public document_test::DocumentFixture {
protected:
    // The plain reader, and an articulator that notes the tracks it was given.
    document_opener Opener() {
        document_opener opener;
        opener.host = &host_;
        opener.read_results = [](sync_results_file& file, std::istream& in, std::ostream& errors) {
            return file.read(in, errors);
        };
        opener.articulate = [this](app_sync_results* track) {
            articulated_.push_back(track->phonemes.size());
        };
        return opener;
    }
    std::vector<size_t> articulated_;
};

TEST_F(DocumentOpenTest, ResultsFileFindsItsRecordingOrAsksForIt) {
    CopySpeech(".wav", "take.wav");
    CopySpeech(".wav", "chosen.wav");
    const std::string chosen = (dir_ / "chosen.wav").string();
    struct Case {
        const char* audio_line;
        std::vector<std::string> files;  // what the file dialog answers; none is a cancel
        bool ok, relinked;
        std::string audio_path;
        const char* question;  // the message before the dialog; null when nothing is asked
    } cases[] = {
        {"audio C:\\elsewhere\\take.wav\n", {}, true, false, (dir_ / "take.wav").string(), nullptr},
        {"audio gone.wav\n", {chosen}, true, true, chosen, "Sorry, the audio file specified"},
        {"audio gone.wav\n", {}, false, false, "", "Sorry, the audio file specified"},
        {"", {}, false, false, "", "there was no audio file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.audio_line);
        Write(dir_ / "x.zuvo",
              std::string("version 1.2\n") + c.audio_line + "phn 0 100 0 AA\nphn 100 200 0 b\nend_markers\n");
        prompts_ = CScriptedPrompts();
        for (const std::string& f : c.files) prompts_.files.push_back(f);
        articulated_.clear();
        const opened_document opened = OpenDocumentFile((dir_ / "x.zuvo").string(), Opener());
        EXPECT_EQ(opened.ok, c.ok);
        EXPECT_EQ(opened.relinked, c.relinked);
        EXPECT_EQ(prompts_.fileRequests.size(), c.question ? 1u : 0u);
        // The question only: a failure is the caller's to show, after the Output Window's texts.
        ASSERT_EQ(prompts_.messages.size(), c.question ? 1u : 0u);
        if (c.question) {
            EXPECT_EQ(prompts_.messages[0].rfind(c.question, 0), 0u) << prompts_.messages[0];
        }
        EXPECT_TRUE(opened.report.empty());
        if (!c.ok) {
            EXPECT_FALSE(opened.audio);
            EXPECT_TRUE(Contains(opened.failure, "nothing was opened")) << opened.failure;
            continue;
        }
        EXPECT_TRUE(opened.failure.empty()) << opened.failure;
        EXPECT_TRUE(opened.from_results);
        EXPECT_EQ(opened.file.audio_path, c.audio_path);
        ASSERT_TRUE(opened.audio && opened.range);
        EXPECT_GT(opened.audio->GetFrameCount(), 30000);
        EXPECT_EQ(opened.file.results.phonemes.size(), 2u);
        EXPECT_EQ(articulated_, std::vector<size_t>{2});  // a track without keys gets them, once
    }
}

// The Output Window's texts: what loading the recording said, then the reader's lines with the
// fitting's, under the results file's path; the reader's are kept when opening fails after it.
// A results file whose lines end with a carriage return alone opens as the same file with line
// feeds: its recording is found and its records and script read, nothing asked.
TEST_F(DocumentOpenTest, ResultsFileWithCarriageReturnLinesReadsAsLines) {
    CopySpeech(".wav", "take.wav");
    const std::string lines[] = {"version 1.2", "audio take.wav", "phn 0 100 0 AA", "word 0 100 hello",
                                 "%%-begin-zuvo-text-%% hello", "there", "%%-end-zuvo-text-%%", "end_markers"};
    std::string text;
    for (const std::string& line : lines) text += line + "\r";
    Write(dir_ / "mac.zuvo", text);
    const opened_document opened = OpenDocumentFile((dir_ / "mac.zuvo").string(), Opener());
    EXPECT_TRUE(opened.ok) << opened.failure;
    EXPECT_EQ(opened.file.audio_path, (dir_ / "take.wav").string());
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_TRUE(prompts_.fileRequests.empty());
    ASSERT_EQ(opened.file.results.phonemes.size(), 1u);
    ASSERT_EQ(opened.file.results.words.size(), 1u);
    EXPECT_EQ(opened.file.results.words[0].label, "hello");
    EXPECT_EQ(opened.file.script_text, "hello\nthere");
}

TEST_F(DocumentOpenTest, ReportComesBackInOrderHoweverOpeningEnds) {
    WavSpec spec;
    spec.dataSize = 32000;  // announces a second, holds a tenth
    ASSERT_TRUE(
        WriteBytes((dir_ / "cut.wav").string(), BuildWav(spec, Pcm16(std::vector<int16_t>(1600, 1000)))));
    const std::string records = "phn 0 50 50 AA\nphn 300 200 50 AA\nphn 50 5000 50 b\nend_markers\n";
    const std::string zuvo = (dir_ / "odd.zuvo").string();
    const std::string reader_line = "Line[4]: 'phn' record ends at 200 before it starts at 300";
    const std::string fit_line =
        "Warning: Line[5]: markers reach 5.000 s, past the end of the recording at 0.100 s: 1 cut to fit it, "
        "0 outside "
        "it left out.\n";

    Write(zuvo, "version 1.2\naudio cut.wav\n" + records);
    opened_document opened = OpenDocumentFile(zuvo, Opener());
    ASSERT_TRUE(opened.ok) << opened.failure;
    ASSERT_EQ(opened.report.size(), 2u);
    EXPECT_EQ(
        opened.report[0].rfind((dir_ / "cut.wav").string() + ":\nWarning: the recording is cut short", 0), 0u)
        << opened.report[0];
    EXPECT_EQ(opened.report[1].rfind(zuvo + ":\n", 0), 0u) << opened.report[1];
    EXPECT_TRUE(Contains(opened.report[1], reader_line)) << opened.report[1];
    EXPECT_EQ(opened.report[1].substr(opened.report[1].size() - fit_line.size()), fit_line);
    EXPECT_EQ(opened.file.results.phonemes.size(), 2u);

    // No recording chosen: the reader's lines still come back, and nothing is fitted.
    Write(zuvo, "version 1.2\naudio gone.wav\n" + records);
    opened = OpenDocumentFile(zuvo, Opener());
    EXPECT_FALSE(opened.ok);
    ASSERT_EQ(opened.report.size(), 1u);
    EXPECT_TRUE(Contains(opened.report[0], reader_line)) << opened.report[0];
    EXPECT_FALSE(Contains(opened.report[0], "cut to fit")) << opened.report[0];

    // A file that stops reading: the line, and a failure pointing at it; no recording asked for.
    Write(zuvo, "version 1.2\naudio cut.wav\nphn 0 100 0 AA\nbogus 1 2 3\nend_markers\n");
    prompts_ = CScriptedPrompts();
    opened = OpenDocumentFile(zuvo, Opener());
    EXPECT_FALSE(opened.ok);
    ASSERT_EQ(opened.report.size(), 1u);
    EXPECT_TRUE(Contains(opened.report[0], "Line[4]")) << opened.report[0];
    EXPECT_TRUE(Contains(opened.failure, "could not be read: see the Output Window")) << opened.failure;
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(prompts_.fileRequests.empty());
}

// What is wrong with a recording that won't load is said as it is, never as a damaged WAV file.
TEST_F(DocumentOpenTest, AudioThatCannotBeLoadedSaysWhatIsWrong) {
    const fs::path fifo = dir_ / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir_ / "folder.wav");
    Write(dir_ / "empty.mp3", "");
    Write(dir_ / "damaged.mp3", std::string("ID3\x04\0\0\0\0\0\0", 10) + "no frames here at all");
    Write(dir_ / "damaged.ogg", "OggS and then nothing that decodes");
    Write(dir_ / "damaged.sph", "NIST_1A\n   1024\nthe header ends here");
    Write(dir_ / "music.flac", std::string("fLaC\0\0\0\x22", 8) + "stream info and frames");
    ASSERT_TRUE(WriteBytes((dir_ / "silent.wav").string(), BuildWav(WavSpec(), {})));
    struct Case {
        fs::path path;
        const char* says;
    } cases[] = {
        {dir_ / "folder.wav", "is a folder, not an ordinary file"},
        {fifo, "is a pipe, not an ordinary file"},
        {"/dev/null", "is a device, not an ordinary file"},
        {dir_ / "empty.mp3", "is not a readable MP3 file"},
        {dir_ / "damaged.mp3", "is not a readable MP3 file"},
        {dir_ / "damaged.ogg", "is not a readable Ogg Vorbis file"},
        {dir_ / "damaged.sph", "is not a valid NIST sphere file"},
        {dir_ / "music.flac", "is not a recording this program reads"},
        {dir_ / "silent.wav", "holds no sound: the recording has no samples"},
        {dir_ / "absent.wav", "could not be found"},
    };
    for (const Case& c : cases) {
        const loaded_audio loaded = LoadAudio(host_, c.path.string());
        EXPECT_FALSE(loaded.audio || loaded.range) << c.path;
        EXPECT_TRUE(Contains(loaded.why, c.says)) << loaded.why;
        EXPECT_TRUE(Contains(loaded.why, c.path.string())) << loaded.why;
        EXPECT_FALSE(Contains(loaded.why, "not a valid WAV file")) << loaded.why;
    }
}

TEST_F(DocumentOpenTest, AudioPathsFromOtherSystemsAreLookedForBesideTheResultsFile) {
    const std::string results = "/work/takes/a.zuvo";
    const struct {
        const char* audio;
        std::vector<std::string> candidates;
    } cases[] = {
        {"C:\\Users\\me\\take.wav", {"/Users/me/take.wav", "/work/takes/take.wav"}},
        {"take.wav", {"/work/takes/take.wav", "take.wav"}},
        {"sub\\take.wav", {"/work/takes/sub/take.wav", "sub/take.wav", "/work/takes/take.wav"}},
        {"/data/take.wav", {"/data/take.wav", "/work/takes/take.wav"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(AudioPathCandidates(c.audio, results), c.candidates) << c.audio;
}

}  // namespace
