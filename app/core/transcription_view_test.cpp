#include "app/core/transcription_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/core/prompts.h"
#include "engine/text/text_encoding.h"

namespace {

namespace fs = std::filesystem;

class history_owner : public undo_owner {
public:
    history_owner() { undo.Register(this, 25000, nullptr); }
    CUndoManager& GetUndoManager() override { return undo; }
    CUndoManager undo;
};

struct script_editor {
    explicit script_editor(const std::string& text) : view(control, {}) {
        transcription_host host;
        host.prompts = &prompts;
        host.audio_path = [] { return std::string("/voices/take1.wav"); };
        host.recording_ms = [] { return 5000; };
        host.ms_to_frames = [](int32_t ms) { return static_cast<int64_t>(ms) * 16; };
        host.select_audio = [this](int64_t s, int64_t e) { audio = {s, e}; };
        view.SetHost(host);
        view.SetOwner(&owner);
        view.SetInitialText(text);
    }
    std::string text() const { return control.GetText(); }

    history_owner owner;
    memory_edit_control control;
    CScriptedPrompts prompts;
    CTranscriptionView view;
    std::pair<int64_t, int64_t> audio{-1, -1};
};

struct temp_dir {
    temp_dir() : path(fs::temp_directory_path() / ("murmurex_script_" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~temp_dir() { fs::remove_all(path); }
    std::string file(const std::string& name, const std::string& bytes) const {
        std::string p = (path / name).string();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    fs::path path;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TranscriptionViewTest, CutSegmentAroundTheCaret) {
    //                      0         1         2         3         4
    //                      0123456789012345678901234567890123456789012345
    const std::string text = "Hi <cut ms=\"100\"/>there <cut ms=\"250\"/>you <CUT ms=\"9\"/>end";
    const int32_t first = 3, after_first = 18, second = 24, after_second = 39;
    script_editor ed(text);
    struct Case {
        const char* name;
        int32_t caret;
        int32_t start, length, start_ms, end_ms;
    };
    const Case cases[] = {
        {"before every tag", 1, 0, first, 0, 100},
        {"between two tags", 20, after_first, second - after_first, 100, 250},
        {"inside a tag", first + 4, after_first, second - after_first, 100, 250},
        {"at the start of a tag", second, after_first, second - after_first, 100, 250},
        {"after the last tag (capitals are no tag)", 42, after_second,
         static_cast<int32_t>(text.size()) - after_second, 250, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t start = -1, length = -1, start_ms = -1, end_ms = -1;
        ed.view.FindCutSegment(c.caret, &start, &length, &start_ms, &end_ms);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(start_ms, c.start_ms);
        EXPECT_EQ(end_ms, c.end_ms);
    }

    // A tag without a time opens at 0; one left unclosed leaves an empty segment, never a negative one.
    script_editor odd("a <cut id=\"1\"/> b <cut ms=\"7\" <cut ms=\"9\"/> c");
    int32_t start = -1, length = -1, start_ms = -1, end_ms = -1;
    odd.view.FindCutSegment(17, &start, &length, &start_ms, &end_ms);
    EXPECT_EQ(start, 15);
    EXPECT_EQ(start_ms, 0);
    EXPECT_EQ(end_ms, 7);
    odd.view.FindCutSegment(25, &start, &length, &start_ms, &end_ms);
    EXPECT_GE(length, 0);
}

TEST(TranscriptionViewTest, HilightSelectsTheSegmentAndItsAudio) {
    script_editor ed("Hi <cut ms=\"100\"/>there <cut ms=\"250\"/>you");
    ed.control.SetSel(20, 20);
    ed.view.HilightCutMarker();
    EXPECT_EQ(ed.view.GetSelectedText(), "there ");
    EXPECT_EQ(ed.audio, std::make_pair(int64_t{1600}, int64_t{4000}));
}

TEST(TranscriptionViewTest, CueMarkerIsOneUndoableStep) {
    script_editor ed("Hello world");
    ed.view.OnChar('!', 1, 0);  // an open typing run at the start
    ed.view.InsertCutTagAt(1234, 6);
    EXPECT_EQ(ed.text(), "!Hello<cut ms=\"1234\"/> world");
    EXPECT_EQ(ed.owner.undo.GetActionName(&ed.owner, false, 0), "Cue Marker");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "!Hello world");
    ed.view.OnEditRedo();
    EXPECT_EQ(ed.text(), "!Hello<cut ms=\"1234\"/> world");
}

TEST(TranscriptionViewTest, UndoAfterOpeningAScriptNeverCorruptsText) {
    temp_dir dir;
    std::string path = dir.file("new.txt", "A whole\nnew script\n");
    script_editor ed("old text");
    ed.control.SetSel(8, 8);
    for (char c : std::string("ABC")) ed.view.OnChar(static_cast<unsigned char>(c), 1, 0);
    ed.view.OnChar(kKeyReturn, 1, 0);
    ASSERT_EQ(ed.text(), "old textABC\r\n");
    ASSERT_TRUE(ed.view.OpenScriptFile(path));
    EXPECT_EQ(ed.text(), "A whole\nnew script\n");  // the file's own line breaks
    EXPECT_EQ(ed.view.file_name(), path);
    // Typing in the new script, then undoing everything step by step.
    ed.control.SetSel(0, 0);
    ed.view.OnChar('X', 1, 0);
    ed.view.OnChar(kKeyReturn, 1, 0);
    EXPECT_EQ(ed.text(), "X\nA whole\nnew script\n");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "A whole\nnew script\n");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "old textABC\r\n");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "old text");
    ed.view.OnRedoLevel(3);
    EXPECT_EQ(ed.text(), "X\nA whole\nnew script\n");
}

TEST(TranscriptionViewTest, NonAsciiScriptRoundTripsThroughOpenEditSaveAndAlignment) {
    temp_dir dir;
    // Accents, curly quotes and an em dash, with CR LF line breaks.
    const std::string script = "Caf\xC3\xA9 \xE2\x80\x9Cna\xC3\xAFve\xE2\x80\x9D \xE2\x80\x94 r\xC3\xA9sum\xC3\xA9\r\nDeux\r\n";
    std::string in = dir.file("in.txt", script);
    script_editor ed("");
    ASSERT_TRUE(ed.view.OpenScriptFile(in));
    EXPECT_EQ(ed.text(), script);
    // An edit after the em dash, then undone and redone.
    ed.control.SetSel(static_cast<int32_t>(script.find("Deux")), static_cast<int32_t>(script.find("Deux")));
    for (char32_t c : std::u32string(U"\u00E0 ")) ed.view.OnChar(static_cast<uint32_t>(c), 1, 0);
    ed.view.OnEditUndo();
    ed.view.OnEditRedo();
    const std::string edited = "Caf\xC3\xA9 \xE2\x80\x9Cna\xC3\xAFve\xE2\x80\x9D \xE2\x80\x94 r\xC3\xA9sum\xC3\xA9\r\n\xC3\xA0 Deux\r\n";
    EXPECT_EQ(ed.text(), edited);
    std::string out = (dir.path / "out.txt").string();
    ASSERT_TRUE(ed.view.SaveScriptFile(out));
    EXPECT_EQ(ReadBytes(out), edited);

    // What the engine gets: one code page 1252 byte per character, mapped back to the editor's offsets.
    Cp1252Text cp = ConvertUtf8ToCp1252(ed.text());
    size_t dash = cp.bytes.find('\x97');
    ASSERT_NE(dash, std::string::npos);
    EXPECT_EQ(cp.Utf8Offset(static_cast<int32_t>(dash)), static_cast<int32_t>(edited.find("\xE2\x80\x94")));
    size_t deux = cp.bytes.find("Deux");
    EXPECT_EQ(cp.Utf8Offset(static_cast<int32_t>(deux)), static_cast<int32_t>(edited.find("Deux")));

    // A script written in code page 1252 opens as the same characters.
    std::string legacy = dir.file("legacy.txt", "Caf\xE9 \x93hi\x94 \x97 ok");
    ASSERT_TRUE(ed.view.OpenScriptFile(legacy));
    EXPECT_EQ(ed.text(), "Caf\xC3\xA9 \xE2\x80\x9Chi\xE2\x80\x9D \xE2\x80\x94 ok");
}

TEST(TranscriptionViewTest, FileCommandsAskAndReportAsTheyShould) {
    temp_dir dir;
    script_editor ed("Some words\r\n");
    // Saving without a file name asks for one, proposing the recording's name with ".txt".
    std::string target = (dir.path / "take1.txt").string();
    ed.prompts.files.push_back(target);
    EXPECT_TRUE(ed.view.OnSaveTextTranscription());
    ASSERT_EQ(ed.prompts.fileRequests.size(), 1u);
    EXPECT_EQ(ed.prompts.fileRequests[0].initialPath, "/voices/take1.txt");
    EXPECT_EQ(ed.prompts.fileRequests[0].filter, kScriptFileFilter);
    EXPECT_FALSE(ed.prompts.fileRequests[0].open);
    EXPECT_EQ(ReadBytes(target), "Some words\r\n");
    // From then on it saves without asking.
    EXPECT_TRUE(ed.view.OnSaveTextTranscription());
    EXPECT_EQ(ed.prompts.fileRequests.size(), 1u);

    // A file that can't be written asks whether to save under another name; No gives up.
    script_editor blocked("x");
    blocked.prompts.files.push_back((dir.path / "no_such_dir" / "x.txt").string());
    blocked.prompts.answers.push_back(PromptAnswer::No);
    EXPECT_FALSE(blocked.view.OnSaveTextTranscriptionAs());
    ASSERT_EQ(blocked.prompts.messages.size(), 1u);
    EXPECT_EQ(blocked.prompts.messages[0], kTextSaveScriptFailed);

    // A file that can't be read is reported and leaves the script as it was, with no undo step.
    script_editor reader("keep");
    reader.prompts.files.push_back((dir.path / "missing.txt").string());
    EXPECT_FALSE(reader.view.OnOpenTextTranscription());
    ASSERT_EQ(reader.prompts.messages.size(), 1u);
    EXPECT_EQ(reader.prompts.messages[0], kTextReadScriptFailed);
    EXPECT_EQ(reader.text(), "keep");
    EXPECT_FALSE(reader.view.CanUndo());
}

}  // namespace
