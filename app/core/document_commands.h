// The document's own commands (Import, Reload Audio, Undo, Redo) as rows over the active
// document, and the texts the document shows.
#pragma once

#include <vector>

#include "app/core/command_ids.h"
#include "app/core/command_rows.h"

class CPhonarcDoc;

// Texts the document shows.
inline constexpr const char* kTextUndoFormat = "Undo %1%\tCtrl+Z";
inline constexpr const char* kTextRedoFormat = "Redo %1%\tCtrl+Y";
inline constexpr const char* kTextOperationError = "Sorry, An error occurred performing the operation: ";
inline constexpr const char* kTextAppTitle = "The Phonarc!";

// Undo and Redo name the action they take back or do again ("Undo Set Phoneme\tCtrl+Z"); one
// history covers markers and the script.
const std::vector<command_row<CPhonarcDoc>>& DocumentCommandRows();
