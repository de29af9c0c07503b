// Command ids of the script editor, its toolbar and its frame.
#pragma once

namespace cmd {
constexpr int EditClear = 57632;
constexpr int EditFind = 57636;
constexpr int EditReplace = 57641;
constexpr int OpenTextTranscription = 32852;
constexpr int SaveTextTranscription = 32853;
constexpr int ShowTranscriptionEditor = 32854;
constexpr int SaveTextTranscriptionAs = 32855;
constexpr int AlignTextWithAudio = 32901;
constexpr int AlignmentList = 32902;
constexpr int AddCutMarker = 32920;
constexpr int HilightCutMarker = 32922;
constexpr int ScriptLanguageList = 32969;
}  // namespace cmd
