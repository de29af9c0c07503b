// The command table and the menu and toolbar tree.
#include "app/core/command_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "app/core/display_channels.h"
#include "app/core/marker_commands.h"

namespace {

constexpr MenuItem C(int id, const char* text = nullptr) { return {MenuKind::Command, id, text, {}}; }
constexpr MenuItem Sub(const char* title, std::span<const MenuItem> items) { return {MenuKind::SubMenu, 0, title, items}; }
constexpr MenuItem List(int first) { return {MenuKind::List, first, nullptr, {}}; }
constexpr MenuItem Sep{MenuKind::Separator, 0, nullptr, {}};

constexpr int PhonemeId(std::string_view code) {
    for (size_t i = 0; i < std::size(kPhonemeCommandCodes); ++i)
        if (code == kPhonemeCommandCodes[i]) return cmd::PhonemeFirst + static_cast<int>(i);
    return 0;
}

template <size_t N>
constexpr std::array<MenuItem, N> Phonemes(const std::array<std::string_view, N>& codes) {
    std::array<MenuItem, N> items{};
    for (size_t i = 0; i < N; ++i) items[i] = C(PhonemeId(codes[i]));
    return items;
}

constexpr auto kAllPhonemes = [] {
    std::array<MenuItem, std::size(kPhonemeCommandCodes)> items{};
    for (size_t i = 0; i < items.size(); ++i) items[i] = C(cmd::PhonemeFirst + static_cast<int>(i));
    return items;
}();
// The groups by how the mouth makes them: lips closed, other consonants, vowels, and the glides
// and liquids between the two.
constexpr auto kClosedMouth = Phonemes(std::array<std::string_view, 3>{"b", "m", "p"});
constexpr auto kConsonants = Phonemes(std::array<std::string_view, 17>{
    "CH", "d", "DH", "f", "g", "h", "j", "k", "n", "NG", "s", "SH", "t", "TH", "v", "z", "ZH"});
constexpr auto kVowels = Phonemes(std::array<std::string_view, 15>{
    "AA", "AE", "AH", "AO", "AW", "AY", "EH", "ER", "EY", "IH", "IY", "OW", "OY", "UH", "UW"});
constexpr auto kSemiVowels = Phonemes(std::array<std::string_view, 4>{"l", "r", "w", "y"});

constexpr MenuItem kPhonemeGroups[] = {
    Sub("All", kAllPhonemes),     Sub("closed mouth", kClosedMouth), Sub("consonants", kConsonants),
    Sub("vowels", kVowels),       Sub("semi-vowels", kSemiVowels),
};
constexpr MenuItem kPhonemeMenu[] = {
    Sub("All", kAllPhonemes),     Sub("closed mouth", kClosedMouth), Sub("consonants", kConsonants),
    Sub("vowels", kVowels),       Sub("semi-vowels", kSemiVowels),   C(cmd::ClearPhonemes),
};

// ---- the menu bar ----
constexpr MenuItem kRecentFiles[] = {List(cmd::FileMru1)};
constexpr MenuItem kFileMenu[] = {
    C(cmd::FileOpen), C(cmd::FileClose), C(cmd::FileSave), C(cmd::FileSaveAs), Sep,
    C(cmd::ImportSyncMarkers), C(cmd::ReloadAudio), Sep,
    C(cmd::OpenTextTranscription), C(cmd::SaveTextTranscription), C(cmd::SaveTextTranscriptionAs), Sep,
    C(cmd::Print), C(cmd::PrintPreview), C(cmd::PrintSetup), Sep,
    Sub("Recent &File", kRecentFiles), Sep,
    C(cmd::AppExit),
};
constexpr MenuItem kEditMenu[] = {
    C(cmd::EditUndo), C(cmd::EditRedo), Sep,
    C(cmd::EditCut), C(cmd::EditCopy), C(cmd::EditPaste), C(cmd::EditClear), Sep,
    C(cmd::EditFind), C(cmd::EditReplace), Sep,
    C(cmd::SelectAll), C(cmd::Unselect), Sep,
    C(cmd::AddCutMarker), Sep,
    C(cmd::NoiseGate),
};
constexpr MenuItem kViewMenu[] = {
    C(cmd::ViewToolbar), C(cmd::ViewStatusBar), C(cmd::ShowOutputBar), C(cmd::ShowCharacterView),
    C(cmd::ShowTranscriptionEditor),
};
// The menu bar lists "User Events Channel" before "Gestures Channel"; the margin's pop-up after.
// Both Display menus list the channel table's switches, each in the order the table gives it.
template <int ChannelSpec::*Place>
constexpr std::array<MenuItem, DisplayMenuSize(Place)> DisplayMenu() {
    std::array<MenuItem, DisplayMenuSize(Place)> items{};
    for (const ChannelSpec& spec : kChannelTable)
        if (spec.*Place > 0) items[spec.*Place - 1] = C(spec.command);
    return items;
}
constexpr auto kDisplayMenu = DisplayMenu<&ChannelSpec::menuPlace>();
constexpr auto kDisplayPopup = DisplayMenu<&ChannelSpec::popupPlace>();
constexpr MenuItem kModelMenu[] = {
    C(cmd::ModelGeneric), C(cmd::ModelMale), C(cmd::ModelFemale), C(cmd::ModelFast), Sep,
    C(cmd::ModelExternal), C(cmd::ChooseModel),
};
constexpr MenuItem kArticulatorMenu[] = {
    C(cmd::Smoothing), Sep, C(cmd::ArticulatorDefault), C(cmd::ArticulatorExternal), C(cmd::ArticulatorChoose),
};
constexpr MenuItem kLipsyncMenu[] = {
    C(cmd::LipsyncWithText), C(cmd::TextlessLipsync), Sep,
    Sub("Acoustic &Model", kModelMenu), Sep,
    C(cmd::SubPhonemeEnergies), C(cmd::UseLanguageModel), C(cmd::SelectLanguageModelFile),
    C(cmd::LipsyncEntireFile), C(cmd::SecondChannel), C(cmd::UsePhnConstraints), C(cmd::SelectConstraintsFile), Sep,
    Sub("&Articulator", kArticulatorMenu), Sep,
    C(cmd::PhonemeTestDialog),
};
constexpr MenuItem kMarkersMenu[] = {
    Sub("Set &Phoneme", kPhonemeGroups), C(cmd::ClearPhonemes), Sep,
    C(cmd::AddGesture), C(cmd::EditGesture), C(cmd::DeleteGesture), Sep,
    C(cmd::DeleteWord), Sep,
    C(cmd::AddEvent), C(cmd::EditEvent), C(cmd::DeleteEvent), Sep,
    C(cmd::DeleteMarkers), C(cmd::Framize),
};
constexpr MenuItem kFlashMenu[] = {
    C(cmd::ExtractGestures), C(cmd::SelectCharacter), C(cmd::PreviewCharacter), Sep,
    C(cmd::ExportLipsync), C(cmd::PublishSettings), C(cmd::PublishSwf),
};
constexpr MenuItem kPlaybackMenu[] = {
    C(cmd::Play), C(cmd::PlayOrStop), C(cmd::Rewind), Sep, C(cmd::PlayRewindMode), C(cmd::Loop),
};
constexpr MenuItem kOptionsMenu[] = {
    C(cmd::CurrentLanguage), C(cmd::SelectLanguage), Sep,
    C(cmd::CharacterSetup), C(cmd::SaveCompiledCharacter), Sep,
    C(cmd::Preferences),
};
constexpr MenuItem kWindowMenu[] = {C(cmd::WindowCascade), C(cmd::WindowTile), Sep, List(cmd::WindowFirstDocument)};
constexpr MenuItem kHelpMenu[] = {C(cmd::HelpFile), Sep, C(cmd::About)};

constexpr MenuItem kMainMenu[] = {
    Sub("&File", kFileMenu),       Sub("&Edit", kEditMenu),         Sub("&View", kViewMenu),
    Sub("&Display", kDisplayMenu), Sub("&Lipsync", kLipsyncMenu),   Sub("&Markers", kMarkersMenu),
    Sub("Fl&ash", kFlashMenu),     Sub("&Playback", kPlaybackMenu), Sub("&Options", kOptionsMenu),
    Sub("&Window", kWindowMenu),   Sub("&Help", kHelpMenu),
};

// ---- pop-up menus ----
constexpr MenuItem kGesturesPopup[] = {C(cmd::AddGesture), C(cmd::EditGesture), C(cmd::DeleteGesture)};
constexpr MenuItem kEventsPopup[] = {C(cmd::AddEvent), C(cmd::EditEvent), C(cmd::DeleteEvent)};
constexpr MenuItem kWordsPopup[] = {C(cmd::DeleteWord)};
constexpr MenuItem kTimelineContext[] = {
    Sub("Phoneme", kPhonemeMenu), Sub("Gestures", kGesturesPopup), Sub("Events", kEventsPopup),
    Sub("Words", kWordsPopup),    C(cmd::EditUndo, "&Undo\tCtrl+Z"), C(cmd::EditRedo, "Redo\tCtrl+Y"),
};
// The Flash gesture channel's: the selected clip, the template's gestures, and the gesture clicked.
constexpr MenuItem kFlashTemplateGestures[] = {List(cmd::FlashAddGestureFirst)};
constexpr MenuItem kFlashGestureChannel[] = {
    C(cmd::FlashAddSelected), Sub("Add Gesture", kFlashTemplateGestures), Sep,
    C(cmd::FlashDeleteGesture), Sep,
    C(cmd::EditGesture, "Change To Selected Gesture"),
};
constexpr MenuItem kScriptContext[] = {
    C(cmd::EditUndo, "&Undo\tCtrl+Z"), C(cmd::EditRedo, "Redo\tCtrl+Y"), Sep,
    C(cmd::AddCutMarker, "Add Cut Marker at cursor"), Sep,
    C(cmd::EditCut, "Cu&t\tCtrl+X"), C(cmd::EditCopy, "&Copy\tCtrl+C"), C(cmd::EditPaste, "&Paste\tCtrl+V"),
};

constexpr MenuTree kMenus[] = {
    {menu_id::MainMenu, "main", kMainMenu},
    {menu_id::FlashDocument, "flash", kFlashMenu},
    {menu_id::DisplayPopup, "display", kDisplayPopup},
    {menu_id::ScriptContext, "script", kScriptContext},
    {menu_id::TimelineContext, "timeline", kTimelineContext},
    {menu_id::PhonemeList, "phonemes", kPhonemeGroups},
    {menu_id::FlashGestureChannel, "flash gestures", kFlashGestureChannel},
};

// ---- toolbars ----
constexpr int kStandardBar[] = {cmd::FileOpen, cmd::FileSave,  0, cmd::EditCut, cmd::EditCopy,
                                cmd::EditPaste, 0, cmd::EditUndo, cmd::EditRedo};
constexpr int kRecognitionBar[] = {cmd::LipsyncRange, 0, cmd::AlignTextWithAudio, cmd::TextlessLipsync};
constexpr int kPlaybackBar[] = {cmd::Play, cmd::PlayOrStop, cmd::Rewind, 0, cmd::PlayRewindMode};
constexpr int kScriptBar[] = {cmd::OpenTextTranscription, cmd::SaveTextTranscription, 0, cmd::AlignmentList, 0,
                              cmd::AlignTextWithAudio, 0, cmd::AddCutMarker, cmd::HilightCutMarker, 0,
                              cmd::ScriptLanguageList};
constexpr ToolBarTree kToolBars[] = {
    {toolbar_id::Standard, "Standard", kStandardBar},
    {toolbar_id::Recognition, "Recognition", kRecognitionBar},
    {toolbar_id::Playback, "Playback", kPlaybackBar},
    {toolbar_id::Script, "Script", kScriptBar},
};

struct Row {
    int id;
    const char* text;
    const char* prompt;
    const char* key = nullptr;
    const char* icon = nullptr;
    bool checkable = false;
};

// clang-format off
const Row kRows[] = {
    // File
    {cmd::FileNew, "", "", "Ctrl+N"},
    {cmd::FileOpen, "&Open...\tCtrl+O", "Open a recording or a results file", "Ctrl+O", "document-open"},
    {cmd::FileClose, "&Close", "Close the active document"},
    {cmd::FileSave, "&Save\tCtrl+S", "Save the active document", "Ctrl+S", "document-save"},
    {cmd::FileSaveAs, "Save &As...", "Save the active document under a new name"},
    {cmd::ImportSyncMarkers, "&Import...\tCtrl+I", "Import sync markers into the recognition track", "Ctrl+I"},
    // "A" belongs to Save As.
    {cmd::ReloadAudio, "Reload A&udio...", "Read the recording again from its file"},
    {cmd::OpenTextTranscription, "Open &Text Transcription...", "Open a script into the script editor\nOpen Text Transcription", nullptr, "document-open"},
    {cmd::SaveTextTranscription, "Save Text Tra&nscription", "Save the script\nSave Text Transcription", nullptr, "document-save"},
    {cmd::SaveTextTranscriptionAs, "Save Text Transcription As...", "Save the script under a new name"},
    {cmd::PrintSetup, "P&rint Setup...", "Change the printer and the printing options"},
    {cmd::Print, "&Print...\tCtrl+P", "Print the timeline", "Ctrl+P", "document-print"},
    {cmd::PrintPreview, "Print Pre&view", "Show the printed page", nullptr, "document-print-preview"},
    {cmd::AppExit, "E&xit", "Quit the program; asks to save documents"},
    // Edit
    {cmd::EditUndo, "&Undo\tCtrl+Z", "Undo the last action", "Ctrl+Z", "edit-undo"},
    {cmd::EditRedo, "&Redo\tCtrl+Y", "Redo the last undone action", "Ctrl+Y", "edit-redo"},
    {cmd::EditCut, "Cu&t\tCtrl+X", "Cut the script's selection to the clipboard", "Ctrl+X", "edit-cut"},
    {cmd::EditCopy, "&Copy\tCtrl+C", "Copy the script's selection to the clipboard", "Ctrl+C", "edit-copy"},
    {cmd::EditPaste, "&Paste\tCtrl+V", "Insert the clipboard's text into the script", "Ctrl+V", "edit-paste"},
    {cmd::EditClear, "Cl&ear", "Delete the script's selection"},
    {cmd::EditFind, "&Find...\tCtrl+F", "Find text in the script", "Ctrl+F"},
    {cmd::EditReplace, "Rep&lace...\tCtrl+H", "Replace text in the script", "Ctrl+H"},
    {cmd::SelectAll, "Select &All\tCtrl+A", "Select the whole recording", "Ctrl+A"},
    {cmd::Unselect, "Un-&select", "Put the cursor at the start of the recording"},
    {cmd::AddCutMarker, "Add Cut &Marker at cursor\tF4", "Tie the script's selection to the timeline's selection\nAdd cut marker to text", "F4", "insert-cut-marker"},
    {cmd::HilightCutMarker, "Hilight cut marker", "Select the script and the audio between the cue tags around the caret\nHilight cut marker", nullptr, "select-cut-segment"},
    {cmd::NoiseGate, "&Noise Gate...", "Apply a noise gate filter to the audio"},
    // View
    {cmd::ViewToolbar, "&Toolbar", "Show or hide the toolbar", nullptr, nullptr, true},
    {cmd::ViewStatusBar, "&Status Bar", "Show or hide the status bar", nullptr, nullptr, true},
    {cmd::ShowOutputBar, "&Output Bar", "Show or hide the Output Window", nullptr, nullptr, true},
    {cmd::ShowCharacterView, "&Character View", "Show or hide the character view", nullptr, nullptr, true},
    {cmd::ShowTranscriptionEditor, "Script &Editor", "Show or hide the script editor and its toolbar", nullptr, nullptr, true},
    // Display
    {cmd::ShowWaveform, "Waveform", "Show or hide the waveform", nullptr, nullptr, true},
    {cmd::ShowSpectrogram, "Spectral", "Show or hide the spectrogram", nullptr, nullptr, true},
    {cmd::ShowFlashGestures, "Flash Gesture Channel", "Show or hide the Flash gestures", nullptr, nullptr, true},
    {cmd::ShowPitch, "Raw Pitch Contour (slow)", "Show or hide the pitch contour", nullptr, nullptr, true},
    {cmd::ShowPhonemes, "Phonemes Channel", "Show or hide the phonemes", nullptr, nullptr, true},
    {cmd::ShowPhonemeEnergy, "Morph/Energy Channel", "Show or hide the phoneme energies", nullptr, nullptr, true},
    {cmd::ShowWords, "Words Channel", "Show or hide the words", nullptr, nullptr, true},
    {cmd::ShowGestures, "Gestures Channel", "Show or hide the gestures", nullptr, nullptr, true},
    {cmd::ShowEvents, "User Events Channel", "Show or hide the user events", nullptr, nullptr, true},
    {cmd::ShowEnergy, "Energy Contour", "Show or hide the energy contour", nullptr, nullptr, true},
    // Lipsync
    {cmd::LipsyncWithText, "&Lipsync with Text", "Align the script with the recording"},
    {cmd::AlignTextWithAudio, "Lipsync With Text", "Align the script with the recording\nLipsync/Align Text", nullptr, "align-text-audio"},
    {cmd::TextlessLipsync, "&Textless Lipsync", "Recognise the phonemes without a script\nTextless Lipsync", nullptr, "textless-lipsync"},
    {cmd::ModelGeneric, "Generic", "Recognise with the generic model", nullptr, nullptr, true},
    {cmd::ModelMale, "Male", "Recognise with the male model", nullptr, nullptr, true},
    {cmd::ModelFemale, "Female or Child", "Recognise with the female or child model", nullptr, nullptr, true},
    {cmd::ModelFast, "Fast", "Recognise with the fast model", nullptr, nullptr, true},
    {cmd::ModelExternal, "external", "Recognise with the model file chosen last", nullptr, nullptr, true},
    {cmd::ChooseModel, "Choose model from file....", "Choose an acoustic model file"},
    {cmd::SelectLanguageModelFile, "Select Language Model File...", "Choose a language model file"},
    {cmd::SelectConstraintsFile, "Select Phoneme Contraints Rules File...", "Choose a phoneme constraint rules file"},
    {cmd::SubPhonemeEnergies, "Sub-Phoneme Energies", "Give phonemes their energies", nullptr, nullptr, true},
    {cmd::UseLanguageModel, "Use Language Model", "Recognise with the language model", nullptr, nullptr, true},
    {cmd::LipsyncEntireFile, "Always Lipsync Entire File", "Lipsync the whole recording, not the selection", nullptr, nullptr, true},
    {cmd::SecondChannel, "Recognize On Second Visual Channel", "Recognize On Second Visual Channel\nSecond Channel", nullptr, nullptr, true},
    {cmd::UsePhnConstraints, "Use Phoneme Constraint Rules", "Recognise under the phoneme constraint rules", nullptr, nullptr, true},
    {cmd::Smoothing, "Smoothing", "Smooth the articulation", nullptr, nullptr, true},
    {cmd::ArticulatorDefault, "Default", "Use the built-in articulation", nullptr, nullptr, true},
    {cmd::ArticulatorExternal, "external", "Use the articulation file chosen last", nullptr, nullptr, true},
    {cmd::ArticulatorChoose, "Choose from file...", "Choose an articulation file"},
    {cmd::PhonemeTestDialog, "Phoneme Test Dialog...", "Transcribe a text into phonemes"},
    // Markers
    {cmd::ClearPhonemes, "Clear", "Delete the phonemes in the selection"},
    {cmd::AddGesture, "Add Gesture...", "Add a gesture over the selection"},
    {cmd::EditGesture, "Edit Gesture...", "Edit the current gesture\nEdit the current Gesture"},
    {cmd::DeleteGesture, "Delete Gesture", "Delete the gestures in the selection"},
    {cmd::DeleteWord, "Delete Word", "Delete the words in the selection"},
    {cmd::AddEvent, "Add Event...", "Add an event over the selection"},
    {cmd::EditEvent, "Edit Event...", "Edit the event in the selection"},
    {cmd::DeleteEvent, "Delete Event", "Delete the events in the selection"},
    {cmd::DeleteMarkers, "Delete Markers...", "Delete markers by kind"},
    {cmd::Framize, "Align to Frame Rate", "Align to Frame Rate"},
    // Flash
    {cmd::ExtractGestures, "Extract Gestures", "Extract Gestures"},
    {cmd::SelectCharacter, "Select Flash Character Template", "Select Flash Character Template"},
    {cmd::PreviewCharacter, "Preview the character in Flash", "Preview the character in Flash"},
    {cmd::ExportLipsync, "Export the lipsync data", "Export the lipsync data"},
    {cmd::PublishSettings, "Select or Change Publish Settings", "Select or Change Publish Settings"},
    {cmd::PublishSwf, "Publish the SWF", "Publish the SWF"},
    {cmd::FlashAddSelected, "Add Selected Gesture", "Add the clip selected in the Flash gestures bar over the selection"},
    {cmd::FlashDeleteGesture, "Delete Gesture", "Delete the gesture under the pointer"},
    // Playback
    {cmd::Play, "Play Audio\t<space key> or F5", "Play the selection, or from the cursor\nPlay Audio", "F5", "media-playback-start", true},
    {cmd::PlayOrStop, "Stop Audio", "Stop playing\nStop Audio", nullptr, "media-playback-pause", true},
    {cmd::Rewind, "Rewind <<", "Stop and put the cursor at the start\nRewind", nullptr, "media-skip-backward"},
    {cmd::PlayRewindMode, "Play/Rewind", "Go back to where playback started when it ends\nPlay and Rewind Mode", nullptr, "media-playlist-repeat", true},
    {cmd::Loop, "Loop", "Play again from the start when playback ends", nullptr, nullptr, true},
    // Options
    {cmd::CurrentLanguage, "Default - English", "The current language", nullptr, nullptr, true},
    {cmd::SelectLanguage, "Select Language...", "Choose the default language"},
    {cmd::CharacterSetup, "New 3d Character...", "Map phonemes to a new 3D character's visemes"},
    {cmd::SaveCompiledCharacter, "Save Compiled Character...", "Save the character as one compiled file"},
    {cmd::Preferences, "&Preferences...", "Change the program's preferences"},
    // Window
    {cmd::WindowCascade, "&Cascade", "Arrange the documents' windows so that they overlap"},
    {cmd::WindowTile, "&Tile", "Arrange the documents' windows side by side"},
    // Help
    {cmd::HelpFile, "Phonarc &Help...", "Open the user guide"},
    {cmd::About, "&About The Phonarc", "Show the program's version"},
};
// clang-format on

std::vector<CommandInfo> BuildTable() {
    std::vector<CommandInfo> table;
    for (const Row& r : kRows)
        table.push_back({r.id, r.text, r.prompt, r.key, r.icon, r.checkable});
    for (int id = cmd::PhonemeFirst; id <= cmd::PhonemeLast; ++id)
        table.push_back({id, PhonemeCommandMenuText(id), "Set the selection's phoneme", nullptr, nullptr, false});
    return table;
}

void Collect(std::span<const MenuItem> items, std::vector<int>* ids) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuKind::Command) ids->push_back(item.id);
        if (item.kind == MenuKind::SubMenu) Collect(item.items, ids);
    }
}

}  // namespace

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = BuildTable();
    return table;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : CommandTable())
        if (c.id == id) return &c;
    return nullptr;
}

