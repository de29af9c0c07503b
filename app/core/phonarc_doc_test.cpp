// The document on the bundled utterance with a scripted host: opening recordings and results
// files with their side files, missing audio, cancelled loads, edits, undo, import, atomic saves
// and the close question.
#include "app/core/phonarc_doc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/core/document_commands.h"
#include "app/core/document_test_support.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
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

// Cancels at its first report.
class cancelling_progress : public document_progress {
public:
    void SetStatusText(const char*) override {}
    bool Progress(int, int) override { return true; }
};

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A track as the results file writes it: equal text, equal markers.
std::string TrackText(const app_sync_results& track) {
    sync_results_file f;
    f.results = track;
    std::ostringstream out;
    f.write(out, 0, kWriteAll & ~kWriteHeader);
    return out.str();
}

class DocumentTest : public document_test::DocumentFixture {
protected:
    // The utterance's recording (and, when asked, its script) copied under a new base name.
    fs::path CopyRecording(const std::string& base, bool with_script) {
        fs::copy_file(kSpeech / (std::string(kBase) + ".wav"), dir_ / (base + ".wav"));
        if (with_script) fs::copy_file(kSpeech / (std::string(kBase) + ".txt"), dir_ / (base + ".txt"));
        return dir_ / (base + ".wav");
    }
    std::unique_ptr<CPhonarcDoc> Open(const fs::path& path) {
        auto doc = std::make_unique<CPhonarcDoc>(host_);
        if (!doc->OnOpenDocument(path.string())) return nullptr;
        return doc;
    }
};

TEST_F(DocumentTest, SettingsDefaultTogglesAndWhatIsStored) {
    CPhonarcDoc doc(host_);
    EXPECT_EQ(doc.settings().model_uri, "GENERIC_HMM");
    EXPECT_TRUE(doc.settings().LipsyncEntireFile);
    EXPECT_TRUE(doc.settings().UseTrigram);
    EXPECT_FALSE(doc.UpdateUndo().enabled);
    EXPECT_FALSE(doc.UpdateRedo().enabled);
    doc.settings().OnToggleEnergy();
    doc.settings().OnToggleSmoothing();
    doc.settings().OnToggleSecondChannel();
    EXPECT_TRUE(doc.settings().UpdateSmoothing().checked);
    EXPECT_EQ(doc.GetRecognitionTrack(), 2);
    EXPECT_EQ(profile_.GetInt("UI", "LipsyncwithEnergy", 0), 1);
    EXPECT_EQ(profile_.GetInt("UI", "ArtFlags", 0), 1);
    CPhonarcDoc next(host_);
    EXPECT_TRUE(next.settings().LipsyncwithEnergy);
    EXPECT_FALSE(next.settings().second_channel);  // never stored
    EXPECT_EQ(next.GetRecognitionTrack(), 1);
    EXPECT_EQ(next.settings().UpdateArticulatorExternal().text, "<no external file>");
    EXPECT_FALSE(next.settings().UpdateArticulatorExternal().enabled);
}

TEST_F(DocumentTest, RecordingOpensWithItsScriptAndPhonemeFile) {
    const fs::path wav = CopyRecording("take", true);
    Write(dir_ / "take.phn", "3200 4800 AA\n4800 6400 b\nbroken line\n8000 9600 k\n");
    auto doc = Open(wav);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->results_file().script_text, Read(kSpeech / (std::string(kBase) + ".txt")));
    const phn_marker_list& phn = doc->track(0).phonemes;
    ASSERT_EQ(phn.size(), 2u);  // reading stops at the first line without three fields
    EXPECT_EQ(phn[0].start, 200);
    EXPECT_EQ(phn[0].end, 300);
    EXPECT_EQ(phn[0].label, "AA");
    EXPECT_FLOAT_EQ(phn[0].value, 75.0f);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->WindowTitle(), "The Phonarc! - take.wav");
    EXPECT_GT(doc->audio()->GetFrameCount(), 30000);
}

