// The settings commands by id as the menu runs them (their rows in a router), what is kept in the
// profile and what is for one document only, and the document's one selection reader.
#include "app/core/document_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/core/command_router.h"
#include "app/core/document_test_support.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

namespace fs = std::filesystem;
using document_test::selection_view;

const fs::path kRecording = document_test::kSpeech / (std::string(document_test::kBase) + ".wav");

class SettingsCommandTest : public ::testing::Test {
protected:
    SettingsCommandTest() {
        host_.profile = &profile_;
        host_.prompts = &prompts_;
        host_.range_selection = [this] { return range_; };
        host_.select_range = [this](int index) { range_ = index; };
    }
    // The settings' rows as the program installs them, over one document's settings.
    static void Install(CCommandRouter& router, document_settings& settings) {
        InstallCommandRows(router, DocumentSettingsRows(), settings);
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
    CCommandRouter router;
    Install(router, doc.settings());
    for (const toggle_case& c : cases) {
        const CommandState before = router.Update(c.id);
        EXPECT_TRUE(before.enabled) << c.id;
        ASSERT_TRUE(router.Execute(c.id)) << c.id;
        const CommandState after = router.Update(c.id);
        EXPECT_NE(after.checked, before.checked) << c.id;
        if (c.key) {
            EXPECT_EQ(profile_.GetInt("UI", c.key, -1), after.checked ? 1 : 0) << c.key;
        }
    }
    // The entire-file toggle moved the range list; the list moved back is what the menu shows.
    EXPECT_EQ(range_, 1);
    range_ = 0;
    EXPECT_TRUE(router.Update(cmd::LipsyncEntireFile).checked);
    // The second channel is where recognition now goes.
    EXPECT_EQ(doc.GetRecognitionTrack(), 2);
    EXPECT_FALSE(router.Has(cmd::EditUndo));
}

// A choice made in the range list is stored whether a menu update (the frame runs one at every
// focus change) or a recognition run reads it first, and the next document shows it again.
TEST_F(SettingsCommandTest, TheRangeListsChoiceIsStoredWhicheverReadsItFirst) {
    for (const bool updateFirst : {true, false}) {
        SCOPED_TRACE(updateFirst ? "menu update first" : "recognition first");
        profile_.WriteInt("UI", "LipsyncEntireFile", 1);
        range_ = 0;
        CPhonarcDoc doc(host_);
        CCommandRouter router;
        Install(router, doc.settings());
        range_ = 1;  // "Lipsync Selection Only"
        if (updateFirst) {
            EXPECT_FALSE(router.Update(cmd::LipsyncEntireFile).checked);
        }
        doc.settings().SyncLipsyncEntireFile();  // what Textless Lipsync does first
        EXPECT_FALSE(router.Update(cmd::LipsyncEntireFile).checked);
        EXPECT_EQ(profile_.GetInt("UI", "LipsyncEntireFile", -1), 0);
        range_ = 0;
        CPhonarcDoc next(host_);
        EXPECT_FALSE(next.settings().LipsyncEntireFile);
        EXPECT_EQ(range_, 1);
    }
}

TEST_F(SettingsCommandTest, ModelMenuChecksTheChoiceAndTheExternalItemFollowsTheChosenFile) {
    CPhonarcDoc doc(host_);
    document_settings& d = doc.settings();
    CCommandRouter router;
    Install(router, d);
    for (const built_in_model& item : kBuiltInModels) {
        ASSERT_TRUE(router.Execute(item.id));
        EXPECT_EQ(profile_.GetString("UI", "model_uri", ""), item.resource);
        for (const built_in_model& other : kBuiltInModels)
            EXPECT_EQ(router.Update(other.id).checked, &other == &item) << item.resource << other.resource;
    }
    const CommandState none = router.Update(cmd::ModelExternal);
    EXPECT_FALSE(none.enabled);
    EXPECT_EQ(none.text, "<no external file>");
    d.OnModelExternal();  // nothing to choose
    EXPECT_EQ(d.model_uri, "FAST_HMM");

    prompts_.files = {std::string("/models/mine.hmm")};
    ASSERT_TRUE(router.Execute(cmd::ChooseModel));
    EXPECT_EQ(prompts_.fileRequests.back().filter, "Model Files (*.hmm)|*.hmm||");
    EXPECT_EQ(d.model_uri, "/models/mine.hmm");
    EXPECT_EQ(profile_.GetString("UI", "external_model", ""), "/models/mine.hmm");
    const CommandState external = router.Update(cmd::ModelExternal);
    EXPECT_TRUE(external.enabled && external.checked);
    EXPECT_EQ(external.text, "/models/mine.hmm");
    ASSERT_TRUE(router.Execute(cmd::ModelMale));
    ASSERT_TRUE(router.Execute(cmd::ModelExternal));
    EXPECT_EQ(d.model_uri, "/models/mine.hmm");

    prompts_.files = {std::string("/lm/phones.trig"), std::string("/rules/mine.txt")};
    d.UseTrigram = false;
    ASSERT_TRUE(router.Execute(cmd::SelectLanguageModelFile));
    ASSERT_TRUE(router.Execute(cmd::SelectConstraintsFile));
    EXPECT_TRUE(d.UseTrigram && d.UsePhnConstraints);
    EXPECT_EQ(profile_.GetString("UI", "TrigramFile", ""), "/lm/phones.trig");
    EXPECT_EQ(profile_.GetInt("UI", "UseTrigram", 0), 1);
    EXPECT_EQ(profile_.GetInt("UI", "UsePhnConstraints", 0), 1);
    EXPECT_EQ(prompts_.fileRequests.back().filter, "Phoneme Constraints Rule Files (*.txt)|*.txt||");
}

// A model that can't be used, or a language model that does not load, changes this document's
// choice only: the stored one stays for the next document.
TEST_F(SettingsCommandTest, ChoicesForThisDocumentOnlyLeaveTheStoredSettingsAlone) {
    profile_.WriteString("UI", "model_uri", "FAST_HMM");
    profile_.WriteInt("UI", "UseTrigram", 1);
    CPhonarcDoc doc(host_);
    doc.settings().UseModelForThisDocument("GENERIC_HMM");
    doc.settings().TurnOffLanguageModelForThisDocument();
    EXPECT_EQ(doc.settings().model_uri, "GENERIC_HMM");
    EXPECT_FALSE(doc.settings().UseTrigram);
    EXPECT_EQ(profile_.GetString("UI", "model_uri", ""), "FAST_HMM");
    EXPECT_EQ(profile_.GetInt("UI", "UseTrigram", 0), 1);
    CPhonarcDoc next(host_);
    EXPECT_EQ(next.settings().model_uri, "FAST_HMM");
    EXPECT_TRUE(next.settings().UseTrigram);
}

// Each key of the document's settings is written by the settings alone: a second writer is how a
// choice meant for one document reaches the profile.
TEST(DocumentSettingsKeys, AreWrittenOnlyByTheSettings) {
    namespace fs = std::filesystem;
    const char* keys[] = {"LipsyncwithEnergy", "UseTrigram", "TrigramFile", "LipsyncEntireFile",
                          "UsePhnConstraints", "PhnConstraintsFile", "ArtFlags", "model_uri",
                          "external_model", "current_articulator", "external_art"};
    for (const char* folder : {"app", "views", "flash", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(MURMUREX_SOURCE_DIR) / folder)) {
            const std::string name = entry.path().filename().string();
            const std::string ext = entry.path().extension().string();
            if ((ext != ".h" && ext != ".cpp") || name.ends_with("_test.cpp") || name == "document_settings.cpp")
                continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (const char* key : keys) {
                const std::regex write(std::string(R"(Write\w*\([^;]*")") + key + "\"");
                EXPECT_FALSE(std::regex_search(s, write)) << entry.path() << " writes " << key;
            }
        }
    }
}