std::span<const MenuTree> MenuTrees() { return kMenus; }

const MenuTree* FindMenuTree(int id) {
    for (const MenuTree& m : kMenus)
        if (m.id == id) return &m;
    return nullptr;
}

std::span<const ToolBarTree> ToolBarTrees() { return kToolBars; }

const ToolBarTree* FindToolBarTree(int barId) {
    for (const ToolBarTree& t : kToolBars)
        if (t.barId == barId) return &t;
    return nullptr;
}

std::vector<int> AcceleratorOnlyCommands() {
    std::vector<int> placed;
    for (const MenuTree& m : kMenus) Collect(m.items, &placed);
    for (const ToolBarTree& t : kToolBars) placed.insert(placed.end(), t.items.begin(), t.items.end());
    std::vector<int> ids;
    for (const CommandInfo& c : CommandTable())
        if (c.key && std::find(placed.begin(), placed.end(), c.id) == placed.end()) ids.push_back(c.id);
    return ids;
}

char MenuMnemonic(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;  // "&&" is a literal ampersand
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

std::string MenuItemText(const MenuItem& item) {
    if (item.text) return item.text;
    const CommandInfo* c = FindCommand(item.id);
    return c ? c->text : std::string();
}

void CollectMenuCommands(std::span<const MenuItem> items, std::vector<int>* ids) { Collect(items, ids); }
