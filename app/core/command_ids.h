// Every command id of the program, defined here once: menus, toolbars, pop-up menus, accelerators
// and the lists that sit in toolbars; and the ids of the bars, which the docking layout is saved
// under. The command table (command_table.h) gives the commands' texts and places.
#pragma once

namespace cmd {
// File
constexpr int FileNew = 57600;  // accelerator only: a new empty document is never made
constexpr int FileOpen = 57601;
constexpr int FileClose = 57602;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int PrintSetup = 57606;
constexpr int Print = 57607;
constexpr int PrintPreview = 57609;
constexpr int FileMru1 = 57616;  // the recent files are 57616 to 57631
constexpr int FileMruLast = 57631;
constexpr int ImportSyncMarkers = 32836;
constexpr int ReloadAudio = 32964;
constexpr int OpenTextTranscription = 32852;
constexpr int SaveTextTranscription = 32853;
constexpr int SaveTextTranscriptionAs = 32855;
constexpr int AppExit = 57665;

// Edit
constexpr int EditClear = 57632;
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditFind = 57636;
constexpr int EditPaste = 57637;
constexpr int EditReplace = 57641;
constexpr int EditUndo = 57643;
constexpr int EditRedo = 57644;
constexpr int SelectAll = 32835;
constexpr int Unselect = 32833;
constexpr int AddCutMarker = 32920;
constexpr int HilightCutMarker = 32922;
constexpr int NoiseGate = 32851;

// View
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;
constexpr int ShowOutputBar = 32826;
constexpr int ShowCharacterView = 32788;
constexpr int ShowTranscriptionEditor = 32854;

// Display: one per timeline channel; the last five have no menu item.
constexpr int ShowWaveform = 32774;
constexpr int ShowSpectrogram = 32775;
constexpr int ShowFlashGestures = 32959;
constexpr int ShowPitch = 32822;
constexpr int ShowPhonemes = 32783;
constexpr int ShowPhonemeEnergy = 32898;
constexpr int ShowWords = 32804;
constexpr int ShowGestures = 32941;
constexpr int ShowEvents = 32820;
constexpr int ShowEnergy = 32787;
constexpr int ShowPhonemesTrack0 = 32780;
constexpr int ShowPhonemesTrack2 = 32805;
constexpr int ShowLpcError = 32784;
constexpr int ShowLpc = 32785;
constexpr int ShowBox = 32786;

// Lipsync
constexpr int LipsyncWithText = 32799;
constexpr int AlignTextWithAudio = 32901;  // the toolbars' Lipsync With Text
constexpr int TextlessLipsync = 32849;
constexpr int ModelFemale = 32842;
constexpr int ModelMale = 32843;
constexpr int ModelGeneric = 32844;
constexpr int ModelFast = 32845;
constexpr int ModelExternal = 32846;
constexpr int ChooseModel = 32847;
constexpr int SelectLanguageModelFile = 32825;
constexpr int SelectConstraintsFile = 32971;
constexpr int SubPhonemeEnergies = 32819;
constexpr int UseLanguageModel = 32824;
constexpr int LipsyncEntireFile = 32832;
constexpr int SecondChannel = 32850;
constexpr int UsePhnConstraints = 32970;
constexpr int Smoothing = 32972;
constexpr int ArticulatorDefault = 32953;
constexpr int ArticulatorExternal = 32954;
constexpr int ArticulatorChoose = 32955;
constexpr int PhonemeTestDialog = 32793;
constexpr int ExtractGestures = 32943;

// Markers
constexpr int PhonemeFirst = 32857;  // one per phoneme code, in kPhonemeCommandCodes order
constexpr int PhonemeLast = 32896;
constexpr int ClearPhonemes = 32965;
constexpr int AddGesture = 32945;
constexpr int EditGesture = 32946;  // also the Flash channel's "Change To"
constexpr int DeleteGesture = 32944;
constexpr int DeleteWord = 32950;
constexpr int AddEvent = 32948;
constexpr int EditEvent = 32949;
constexpr int DeleteEvent = 32947;
constexpr int DeleteMarkers = 32976;
constexpr int Framize = 32951;

// The Flash document and its gesture channel
constexpr int SelectCharacter = 32956;
constexpr int PreviewCharacter = 32958;
constexpr int ExportLipsync = 32818;
constexpr int PublishSettings = 32962;
constexpr int PublishSwf = 32963;
constexpr int FlashAddSelected = 32961;
constexpr int FlashDeleteGesture = 32960;
constexpr int FlashAddGestureFirst = 45039;  // one per gesture record of the character template

// Playback
constexpr int Play = 32802;
constexpr int PlayOrStop = 32803;
constexpr int Rewind = 32974;
constexpr int PlayRewindMode = 32973;
constexpr int Loop = 32984;

// Options
constexpr int CurrentLanguage = 32827;
constexpr int SelectLanguage = 32834;
constexpr int CharacterSetup = 32979;
constexpr int SaveCompiledCharacter = 32983;
constexpr int Preferences = 32778;

// Window
constexpr int WindowCascade = 57650;
constexpr int WindowTile = 57651;
constexpr int WindowFirstDocument = 65280;  // the open documents' entries follow

// Help
constexpr int HelpFile = 32823;
constexpr int About = 57664;

// Lists inside toolbars
constexpr int LipsyncRange = 32939;
constexpr int AlignmentList = 32902;
constexpr int ScriptLanguageList = 32969;
}  // namespace cmd

// The toolbars.
namespace toolbar_id {
constexpr int Standard = 59400;
constexpr int Recognition = 59508;
constexpr int Playback = 59509;
constexpr int Script = 59507;  // each document frame's
}  // namespace toolbar_id

// The docking bars.
namespace bar_id {
constexpr int Viewer = 123;           // "View", the main frame's
constexpr int OutputWindow = 59405;   // "Output Window", the main frame's
constexpr int ScriptEditor = 59506;   // "Script Editor", each document frame's
constexpr int FlashGestures = 59511;  // "Flash Gestures", each document frame's
}  // namespace bar_id
