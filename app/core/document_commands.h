// Command ids and texts of the document's own commands; the frames route them to the active
// document.
#pragma once

#include "app/core/command_ids.h"

constexpr int kRecentFileCount = 16;

// Texts the document shows.
inline constexpr const char* kTextUndoFormat = "Undo %1%\tCtrl+Z";
inline constexpr const char* kTextRedoFormat = "Redo %1%\tCtrl+Y";
inline constexpr const char* kTextOperationError = "Sorry, An error occurred performing the operation: ";
inline constexpr const char* kTextAppTitle = "The Phonarc!";
