// The recognition commands on the bundled utterance with a scripted host: the model choice and
// its fallbacks, aligning a script selection with cue tags, textless recognition with a language
// model that does not load, engine errors and a cancelled run.
#include "app/core/recognition_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/core/document_test_support.h"
#include "app/core/lexicon_mgr.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/api/error_messages.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/edit_actions.h"
#include "model/pub_queue.h"
#include "model/sync_results_file.h"

namespace {

namespace fs = std::filesystem;
using document_test::kBase;
using document_test::kSpeech;

std::string TrackText(const app_sync_results& track) {
    sync_results_file f;
    f.results = track;
    std::ostringstream out;
    f.write(out, 0, kWriteAll & ~kWriteHeader);
    return out.str();
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A script editor over a string: cue tags go into the text as undoable actions.
class fake_script : public script_alignment_source {
public:
    class tag_action : public CAction {
    public:
        tag_action(fake_script* s, undo_owner* owner, int32_t ms, int32_t at)
            : CAction(owner, 0, true), script_(s), tag_("<cut ms=\"" + std::to_string(ms) + "\"/>"), at_(at) {
            SetName("Cue Marker");
        }
        void Do() override {
            CAction::Do();
            script_->text.insert(static_cast<size_t>(at_), tag_);
        }
        void Undo() override {
            CAction::Undo();
            script_->text.erase(static_cast<size_t>(at_), tag_.size());
        }
        void Redo() override {
            CAction::Redo();
            script_->text.insert(static_cast<size_t>(at_), tag_);
        }

    private:
        fake_script* script_;
        std::string tag_;
        int32_t at_;
    };

    explicit fake_script(undo_owner* owner) : owner_(owner) {}
    alignment_mode AlignmentMode() const override { return mode; }
    std::string ScriptText() const override { return text; }
    void ScriptSelection(int32_t* start, int32_t* end) const override {
        *start = sel_start;
        *end = sel_end;
    }
    void HilightCutMarker() override { ++hilights; }
    std::unique_ptr<CAction> MakeCutTagAction(int32_t ms, int32_t position) override {
        tags_made.emplace_back(ms, position);
        return std::make_unique<tag_action>(this, owner_, ms, position);
    }
    void FocusScript() override { focused = true; }

    alignment_mode mode = alignment_mode::all;
    std::string text;
    int32_t sel_start = 0, sel_end = 0;
    int hilights = 0;
    bool focused = false;
    std::vector<std::pair<int32_t, int32_t>> tags_made;  // (ms, position) in the order made

private:
    undo_owner* owner_;
};

class RecognitionCommandsTest : public document_test::DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        CopySpeech(".wav", "take.wav");
        CopySpeech(".txt", "take.txt");
        doc_ = std::make_unique<CPhonarcDoc>(host_);
        ASSERT_TRUE(doc_->OnOpenDocument((dir_ / "take.wav").string()));
    }
    void TearDown() override {
        doc_.reset();
        DocumentFixture::TearDown();
    }
    const app_sync_results& Track() { return doc_->track(doc_->GetRecognitionTrack()); }

    std::unique_ptr<CPhonarcDoc> doc_;
};

TEST_F(RecognitionCommandsTest, ModelFallbacksAlignAndAreNotWrittenToTheProfile) {
    struct {
        const char* chosen;
        bool textless;
        const char* after;
    } cases[] = {
        {"FAST_HMM", false, "GENERIC_HMM"},  // not good enough to align with
        {"FAST_HMM", true, "FAST_HMM"},
        {"NO_SUCH_HMM", false, "GENERIC_HMM"},
        {"NO_SUCH_HMM", true, "GENERIC_HMM"},
    };
    for (const auto& c : cases) {
        doc_->settings().model_uri = c.chosen;
        profile_.WriteString("UI", "model_uri", c.chosen);
        const int code = c.textless ? OnTextlessLipsync(*doc_, {}) : OnAlignTextWithAudio(*doc_, {});
        EXPECT_EQ(code, 0) << c.chosen << c.textless;
        EXPECT_EQ(doc_->settings().model_uri, c.after) << c.chosen << c.textless;
        EXPECT_EQ(profile_.GetString("UI", "model_uri", ""), c.chosen);
        EXPECT_FALSE(Track().phonemes.empty());
    }
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
}

