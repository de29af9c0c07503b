// The Noise Gate command of the active document (in the Edit menu) and the program's Preferences
// command, hooked into the main frame's router.
#pragma once

#include "app/core/command_ids.h"

#include <functional>

class CCommandRouter;
class CMainFrame;
class CPhonarcDoc;
class IProfileStore;
class IPrompts;


// active gives the active document or null. GUI thread only; every reference outlives the frame.
void InstallGateAndPreferencesCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                                       IPrompts& prompts, std::function<CPhonarcDoc*()> active);
