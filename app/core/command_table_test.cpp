// The command table and its menu tree: every id defined once, every command placed, no two items
// of a menu sharing a mnemonic.
#include "app/core/command_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

// Every command the program offers and the kind of place it must have: a menu item, a toolbar
// button or an accelerator (lists placed in toolbars count as buttons).
const int kOfferedCommands[] = {
    cmd::FileNew, cmd::FileOpen, cmd::FileClose, cmd::FileSave, cmd::FileSaveAs, cmd::PrintSetup, cmd::Print,
    cmd::PrintPreview, cmd::AppExit, cmd::About, cmd::HelpFile, cmd::ImportSyncMarkers, cmd::ReloadAudio,
    cmd::OpenTextTranscription, cmd::SaveTextTranscription, cmd::SaveTextTranscriptionAs,
    cmd::ShowTranscriptionEditor, cmd::EditUndo, cmd::EditRedo, cmd::EditCut, cmd::EditCopy, cmd::EditPaste,
    cmd::EditClear, cmd::EditFind, cmd::EditReplace, cmd::SelectAll, cmd::Unselect, cmd::AddCutMarker,
    cmd::HilightCutMarker, cmd::NoiseGate, cmd::ViewToolbar, cmd::ViewStatusBar, cmd::ShowOutputBar,
    cmd::ShowCharacterView, cmd::ShowWaveform, cmd::ShowSpectrogram, cmd::ShowFlashGestures, cmd::ShowPitch,
    cmd::ShowPhonemes, cmd::ShowPhonemeEnergy, cmd::ShowWords, cmd::ShowGestures, cmd::ShowEvents,
    cmd::ShowEnergy, cmd::LipsyncWithText, cmd::AlignTextWithAudio, cmd::TextlessLipsync, cmd::ModelGeneric,
    cmd::ModelMale, cmd::ModelFemale, cmd::ModelFast, cmd::ModelExternal, cmd::ChooseModel,
    cmd::SelectLanguageModelFile, cmd::SelectConstraintsFile, cmd::SubPhonemeEnergies, cmd::UseLanguageModel,
    cmd::LipsyncEntireFile, cmd::SecondChannel, cmd::UsePhnConstraints, cmd::Smoothing, cmd::ArticulatorDefault,
    cmd::ArticulatorExternal, cmd::ArticulatorChoose, cmd::PhonemeTestDialog, cmd::ExtractGestures,
    cmd::ClearPhonemes, cmd::AddGesture, cmd::EditGesture, cmd::DeleteGesture, cmd::DeleteWord, cmd::AddEvent,
    cmd::EditEvent, cmd::DeleteEvent, cmd::DeleteMarkers, cmd::Framize, cmd::SelectCharacter,
    cmd::PreviewCharacter, cmd::ExportLipsync, cmd::PublishSettings, cmd::PublishSwf, cmd::Play, cmd::PlayOrStop,
    cmd::Rewind, cmd::PlayRewindMode, cmd::Loop, cmd::CurrentLanguage, cmd::SelectLanguage, cmd::CharacterSetup,
    cmd::SaveCompiledCharacter, cmd::Preferences, cmd::WindowCascade, cmd::WindowTile, cmd::LipsyncRange,
    cmd::AlignmentList, cmd::ScriptLanguageList,
};

std::set<int> PlacedIds() {
    std::vector<int> ids;
    for (const MenuTree& m : MenuTrees()) CollectMenuCommands(m.items, &ids);
    for (const ToolBarTree& t : ToolBarTrees()) ids.insert(ids.end(), t.items.begin(), t.items.end());
    for (const CommandInfo& c : CommandTable())
        if (c.key) ids.push_back(c.id);
    return {ids.begin(), ids.end()};
}

TEST(CommandTable, EveryCommandIsPlacedOnceInTheTable) {
    std::map<int, int> seen;
    for (const CommandInfo& c : CommandTable()) ++seen[c.id];
    for (const auto& [id, n] : seen) EXPECT_EQ(n, 1) << "command " << id << " is in the table " << n << " times";

    const std::set<int> placed = PlacedIds();
    for (int id : kOfferedCommands) EXPECT_TRUE(placed.count(id)) << "command " << id << " has no place";
    for (int id = cmd::PhonemeFirst; id <= cmd::PhonemeLast; ++id)
        EXPECT_TRUE(placed.count(id)) << "phoneme command " << id << " has no place";

    // Every placed command has its texts, and every command of the table a place.
    const std::set<int> lists = {cmd::LipsyncRange, cmd::AlignmentList, cmd::ScriptLanguageList, 0};
    for (int id : placed)
        if (!lists.count(id)) { EXPECT_NE(FindCommand(id), nullptr) << "command " << id << " is placed but not in the table"; }
    for (const CommandInfo& c : CommandTable()) EXPECT_TRUE(placed.count(c.id)) << c.text << " is nowhere";
}

