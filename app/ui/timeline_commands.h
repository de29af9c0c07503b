// The timeline's commands in the main window (Play, Stop, Rewind, Select All, Un-select and the
// Display menu's channel toggles), routed to the active document's view, and what a view needs of
// the main frame.
#pragma once

#include <functional>

#include "views/timeline/phonarc_view.h"

class CCommandRouter;
class CMainFrame;

// Registers the commands and adds the Display menu and the Edit menu's selection items.
void InstallTimelineCommands(CMainFrame& frame, CCommandRouter& router, std::function<CPhonarcView*()> activeView);

// Status panes, the playback options, command routing and the context menu of the main frame.
TimelineViewHooks MakeTimelineHooks(CMainFrame& frame, CCommandRouter& router);
