// Command ids and texts of the document's own commands; the frames route them to the active
// document.
#pragma once

constexpr int kCmdSubPhonemeEnergies = 32819;
constexpr int kCmdUseLanguageModel = 32824;
constexpr int kCmdLipsyncEntireFile = 32832;
constexpr int kCmdSecondChannel = 32850;
constexpr int kCmdUsePhnConstraints = 32970;
constexpr int kCmdSmoothing = 32972;
constexpr int kCmdPlayAudio = 32802;
constexpr int kCmdPhonemeTestDialog = 32793;
constexpr int kCmdLanguageName = 32827;
constexpr int kCmdArticulatorDefault = 32953;
constexpr int kCmdArticulatorExternal = 32954;
constexpr int kCmdArticulatorChoose = 32955;
constexpr int kCmdReloadAudio = 32964;
constexpr int kCmdImportSyncMarkers = 32836;
constexpr int kCmdEditUndo = 57643;
constexpr int kCmdEditRedo = 57644;
constexpr int kCmdFileOpen = 57601;
constexpr int kCmdFileClose = 57602;
constexpr int kCmdFileSave = 57603;
constexpr int kCmdFileSaveAs = 57604;
constexpr int kCmdFileMru1 = 57616;  // the recent files are 57616 to 57631
constexpr int kRecentFileCount = 16;

// Texts the document shows.
inline constexpr const char* kTextUndoFormat = "Undo %1%\tCtrl+Z";
inline constexpr const char* kTextRedoFormat = "Redo %1%\tCtrl+Y";
inline constexpr const char* kTextOperationError = "Sorry, An error occurred performing the operation: ";
inline constexpr const char* kTextAppTitle = "The Phonarc!";