TEST_F(DocumentTest, ResultsFileOpensWithAudioScriptAndArticulation) {
    CopyRecording("take", true);
    Write(dir_ / "take.phn", "3200 4800 AA\n");
    // Capital extension, no script block, an audio path written on Windows, a UTF-8 byte-order
    // mark from an editor.
    std::string zuvo = "\xEF\xBB\xBF" + Read(kSpeech / (std::string(kBase) + ".zuvo"));
    zuvo.replace(zuvo.find("audio "), zuvo.find('\n', zuvo.find("audio ")) - zuvo.find("audio "),
                 "audio C:\\Users\\someone\\take.wav");
    Write(dir_ / "take.ZUVO", zuvo);
    auto doc = Open(dir_ / "take.ZUVO");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();  // found beside the file
    EXPECT_EQ(doc->results_file().audio_path, (dir_ / "take.wav").string());
    EXPECT_TRUE(doc->opened_from_results());
    EXPECT_EQ(doc->results_file().script_text, Read(kSpeech / (std::string(kBase) + ".txt")));
    EXPECT_TRUE(doc->track(0).phonemes.empty());  // no ".phn" for a results file
    EXPECT_EQ(doc->track(1).phonemes.size(), 27u);
    EXPECT_FALSE(doc->track(1).articulation.empty());  // built from the phonemes
}

TEST_F(DocumentTest, MissingAudioAsksAndCancelGivesNoDocument) {
    struct Case {
        const char* audio_line;
        const char* message_start;
    } cases[] = {
        {"", "there was no audio file"},
        {"audio /nowhere/gone.wav\n", "Sorry, the audio file specified"},
    };
    for (const Case& c : cases) {
        Write(dir_ / "x.zuvo", std::string("version 1.2\n") + c.audio_line + "phn 0 100 0 AA\nend_markers\n");
        prompts_ = CScriptedPrompts();
        prompts_.answers = {PromptAnswer::Ok};
        EXPECT_FALSE(Open(dir_ / "x.zuvo")) << c.audio_line;
        // The question, then, once the dialog is cancelled, that nothing was opened.
        ASSERT_EQ(prompts_.messages.size(), 2u);
        EXPECT_EQ(prompts_.messages[0].rfind(c.message_start, 0), 0u) << prompts_.messages[0];
        EXPECT_NE(prompts_.messages[1].find("nothing was opened"), std::string::npos) << prompts_.messages[1];
        ASSERT_EQ(prompts_.fileRequests.size(), 1u);
        EXPECT_EQ(prompts_.fileRequests[0].title, "Select audio file for ZUVO file");
        const auto filter = SplitFileFilter(prompts_.fileRequests[0].filter);
        ASSERT_EQ(filter.size(), 4u);
        EXPECT_EQ(filter[0].second, "*.wav");
        EXPECT_EQ(filter[1].second, "*.mp3");
        EXPECT_EQ(filter[2].second, "*.ogg");
        EXPECT_EQ(filter[3].second, "*.*");
    }
    // The message names every place the file was looked for.
    EXPECT_NE(prompts_.messages[0].find("/nowhere/gone.wav"), std::string::npos) << prompts_.messages[0];
    EXPECT_NE(prompts_.messages[0].find((dir_ / "gone.wav").string()), std::string::npos) << prompts_.messages[0];
    // Answering the question opens the chosen recording; the new link is a change to save.
    const fs::path wav = CopyRecording("chosen", false);
    prompts_ = CScriptedPrompts();
    prompts_.files = {wav.string()};
    auto doc = Open(dir_ / "x.zuvo");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->results_file().audio_path, wav.string());
    EXPECT_TRUE(doc->IsModified());
    prompts_.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(doc->SaveModified());  // closing asks
}

