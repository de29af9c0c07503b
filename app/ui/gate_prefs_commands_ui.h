// The Noise Gate command of the active document (in the Edit menu) and the program's Preferences
// command, as rows the main window installs.
#pragma once

#include <vector>

#include "app/core/command_rows.h"

class CMainFrame;
class CPhonarcDoc;
class IProfileStore;
class IPrompts;

// Over the active document, which needs a recording; the dialog is modal over frame. GUI thread
// only; every reference outlives the rows.
std::vector<command_row<CPhonarcDoc>> NoiseGateRows(CMainFrame& frame, IPrompts& prompts);
// Over the main frame, the sheet's parent.
std::vector<command_row<CMainFrame>> PreferencesRows(IProfileStore& profile, IPrompts& prompts);