TEST_F(SettingsCommandTest, ArticulatorChoiceByIdNamesTheFileInTheMenu) {
    CPhonarcDoc doc(host_);
    CCommandRouter router;
    Install(router, doc.settings());
    EXPECT_TRUE(router.Update(cmd::ArticulatorDefault).checked);
    EXPECT_EQ(router.Update(cmd::ArticulatorExternal).text, "<no external file>");
    prompts_.files = {std::string("/nowhere/rules.txt")};
    ASSERT_TRUE(router.Execute(cmd::ArticulatorChoose));
    const CommandState external = router.Update(cmd::ArticulatorExternal);
    EXPECT_TRUE(external.enabled && external.checked);
    EXPECT_EQ(external.text, "/nowhere/rules.txt");
    EXPECT_FALSE(router.Update(cmd::ArticulatorDefault).checked);
    ASSERT_TRUE(router.Execute(cmd::ArticulatorDefault));
    EXPECT_FALSE(router.Update(cmd::ArticulatorExternal).checked);
    EXPECT_EQ(profile_.GetString("UI", "current_articulator", "x"), "");
}

// Only the declared source counts, whichever view joined first; a source that leaves takes its
// selection with it. A selection dragged backwards reads in order.
TEST_F(SettingsCommandTest, TheSelectionIsTheDeclaredSourcesOnly) {
    CPhonarcDoc doc(host_);
    ASSERT_TRUE(doc.OnOpenDocument(kRecording.string()));
    const int rate = static_cast<int>(doc.audio()->MsToFrames(1000));
    selection_view other, timeline;
    other.SelectFrames(0, rate);
    timeline.SelectFrames(rate / 2, rate / 4);
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