// Markers beyond the recording would make opening work (and allocate) for the time they claim:
// they are cut to the recording or left out, with one line in the log naming the record.
TEST_F(DocumentTest, ResultsFileMarkersOutsideTheRecordingAreFitToIt) {
    CopyRecording("take", false);
    struct Case {
        const char* records;
        int line;  // of the record the log names
        const char* says;
        size_t phonemes, words;
    } cases[] = {
        // One phoneme to the end of time and no articulation keys: those are built on open.
        {"phn 0 2147483647 0 AA\n", 3, "reach 2147483.647 s, past the end of the recording at 2.009 s: 1 cut to fit it, 0",
         1, 0},
        {"phn 0 100 50 AA\nphn 100 900000 50 b\nphn 900000 900100 50 k\nword 950000 960000 far\n", 6,
         "reach 960.000 s, past the end of the recording at 2.009 s: 1 cut to fit it, 2 outside it left out", 2, 0},
        {"word -400 200 early\nphn 0 100 50 AA\n", 3, "start at -0.400 s, before the recording: 1 cut", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        Write(dir_ / "far.zuvo", std::string("version 1.2\naudio take.wav\n") + c.records + "end_markers\n");
        log_.text.clear();
        auto doc = Open(dir_ / "far.zuvo");
        ASSERT_TRUE(doc);
        const int length = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));
        const app_sync_results& t = doc->track(1);
        EXPECT_EQ(t.phonemes.size(), c.phonemes);
        EXPECT_EQ(t.words.size(), c.words);
        for (const phn_marker& p : t.phonemes) EXPECT_LE(p.end, length);
        for (const og_marker& w : t.words) EXPECT_GE(w.start, 0);
        ASSERT_FALSE(t.articulation.empty());
        EXPECT_LE(t.articulation.back().end, length + 100);
        EXPECT_EQ(std::count(log_.text.begin(), log_.text.end(), '\n'), 2) << log_.text;  // the path, one line
        EXPECT_NE(log_.text.find("Warning: Line[" + std::to_string(c.line) + "]: markers " + c.says), std::string::npos)
            << log_.text;
    }
}

// Records a reader can't place are reported, once per kind with their first line, and the
// document opens with the rest.
TEST_F(DocumentTest, DoubtfulResultsRecordsAreReportedAndTheRestOpens) {
    CopyRecording("take", false);
    std::string records = "phn 0 100 50 AA\nphn 300 200 50 AA\n";
    for (int i = 0; i < 1000; ++i) records += "phn " + std::to_string(1000 + i) + " " + std::to_string(999 + i) + " 5 b\n";
    records += "phn 100 200 50 QQ\nword 0 200 hello\n";
    Write(dir_ / "odd.zuvo", "version 1.2\naudio take.wav\n" + records + "end_markers\n");
    auto doc = Open(dir_ / "odd.zuvo");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(prompts_.messages.empty());
    const app_sync_results& t = doc->track(1);
    ASSERT_EQ(t.phonemes.size(), 2u);
    EXPECT_EQ(t.phonemes[1].label, "QQ");  // kept as written
    EXPECT_EQ(t.words.size(), 1u);
    EXPECT_NE(log_.text.find("Line[4]: 'phn' record ends at 200 before it starts at 300: left out (1000 more like it)"),
              std::string::npos)
        << log_.text;
    EXPECT_NE(log_.text.find("Line[1005]: 'QQ' is not a phoneme code"), std::string::npos) << log_.text;
    EXPECT_EQ(std::count(log_.text.begin(), log_.text.end(), '\n'), 3) << log_.text;
}

// A results file whose recording is no ordinary file says so before asking for another; a
// recording cut short opens with what it holds and a line in the log.
TEST_F(DocumentTest, AudioThatCannotBeOpenedSaysWhatIsWrong) {
    fs::create_directories(dir_ / "folder.wav");
    // A results file whose recording is a folder says so before asking for another.
    Write(dir_ / "linked.zuvo", "version 1.2\naudio folder.wav\nphn 0 100 0 AA\nend_markers\n");
    prompts_ = CScriptedPrompts();
    EXPECT_FALSE(Open(dir_ / "linked.zuvo"));
    ASSERT_FALSE(prompts_.messages.empty());
    EXPECT_NE(prompts_.messages[0].find("is a folder, not an ordinary file"), std::string::npos) << prompts_.messages[0];

    // Cut short: the header announces a second, the file holds a tenth of it.
    std::vector<int16_t> tenth(1600, 1000);
    WavSpec spec;
    spec.dataSize = 32000;
    ASSERT_TRUE(WriteBytes((dir_ / "cut.wav").string(), BuildWav(spec, Pcm16(tenth))));
    prompts_ = CScriptedPrompts();
    log_.text.clear();
    auto doc = Open(dir_ / "cut.wav");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_EQ(doc->audio()->GetFrameCount(), 1600);
    EXPECT_NE(log_.text.find("the recording is cut short: its header announces 32000 bytes of samples, the file holds 3200"),
              std::string::npos)
        << log_.text;
}

