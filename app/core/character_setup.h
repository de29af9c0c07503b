// The checks of the character setup dialog: every used row (phonemes given) lists valid codes
// and names an existing model file, all 40 codes are assigned, and codes assigned to two rows are
// reported. Also the character text file the rows describe, for importing the new character.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

constexpr int kCharacterSetupRows = 13;

struct CharacterSetupRow {
    std::string phonemes;   // codes separated by blanks or commas, or not at all
    std::string mediaFile;  // the viseme's model file (.x or .obj)
};

// What a check found, in the order the user is told.
struct CharacterSetupCheck {
    bool ok = false;                       // the dialog may close with OK
    std::vector<std::string> messages;     // message boxes, in order
    std::optional<std::string> statusText; // the dialog's message text, when the check changed it
    int focusRow = -1;                     // row (0-based) whose control takes the focus; -1 none
    bool focusMedia = false;               // that row's media edit, else its phoneme list
    int invalidFrom = -1;                  // the phoneme list's first invalid label (select to the end)
};

// Rows in dialog order (at most 13 are read). fileExists defaults to the file system's.
CharacterSetupCheck ValidateCharacterSetup(const std::vector<CharacterSetupRow>& rows,
                                           const std::function<bool(const std::string&)>& fileExists = nullptr);

// The character text file of the rows: one single model per viseme, each code of a row naming
// that row's file, written relative to folder (the character file's own, ending in '/'). None,
// with a reason, when a row's list is invalid or a path holds white space (the file is read
// token by token).
std::optional<std::string> BuildCharacterText(const std::vector<CharacterSetupRow>& rows, const std::string& folder,
                                              std::string* error = nullptr);