TEST_F(RecognitionCommandsTest, AligningASelectionAddsBothCueTagsAtTheAlignedTimesInOneStep) {
    const int rate_ms = 16;  // frames per ms at 16 kHz
    const int total = doc_->audio()->GetFrameCount();
    document_test::selection_view view;
    doc_->AddView(&view);
    doc_->SetSelectionSource(&view);
    fake_script script(doc_.get());
    script.mode = alignment_mode::selection;
    script.text = "Yang spragg on frain to noyd rynearson?";
    const int32_t at = static_cast<int32_t>(script.text.find("noyd"));
    script.sel_start = at;
    script.sel_end = static_cast<int32_t>(script.text.size());
    view.SelectFrames(1000 * rate_ms, total);

    recognition_context context;
    context.script = &script;
    ASSERT_EQ(OnAlignTextWithAudio(*doc_, context), 0) << (prompts_.messages.empty() ? "" : prompts_.messages[0]);
    ASSERT_EQ(script.tags_made.size(), 2u);
    const auto [end_ms, end_at] = script.tags_made[0];  // the closing tag first
    const auto [start_ms, start_at] = script.tags_made[1];
    EXPECT_EQ(end_at, script.sel_end);
    EXPECT_EQ(start_at, at);
    // The tags lie on the recording's times inside the selected audio, not on times counted from
    // the selection's start.
    EXPECT_GE(start_ms, 1000);
    EXPECT_LT(start_ms, end_ms);
    EXPECT_LE(end_ms, total / rate_ms + 20);  // the last analysis frame may reach past the end
    EXPECT_EQ(Track().phonemes.front().start, start_ms);
    EXPECT_EQ(Track().words.front().label, "noyd");
    EXPECT_EQ(script.text, "Yang spragg on frain to <cut ms=\"" + std::to_string(start_ms) +
                               "\"/>noyd rynearson?<cut ms=\"" + std::to_string(end_ms) + "\"/>");
    EXPECT_EQ(script.hilights, 1);
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Text-based Lipsync\tCtrl+Z");

    // One undo takes the tags and the track back.
    doc_->OnEditUndo();
    EXPECT_EQ(script.text, "Yang spragg on frain to noyd rynearson?");
    EXPECT_TRUE(Track().phonemes.empty());
    EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));

    // A selection whose speech starts at once needs no opening tag.
    script.tags_made.clear();
    script.text = "Yang spragg";
    script.sel_start = 0;
    script.sel_end = static_cast<int32_t>(script.text.size());
    view.SelectFrames(0, 700 * rate_ms);
    ASSERT_EQ(OnAlignTextWithAudio(*doc_, context), 0);
    ASSERT_FALSE(script.tags_made.empty());
    EXPECT_EQ(script.tags_made[0].second, script.sel_end);
    if (Track().phonemes.front().start <= 100) {
        EXPECT_EQ(script.tags_made.size(), 1u);
    }
    doc_->RemoveView(&view);
}

// Aligning one word again over exactly its own span (as a double-click selects it) replaces that
// word only: the words that start where it ends and end where it starts stay.
TEST_F(RecognitionCommandsTest, AligningAWordOverItsOwnSpanKeepsItsNeighbours) {
    fake_script script(doc_.get());
    script.text = "Yang spragg on frain to noyd rynearson?";
    recognition_context context;
    context.script = &script;
    ASSERT_EQ(OnAlignTextWithAudio(*doc_, context), 0);
    const std::vector<og_marker> before(Track().words.begin(), Track().words.end());
    const auto find = [](const std::vector<og_marker>& words, const std::string& label) {
        return std::find_if(words.begin(), words.end(), [&](const og_marker& m) { return m.label == label; });
    };
    const auto spragg = find(before, "spragg");
    ASSERT_NE(spragg, before.end());
    ASSERT_NE(spragg, before.begin());
    ASSERT_NE(spragg + 1, before.end());
    // The recogniser lays words end to end, so the selection touches both neighbours.
    ASSERT_EQ((spragg - 1)->end, spragg->start);
    ASSERT_EQ((spragg + 1)->start, spragg->end);

    document_test::selection_view view(doc_.get());
    doc_->AddView(&view);
    doc_->SetSelectionSource(&view);
    view.SelectMs(spragg->start, spragg->end);
    script.mode = alignment_mode::selection;
    script.sel_start = static_cast<int32_t>(script.text.find("spragg"));
    script.sel_end = script.sel_start + 6;
    ASSERT_EQ(OnAlignTextWithAudio(*doc_, context), 0) << (prompts_.messages.empty() ? "" : prompts_.messages[0]);
    doc_->RemoveView(&view);

    const std::vector<og_marker> after(Track().words.begin(), Track().words.end());
    std::string labels;
    for (const og_marker& m : after) labels += m.label + " ";
    EXPECT_EQ(labels, "Yang spragg on frain to noyd rynearson ");
    for (const og_marker& was : before) {
        if (was.label == "spragg") continue;
        const auto now = find(after, was.label);
        ASSERT_NE(now, after.end()) << was.label;
        EXPECT_EQ(now->start, was.start) << was.label;
        EXPECT_EQ(now->end, was.end) << was.label;
    }
}

