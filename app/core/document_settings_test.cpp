// The settings commands by id as the menu runs them, and the document's one selection reader.
#include "app/core/document_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRecording = fs::path(MURMUREX_TESTDATA_DIR) / "speech" / "en_us_f4_0003_clean.wav";

class SettingsCommandTest : public ::testing::Test {
protected:
    SettingsCommandTest() {
        host_.profile = &profile_;
        host_.prompts = &prompts_;
        host_.range_selection = [this] { return range_; };
        host_.select_range = [this](int index) { range_ = index; };
    }
    CMemoryProfileStore profile_;
    CScriptedPrompts prompts_;
    document_host host_;
    int range_ = 0;  // the range list: 0 entire file, 1 selection
};

TEST_F(SettingsCommandTest, EachToggleByIdFlipsItsCheckAndWhatIsStored) {
    struct toggle_case {
        int id;
        const char* key;  // null: not stored
    };
    const toggle_case cases[] = {
        {cmd::SubPhonemeEnergies, "LipsyncwithEnergy"}, {cmd::UseLanguageModel, "UseTrigram"},
        {cmd::LipsyncEntireFile, "LipsyncEntireFile"},  {cmd::SecondChannel, nullptr},
        {cmd::UsePhnConstraints, "UsePhnConstraints"},  {cmd::Smoothing, "ArtFlags"},
    };
    CPhonarcDoc doc(host_);
    document_settings& settings = doc.settings();
    for (const toggle_case& c : cases) {
        ASSERT_TRUE(IsSettingsCommand(c.id)) << c.id;
        const CommandState before = UpdateSettingsCommand(settings, c.id);
        EXPECT_TRUE(before.enabled) << c.id;
        ASSERT_TRUE(RunSettingsCommand(settings, c.id));
        const CommandState after = UpdateSettingsCommand(settings, c.id);
        EXPECT_NE(after.checked, before.checked) << c.id;
        if (c.key) EXPECT_EQ(profile_.GetInt("UI", c.key, -1), after.checked ? 1 : 0) << c.key;
    }
    // The entire-file toggle moved the range list; the list moved back is what the menu shows.
    EXPECT_EQ(range_, 1);
    range_ = 0;
    EXPECT_TRUE(UpdateSettingsCommand(settings, cmd::LipsyncEntireFile).checked);
    // The second channel is where recognition now goes.
    EXPECT_EQ(doc.GetRecognitionTrack(), 2);

    EXPECT_FALSE(IsSettingsCommand(cmd::EditUndo));
    EXPECT_FALSE(RunSettingsCommand(settings, cmd::EditUndo));
    EXPECT_FALSE(UpdateSettingsCommand(settings, cmd::EditUndo).enabled);
}

TEST_F(SettingsCommandTest, ArticulatorChoiceByIdNamesTheFileInTheMenu) {
    CPhonarcDoc doc(host_);
    document_settings& settings = doc.settings();
    EXPECT_TRUE(UpdateSettingsCommand(settings, cmd::ArticulatorDefault).checked);
    EXPECT_EQ(UpdateSettingsCommand(settings, cmd::ArticulatorExternal).text, "<no external file>");
    prompts_.files = {std::string("/nowhere/rules.txt")};
    ASSERT_TRUE(RunSettingsCommand(settings, cmd::ArticulatorChoose));
    const CommandState external = UpdateSettingsCommand(settings, cmd::ArticulatorExternal);
    EXPECT_TRUE(external.enabled && external.checked);
    EXPECT_EQ(external.text, "/nowhere/rules.txt");
    EXPECT_FALSE(UpdateSettingsCommand(settings, cmd::ArticulatorDefault).checked);
    ASSERT_TRUE(RunSettingsCommand(settings, cmd::ArticulatorDefault));
    EXPECT_FALSE(UpdateSettingsCommand(settings, cmd::ArticulatorExternal).checked);
    EXPECT_EQ(profile_.GetString("UI", "current_articulator", "x"), "");
}

class fixed_selection : public document_view {
public:
    fixed_selection(int s, int e) : s_(s), e_(e) {}
    bool GetSelection(int* start, int* end) override {
        *start = s_;
        *end = e_;
        return true;
    }

private:
    int s_, e_;
};

// Only the declared source counts, whichever view joined first; a source that leaves takes its
// selection with it. A selection dragged backwards reads in order.
TEST_F(SettingsCommandTest, TheSelectionIsTheDeclaredSourcesOnly) {
    CPhonarcDoc doc(host_);
    ASSERT_TRUE(doc.OnOpenDocument(kRecording.string()));
    const int rate = static_cast<int>(doc.audio()->MsToFrames(1000));
    fixed_selection other(0, rate), timeline(rate / 2, rate / 4);
    doc.AddView(&other);
    doc.AddView(&timeline);
    int s = -1, e = -1;
    timeline_selection selection;
    EXPECT_FALSE(doc.GetSelectionMs(&s, &e));
    EXPECT_FALSE(doc.GetSelection(&selection));

    doc.SetSelectionSource(&timeline);
    ASSERT_TRUE(doc.GetSelection(&selection));
    EXPECT_EQ(selection.start, rate / 4);
    EXPECT_EQ(selection.end, rate / 2);
    EXPECT_FALSE(selection.empty());
    ASSERT_TRUE(doc.GetSelectionMs(&s, &e));
    EXPECT_EQ(s, 250);
    EXPECT_EQ(e, 500);

    doc.RemoveView(&timeline);
    EXPECT_FALSE(doc.GetSelectionMs(&s, &e));
    doc.RemoveView(&other);
}

}  // namespace