// No command or bar id is written down anywhere but the ids header, whatever integer type holds
// it: two definitions drift apart.
TEST(CommandTable, IdsAreDefinedOnlyInTheirHeader) {
    namespace fs = std::filesystem;
    const std::regex definition(R"(constexpr\s+(?:[\w:]+\s+)+\w+\s*=\s*(\d{5})\s*;)");
    std::set<int> ids = {toolbar_id::Standard,    toolbar_id::Recognition,  toolbar_id::Playback,
                         toolbar_id::Script,      bar_id::OutputWindow,     bar_id::ScriptEditor,
                         bar_id::FlashGestures};
    for (const CommandInfo& c : CommandTable()) ids.insert(c.id);
    // The guard itself sees every type.
    const std::string samples[] = {"constexpr int kA = 12345;", "constexpr uint32_t kB = 12345;",
                                   "constexpr std::uint16_t kC = 12345;", "constexpr unsigned long kD = 12345;"};
    for (const std::string& sample : samples) EXPECT_TRUE(std::regex_search(sample, definition)) << sample;
    for (const char* folder : {"app", "views", "flash"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(MURMUREX_SOURCE_DIR) / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp") continue;
            if (entry.path().filename() == "command_ids.h") continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (std::sregex_iterator it(s.begin(), s.end(), definition), end; it != end; ++it)
                EXPECT_FALSE(ids.count(std::stoi((*it)[1].str())))
                    << entry.path() << " defines id " << (*it)[1] << " again";
        }
    }
}

void CheckMnemonics(const std::string& where, std::span<const MenuItem> items) {
    std::map<char, std::string> taken;
    for (const MenuItem& item : items) {
        const std::string text = item.kind == MenuKind::SubMenu ? std::string(item.text) : MenuItemText(item);
        if (item.kind == MenuKind::SubMenu) CheckMnemonics(where + " > " + text, item.items);
        const char m = MenuMnemonic(text);
        if (!m) continue;
        EXPECT_FALSE(taken.count(m)) << where << ": \"" << text << "\" and \"" << taken[m] << "\" share " << m;
        taken[m] = text;
    }
}

TEST(CommandTable, NoTwoItemsOfAMenuShareAMnemonic) {
    for (const MenuTree& m : MenuTrees()) CheckMnemonics(m.name, m.items);
    EXPECT_EQ(MenuMnemonic("Save &As..."), 'A');
    EXPECT_EQ(MenuMnemonic("Drag && &drop"), 'D');
    EXPECT_EQ(MenuMnemonic("Stop Audio"), 0);
}

TEST(CommandTable, TextsOfTheCommandsUsersLookFor) {
    const struct {
        int id;
        const char* text;
    } cases[] = {
        {cmd::Play, "Play Audio\t<space key> or F5"},
        {cmd::PlayOrStop, "Stop Audio"},
        {cmd::Rewind, "Rewind <<"},
        {cmd::SaveTextTranscriptionAs, "Save Text Transcription As..."},
        {cmd::SelectCharacter, "Select Flash Character Template"},
        {cmd::PreviewCharacter, "Preview the character in Flash"},
        {cmd::SelectAll, "Select &All\tCtrl+A"},
        {cmd::PhonemeFirst, "x\tsilence"},
    };
    for (const auto& c : cases) EXPECT_EQ(FindCommand(c.id)->text, c.text);
    EXPECT_STREQ(FindCommand(cmd::AddCutMarker)->key, "F4");
    EXPECT_STREQ(FindCommand(cmd::ImportSyncMarkers)->key, "Ctrl+I");

    // The timeline's context menu: the phoneme groups and Clear, the marker sub-menus, Undo, Redo.
    const MenuTree* context = FindMenuTree(menu_id::TimelineContext);
    ASSERT_NE(context, nullptr);
    std::vector<std::string> top;
    for (const MenuItem& item : context->items)
        top.push_back(item.kind == MenuKind::SubMenu ? item.text : MenuItemText(item));
    EXPECT_EQ(top, (std::vector<std::string>{"Phoneme", "Gestures", "Events", "Words", "&Undo\tCtrl+Z", "Redo\tCtrl+Y"}));
    std::vector<std::string> phoneme;
    for (const MenuItem& item : context->items[0].items)
        phoneme.push_back(item.kind == MenuKind::SubMenu ? item.text : MenuItemText(item));
    EXPECT_EQ(phoneme,
              (std::vector<std::string>{"All", "closed mouth", "consonants", "vowels", "semi-vowels", "Clear"}));
    // The groups together hold every phoneme but silence once; All holds every one.
    std::multiset<int> grouped;
    std::vector<int> ids;
    for (size_t g = 1; g < 5; ++g) CollectMenuCommands(context->items[0].items[g].items, &ids);
    grouped.insert(ids.begin(), ids.end());
    EXPECT_EQ(grouped.size(), static_cast<size_t>(cmd::PhonemeLast - cmd::PhonemeFirst));
    for (int id = cmd::PhonemeFirst + 1; id <= cmd::PhonemeLast; ++id) EXPECT_EQ(grouped.count(id), 1u) << id;
    ids.clear();
    CollectMenuCommands(context->items[0].items[0].items, &ids);
    EXPECT_EQ(ids.size(), static_cast<size_t>(cmd::PhonemeLast - cmd::PhonemeFirst + 1));
}

}  // namespace