TEST_F(RecognitionCommandsTest, NothingToAlignOrNoModelChangesNothingAndTellsWhy) {
    const fs::path junk = dir_ / "junk.hmm";
    std::ofstream(junk) << "this is not an acoustic model\n";
    fake_script script(doc_.get());
    recognition_context context;
    context.script = &script;
    struct {
        const char* model;  // empty: the built-in mixed model
        const char* script;
        const char* message;  // the start of the text shown
    } cases[] = {
        {"", "", "Please enter the text script for your audio file in the Script Editor below and then try again."},
        {"missing.hmm", "hello", "The operation cannot be completed because the specified model file '"},
        {"junk.hmm", "hello", ""},  // the engine's own text, checked below
    };
    for (const auto& c : cases) {
        prompts_.messages.clear();
        script.text = c.script;
        doc_->settings().external_model = *c.model ? (dir_ / c.model).string() : "";
        doc_->settings().model_uri = *c.model ? doc_->settings().external_model : "GENERIC_HMM";
        EXPECT_EQ(OnAlignTextWithAudio(*doc_, context), -1) << c.model;
        ASSERT_EQ(prompts_.messages.size(), 1u) << c.model;
        EXPECT_EQ(prompts_.messages[0].rfind(c.message, 0), 0u) << prompts_.messages[0];
        EXPECT_TRUE(Track().phonemes.empty());
        EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));
    }
    EXPECT_TRUE(script.focused);
    // The model reader's own words, not a generic failure.
    EXPECT_FALSE(prompts_.messages[0].empty());
    EXPECT_EQ(prompts_.messages[0].find("Internal Error"), std::string::npos);
}

TEST_F(RecognitionCommandsTest, ALanguageModelThatDoesNotLoadIsTurnedOffForThisDocumentOnly) {
    std::ofstream(dir_ / "bad.trig") << "not a trigram file";
    profile_.WriteInt("UI", "UseTrigram", 1);
    doc_->settings().TrigramFile = (dir_ / "bad.trig").string();
    doc_->settings().UseTrigram = true;
    EXPECT_EQ(OnTextlessLipsync(*doc_, {}), 0);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0], "The Language Model could not be loaded. Turning off Language model preference");
    EXPECT_FALSE(doc_->settings().UseTrigram);
    EXPECT_EQ(profile_.GetInt("UI", "UseTrigram", 0), 1);
    EXPECT_FALSE(Track().phonemes.empty());
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Textless Lipsync\tCtrl+Z");
    CPhonarcDoc next(host_);
    EXPECT_TRUE(next.settings().UseTrigram);
}

TEST_F(RecognitionCommandsTest, ACancelledRunChangesNothingAndSaysNothing) {
    class cancel_at_first : public CProgress {
    public:
        void SetStatusText(const char*) override {}
        bool Progress(int, int) override { return true; }
    } cancel;
    recognition_context context;
    std::string status;
    context.run = [&](const std::string& s, RecognitionParams& p, RecognitionResult* r) {
        status = s;
        p.progress = &cancel;
        RunRecognition(p, r);
    };
    EXPECT_EQ(OnAlignTextWithAudio(*doc_, context), 5);
    EXPECT_EQ(status, "Performing Recognition...");
    EXPECT_EQ(OnTextlessLipsync(*doc_, context), 5);
    EXPECT_EQ(status, "Performing lipsync...");
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(Track().phonemes.empty());
    EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));
    EXPECT_FALSE(doc_->IsModified());
}