TEST_F(DocumentTest, UnreadableResultsFileSaysWhichLineAndOpensNothing) {
    CopyRecording("take", false);
    Write(dir_ / "bad.zuvo", "version 1.2\naudio take.wav\nphn 0 100 0 AA\nbogus 1 2 3\nend_markers\n");
    EXPECT_FALSE(Open(dir_ / "bad.zuvo"));
    EXPECT_NE(log_.text.find("Line[4]"), std::string::npos) << log_.text;
    EXPECT_TRUE(prompts_.fileRequests.empty());
}

TEST_F(DocumentTest, CancelledOrFailedLoadGivesNoDocument) {
    const fs::path wav = CopyRecording("take", false);
    host_.begin_progress = [](const std::string&) { return std::make_unique<cancelling_progress>(); };
    EXPECT_FALSE(Open(wav));
    EXPECT_TRUE(prompts_.messages.empty());  // a cancel is never reported
    host_.begin_progress = nullptr;
    Write(dir_ / "noise.wav", "not a recording at all");
    EXPECT_FALSE(Open(dir_ / "noise.wav"));
    EXPECT_EQ(prompts_.messages.size(), 1u);
}

// Opening a file can itself be long (here a walk through many empty chunks to a data chunk that
// never comes): the dialog hears of it, and its Cancel stops the opening of the recording, or of
// a results file naming it, with no message that the file is bad.
TEST_F(DocumentTest, CancelWhileTheRecordingIsStillOpeningIsNoError) {
    std::vector<unsigned char> bytes = BuildWav(WavSpec{}, {});
    bytes.resize(bytes.size() - 8);  // no data chunk
    for (int i = 0; i < 20000; ++i) {
        audio_test::PutTag(bytes, "JUNK");
        audio_test::PutU32(bytes, 0);
    }
    const uint32_t riff_size = static_cast<uint32_t>(bytes.size() - 8);
    std::memcpy(bytes.data() + 4, &riff_size, 4);
    ASSERT_TRUE(WriteBytes((dir_ / "long.wav").string(), bytes));
    Write(dir_ / "long.zuvo", "version 1.2\naudio long.wav\nphn 0 100 0 AA\nend_markers\n");
    host_.begin_progress = [](const std::string&) { return std::make_unique<cancelling_progress>(); };
    for (const char* name : {"long.wav", "long.zuvo"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Open(dir_ / name));
        EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
        EXPECT_TRUE(prompts_.fileRequests.empty());
    }
}

// Cancels at the first report after the samples were all loaded (done == total): the file's
// counts are read by opening it once more, which for a file of a great many chunks takes as
// long as the first opening.
class cancel_after_load_progress : public document_progress {
public:
    void SetStatusText(const char*) override {}
    bool Progress(int done, int total) override {
        if (loaded) return true;
        loaded = total > 0 && done == total;
        return false;
    }
    bool loaded = false;
};

