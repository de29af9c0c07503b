// Command ids of the program's menus, toolbars and accelerators.
#pragma once

namespace cmd {
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int PrintSetup = 57606;
constexpr int AppExit = 57665;
constexpr int About = 57664;
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;
constexpr int EditUndo = 57643;
constexpr int EditRedo = 57644;
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;
constexpr int Preferences = 32778;
constexpr int ShowCharacterView = 32788;
constexpr int Play = 32802;
constexpr int PlayOrStop = 32803;
constexpr int HelpFile = 32823;
constexpr int ShowOutputBar = 32826;
constexpr int CurrentLanguage = 32827;
constexpr int SelectLanguage = 32834;
constexpr int TextlessLipsync = 32849;
constexpr int LipsyncRange = 32939;
constexpr int Rewind = 32974;
constexpr int PlayRewindMode = 32973;
constexpr int CharacterSetup = 32979;
constexpr int SaveCompiledCharacter = 32983;
constexpr int Loop = 32984;
}  // namespace cmd