// A run that ends without a complete path (a script far longer than the recording, or than the
// selected audio) leaves the alignment the user has, the script, the undo history and the
// modified state as they were, and shows the engine's text once.
TEST_F(RecognitionCommandsTest, AFailedRunLeavesTheDocumentAsItWasAndShowsTheEnginesText) {
    const int rate_ms = 16;
    document_test::selection_view view;
    doc_->AddView(&view);
    doc_->SetSelectionSource(&view);
    fake_script script(doc_.get());
    recognition_context context;
    context.script = &script;
    const std::string spoken = ReadText(dir_ / "take.txt");
    script.text = spoken;
    ASSERT_EQ(OnAlignTextWithAudio(*doc_, context), 0);
    ASSERT_FALSE(Track().words.empty());
    const std::string good = TrackText(Track());
    const std::string undo = doc_->UpdateUndo().text.value_or("");
    std::string longer;
    for (int i = 0; i < 10; ++i) longer += spoken + " ";
    struct {
        alignment_mode mode;
        std::string text;
        int audio_ms;  // the timeline's selection from 0; 0: none
    } cases[] = {
        {alignment_mode::all, longer, 0},
        {alignment_mode::selection, spoken, 250},  // cue tags would go in on success
    };
    for (const auto& c : cases) {
        prompts_.messages.clear();
        script.mode = c.mode;
        script.text = c.text;
        script.sel_start = 0;
        script.sel_end = static_cast<int32_t>(c.text.size());
        view.SelectFrames(0, c.audio_ms * rate_ms);
        EXPECT_EQ(OnAlignTextWithAudio(*doc_, context), kErrNoPath);
        ASSERT_EQ(prompts_.messages.size(), 1u);
        EXPECT_EQ(prompts_.messages[0], GetErrorMessage(kErrNoPath));
        EXPECT_EQ(TrackText(Track()), good);
        EXPECT_EQ(doc_->UpdateUndo().text, undo);
        EXPECT_EQ(script.text, c.text);
        EXPECT_TRUE(script.tags_made.empty());
    }
    doc_->OnEditUndo();
    EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));  // the failed runs left no step
    doc_->RemoveView(&view);
}

// Lipsync With Text in a language whose lexicon file turns out damaged: the user is told which
// file is wrong and that it is the lexicon, never that the recording is a broken WAV file.
TEST_F(RecognitionCommandsTest, ALexiconThatDoesNotLoadIsNamedAndNothingChanges) {
    const fs::path dicts = dir_ / "dicts";
    fs::create_directories(dicts);
    // A header the language list accepts, then no packed block.
    std::string header = "TCID";
    header += std::string("\x01\0Broken\0\x07\0\0\0\0\0\0\0", 17);
    std::ofstream(dicts / "broken.zlex", std::ios::binary) << header;
    lexicon_mgr languages;
    languages.Load(dicts.string(), "LEXICON");
    ASSERT_TRUE(languages.SelectLanguageByName("Broken"));
    pub_queue::dispatch();

    fake_script script(doc_.get());
    script.text = ReadText(dir_ / "take.txt");
    recognition_context context;
    context.script = &script;
    context.languages = &languages;
    const std::string before = TrackText(Track());
    EXPECT_EQ(OnAlignTextWithAudio(*doc_, context), kErrBadLexicon);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    const std::string& said = prompts_.messages[0];
    EXPECT_NE(said.find((dicts / "broken.zlex").string()), std::string::npos) << said;
    EXPECT_NE(said.find("lexicon file is damaged"), std::string::npos) << said;
    EXPECT_EQ(said.find("WAV"), std::string::npos) << said;
    EXPECT_EQ(TrackText(Track()), before);
    EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));
    pub_queue::destroy_instance();
}

// Phone constraints the user chose from a file that does not load: the run goes on without them
// and the Output Window says once which file and why; no message box interrupts.
TEST_F(RecognitionCommandsTest, AConstraintsFileThatDoesNotLoadIsNamedInTheLogAndTheRunGoesOn) {
    fs::create_directories(dir_ / "folder.txt");
    std::ofstream(dir_ / "bad.txt") << "mpb 180\n!! 240\n";
    std::ofstream(dir_ / "good.txt") << "mpb 180\ngds 240\n";
    struct {
        const char* file;
        const char* reason;  // null: loads
    } cases[] = {
        {"missing.txt", "No such file or directory"},
        {"folder.txt", "is a folder"},
        {"bad.txt", "\"!!\" is not a phoneme code"},
        {"good.txt", nullptr},
    };
    for (const auto& c : cases) {
        for (bool textless : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (textless ? " textless" : " with text"));
            log_.text.clear();
            prompts_.messages.clear();
            doc_->settings().UsePhnConstraints = true;
            doc_->settings().PhnConstraintsFile = (dir_ / c.file).string();
            doc_->settings().UseTrigram = false;
            EXPECT_EQ(textless ? OnTextlessLipsync(*doc_, {}) : OnAlignTextWithAudio(*doc_, {}), 0);
            EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
            EXPECT_FALSE(Track().phonemes.empty());
            if (!c.reason) {
                EXPECT_EQ(log_.text, "");
            } else {
                EXPECT_EQ(std::count(log_.text.begin(), log_.text.end(), '\n'), 1) << log_.text;
                EXPECT_NE(log_.text.find("\"" + doc_->settings().PhnConstraintsFile + "\""), std::string::npos) << log_.text;
                EXPECT_NE(log_.text.find(c.reason), std::string::npos) << log_.text;
            }
            EXPECT_TRUE(doc_->settings().UsePhnConstraints);
            doc_->OnEditUndo();
        }
    }
}

}  // namespace