TEST_F(DocumentTest, CancelWhileTheRecordingIsOpenedAgainForItsCountsIsNoError) {
    std::vector<unsigned char> bytes = BuildWav(WavSpec{}, {});
    bytes.resize(bytes.size() - 8);  // the data chunk goes after the empty ones
    for (int i = 0; i < 20000; ++i) {
        audio_test::PutTag(bytes, "JUNK");
        audio_test::PutU32(bytes, 0);
    }
    const std::vector<unsigned char> samples = Pcm16(std::vector<int16_t>(1600, 1000));
    audio_test::PutTag(bytes, "data");
    audio_test::PutU32(bytes, static_cast<uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    const uint32_t riff_size = static_cast<uint32_t>(bytes.size() - 8);
    std::memcpy(bytes.data() + 4, &riff_size, 4);
    ASSERT_TRUE(WriteBytes((dir_ / "long.wav").string(), bytes));
    ASSERT_TRUE(Open(dir_ / "long.wav"));  // a good recording

    host_.begin_progress = [](const std::string&) { return std::make_unique<cancel_after_load_progress>(); };
    EXPECT_FALSE(Open(dir_ / "long.wav"));
    EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(DocumentTest, EditSaveCloseReopenGivesTheSameTracksAndScript) {
    const fs::path wav = CopyRecording("take", true);
    auto doc = Open(wav);
    ASSERT_TRUE(doc);
    app_sync_results edited = doc->track(1);
    edited.phonemes.push_back(phn_marker(100, 250, "AA", 60.0f));
    edited.phonemes.push_back(phn_marker(250, 400, "k", 50.0f));
    edited.words.push_back(og_marker(100, 400, "hello"));
    doc->CommitTrackEdit("Move", edited, 1, 100, 400);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Move\tCtrl+Z");
    EXPECT_FALSE(doc->track(1).articulation.empty());

    // Save on a document opened from a recording asks for a results-file name; never the WAV.
    const std::string wav_bytes = Read(wav);
    prompts_.files = {(dir_ / "take.zuvo").string()};
    ASSERT_TRUE(doc->OnFileSave());
    ASSERT_EQ(prompts_.fileRequests.size(), 1u);
    EXPECT_EQ(prompts_.fileRequests[0].initialPath, (dir_ / "take.zuvo").string());
    EXPECT_EQ(Read(wav), wav_bytes);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->path_name(), (dir_ / "take.zuvo").string());
    const std::string saved_track = TrackText(doc->track(1));
    std::string script = doc->results_file().script_text;
    script.erase(script.find_last_not_of(" \r\n") + 1);  // the file keeps no trailing line break
    EXPECT_TRUE(doc->SaveModified());
    doc.reset();

    auto again = Open(dir_ / "take.zuvo");
    ASSERT_TRUE(again);
    EXPECT_EQ(TrackText(again->track(1)), saved_track);
    EXPECT_EQ(again->results_file().script_text, script);
    EXPECT_FALSE(again->IsModified());
}

TEST_F(DocumentTest, UndoBackToTheSavedStateClearsModified) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    app_sync_results a = doc->track(1);
    a.words.push_back(og_marker(0, 100, "one"));
    doc->CommitTrackEdit("First", a, 1, -1, -1);
    ASSERT_TRUE(doc->OnSaveDocument((dir_ / "saved.zuvo").string()));
    app_sync_results b = a;
    b.words.push_back(og_marker(100, 200, "two"));
    doc->CommitTrackEdit("Second", b, 1, -1, -1);
    EXPECT_TRUE(doc->IsModified());
    doc->OnEditUndo();
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->UpdateRedo().text, "Redo Second\tCtrl+Y");
    doc->OnEditUndo();
    EXPECT_TRUE(doc->IsModified());  // before the save
    doc->OnEditRedo();
    EXPECT_FALSE(doc->IsModified());
}

// The file holds the main track, the one the marker commands edit; what recognition put on the
// second channel is not in it, and the Output Window says so.
TEST_F(DocumentTest, SaveWritesTheMainTrackAndSaysTheSecondChannelStaysOut) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    doc->settings().OnToggleSecondChannel();
    app_sync_results main_track = doc->track(1);
    main_track.words.push_back(og_marker(0, 100, "edited"));
    doc->CommitTrackEdit("Edit", main_track, 1, -1, -1);
    app_sync_results second = doc->track(2);
    second.words.push_back(og_marker(200, 300, "recognised"));
    doc->CommitTrackEdit("Recognition", second, 2, -1, -1);
    ASSERT_TRUE(doc->OnSaveDocument((dir_ / "saved.zuvo").string()));
    const std::string saved = Read(dir_ / "saved.zuvo");
    EXPECT_NE(saved.find("word 0 100 edited"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("recognised"), std::string::npos) << saved;
    EXPECT_NE(log_.text.find("The second visual channel is not saved"), std::string::npos) << log_.text;
}

TEST_F(DocumentTest, ClosingAModifiedDocumentAsks) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    app_sync_results a = doc->track(1);
    a.words.push_back(og_marker(0, 100, "one"));
    doc->CommitTrackEdit("Edit", a, 1, -1, -1);

    prompts_.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(doc->SaveModified());
    EXPECT_EQ(prompts_.messages.back(), "Save changes to take.wav?");
    prompts_.answers = {PromptAnswer::Yes};  // then the save-as dialog is cancelled
    EXPECT_FALSE(doc->SaveModified());
    EXPECT_TRUE(doc->IsModified());
    prompts_.answers = {PromptAnswer::No};
    EXPECT_TRUE(doc->SaveModified());
    prompts_.answers = {PromptAnswer::Yes};
    prompts_.files = {(dir_ / "kept.zuvo").string()};
    EXPECT_TRUE(doc->SaveModified());
    EXPECT_TRUE(fs::exists(dir_ / "kept.zuvo"));
}

TEST_F(DocumentTest, FailedSaveSaysWhyAndKeepsTheOldFile) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    const fs::path locked = dir_ / "locked";
    fs::create_directories(locked);
    const fs::path target = locked / "take.zuvo";
    Write(target, "old results, byte for byte\n");
    app_sync_results a = doc->track(1);
    a.words.push_back(og_marker(0, 100, "one"));
    doc->CommitTrackEdit("Edit", a, 1, -1, -1);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    // Root writes anywhere: the save runs as another user for its permission checks.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const bool saved = doc->OnSaveDocument(target.string());
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(target), "old results, byte for byte\n");
    ASSERT_FALSE(prompts_.messages.empty());
    EXPECT_NE(prompts_.messages.back().find("could not be saved"), std::string::npos);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentTest, ImportIsOneUndoableStep) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    app_sync_results a = doc->track(1);
    a.words.push_back(og_marker(0, 100, "before"));
    a.phonemes.push_back(phn_marker(0, 100, "AA", 50.0f));
    doc->CommitTrackEdit("Edit", a, 1, 0, 100);
    const std::string before = TrackText(doc->track(1));

    fs::copy_file(kSpeech / (std::string(kBase) + ".zuvo"), dir_ / "markers.txt");
    prompts_.files = {(dir_ / "markers.txt").string()};
    doc->OnImportSyncMarkers();
    const std::string imported = TrackText(doc->track(1));
    EXPECT_EQ(doc->track(1).phonemes.size(), 27u);
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Import\tCtrl+Z");
    doc->OnEditUndo();
    EXPECT_EQ(TrackText(doc->track(1)), before);
    doc->OnEditRedo();
    EXPECT_EQ(TrackText(doc->track(1)), imported);
}

// Importing the wrong file: text that fails before its first marker (a script, a newer version)
// changes nothing; one that fails later is applied as far as it read, and the user is told the
// file, the line, the reason and how to get the markers back; binary data and wide text are
// refused before anything is read.
TEST_F(DocumentTest, ImportOfTheWrongFileSaysSoAndUndoGivesTheMarkersBack) {
    using namespace std::string_literals;
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    app_sync_results a = doc->track(1);
    a.phonemes.push_back(phn_marker(0, 100, "AA", 50.0f));
    a.words.push_back(og_marker(0, 100, "before"));
    doc->CommitTrackEdit("Edit", a, 1, -1, -1);
    const std::string before = TrackText(doc->track(1));
    const std::string wav = Read(kSpeech / (std::string(kBase) + ".wav"));
    const struct {
        const char* what;
        std::string bytes;
        bool applied;             // the track became what was read
        size_t phonemes;          // then: how many were read
        const char* told;         // in the message
    } cases[] = {
        {"a script", "Yang spragg on frain to noyd rynearson?\n", false, 0, "Line[1]: unrecognized marker 'Yang'"},
        {"a script saved with a byte-order mark", "\xEF\xBB\xBFYang spragg on frain\n", false, 0,
         "Line[1]: unrecognized marker 'Yang'"},
        {"a newer version", "version 9\nphn 0 50 80 AA\n", false, 0, "version newer than this program"},
        {"cut off by a bad line", "phn 0 50 80 AA\nphn 50 90 80 b\nthat was all\n", true, 2,
         "Line[3]: unrecognized marker 'that'"},
        {"UTF-16 text", "\xFF\xFEp\0h\0n\0 \0"s, false, 0, "is not a results file: it is UTF-16 text"},
        {"a recording", wav, false, 0, "is not a results file: it holds binary data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir_ / "markers.txt";
        Write(file, c.bytes);
        prompts_.files = {file.string()};
        prompts_.messages.clear();
        doc->SetModifiedFlag(false);
        doc->OnImportSyncMarkers();
        ASSERT_EQ(prompts_.messages.size(), 1u);
        const std::string& message = prompts_.messages[0];
        EXPECT_NE(message.find(file.string()), std::string::npos) << message;
        EXPECT_NE(message.find(c.told), std::string::npos) << message;
        EXPECT_LT(message.size(), 600u) << message;
        if (!c.applied) {
            EXPECT_EQ(TrackText(doc->track(1)), before);
            EXPECT_EQ(doc->UpdateUndo().text, "Undo Edit\tCtrl+Z");
            EXPECT_FALSE(doc->IsModified());
            EXPECT_EQ(message.find("Undo Import"), std::string::npos) << message;
            continue;
        }
        EXPECT_NE(message.find("Undo Import"), std::string::npos) << message;
        EXPECT_EQ(doc->track(1).phonemes.size(), c.phonemes);
        EXPECT_TRUE(doc->track(1).words.empty());
        ASSERT_EQ(doc->UpdateUndo().text, "Undo Import\tCtrl+Z");
        doc->OnEditUndo();
        EXPECT_EQ(TrackText(doc->track(1)), before);
    }
}

TEST_F(DocumentTest, CommitRedoesArticulationOnlyAroundTheEdit) {
    auto doc = Open(CopyRecording("take", false));
    ASSERT_TRUE(doc);
    app_sync_results track;
    for (int t = 0; t < 10000; t += 100) track.phonemes.push_back(phn_marker(t, t + 100, t % 200 ? "AA" : "m", 80.0f));
    doc->RecomputeArticulation(&track);
    ASSERT_FALSE(track.articulation.empty());
    doc->CommitTrackEdit("Base", track, 1, -1, -1);
    const articulation_list old_keys = doc->track(1).articulation;

    app_sync_results edited = doc->track(1);
    edited.phonemes[50].label = "OW";  // 5000-5100 ms
    doc->CommitTrackEdit("Change", edited, 1, 5000, 5100);
    const articulation_list& keys = doc->track(1).articulation;
    int changed_lo = 1 << 30, changed_hi = -1;
    for (const auto& k : keys) {
        bool same = false;
        for (const auto& o : old_keys) {
            same |= o.start == k.start && o.end == k.end && o.key.count == k.key.count &&
                                               (o.key.count == 0 || (std::string(o.key.pairs[0].code) == k.key.pairs[0].code &&
                                                                      o.key.pairs[0].weight == k.key.pairs[0].weight));
        }
        if (!same) changed_lo = std::min<int>(changed_lo, k.start), changed_hi = std::max<int>(changed_hi, k.end);
    }
    ASSERT_GE(changed_hi, 0);  // the new phoneme shows in the keys
    EXPECT_GT(changed_lo, 3000);
    EXPECT_LT(changed_hi, 7000);
    EXPECT_EQ(keys.front().start, old_keys.front().start);
    EXPECT_EQ(keys.back().end, old_keys.back().end);
}

TEST_F(DocumentTest, ReloadReplacesTheAudioAndAFailedReloadKeepsIt) {
    const fs::path wav = CopyRecording("take", false);
    auto doc = Open(wav);
    ASSERT_TRUE(doc);
    const int frames = doc->audio()->GetFrameCount();
    Write(wav, "no longer a recording");
    doc->OnReloadAudio();
    EXPECT_EQ(doc->audio()->GetFrameCount(), frames);
    EXPECT_EQ(prompts_.messages.size(), 1u);
    fs::remove(wav);
    fs::copy_file(kSpeech / "en_us_f4_0011_clean.wav", wav);
    doc->OnReloadAudio();
    EXPECT_NE(doc->audio()->GetFrameCount(), frames);
    EXPECT_NE(doc->range_stream(), nullptr);
}

TEST_F(DocumentTest, ArticulatorRulesFromAFileAreRememberedAndOffered) {
    CPhonarcDoc doc(host_);
    EXPECT_TRUE(doc.settings().UpdateArticulatorDefault().checked);
    const fs::path rules = dir_ / "rules.txt";
    Write(rules, "not rules at all");
    prompts_.files = {rules.string()};
    doc.settings().OnArticulatorChoose();
    EXPECT_EQ(profile_.GetString("UI", "external_art", ""), rules.string());
    EXPECT_EQ(profile_.GetString("UI", "current_articulator", ""), rules.string());
    const CommandState external = doc.settings().UpdateArticulatorExternal();
    EXPECT_TRUE(external.enabled && external.checked);
    EXPECT_EQ(external.text, rules.string());
    EXPECT_FALSE(doc.settings().UpdateArticulatorDefault().checked);
    EXPECT_NE(log_.text.find("rules.txt"), std::string::npos);  // the rules did not load: said so
    EXPECT_NE(log_.text.find("does not read as an articulator rule"), std::string::npos) << log_.text;
    doc.settings().OnArticulatorDefault();
    EXPECT_EQ(profile_.GetString("UI", "current_articulator", "x"), "");
    EXPECT_FALSE(doc.settings().UpdateArticulatorExternal().checked);
}

}  // namespace
