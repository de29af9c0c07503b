// The timeline's commands in the main window (Play, Stop, Rewind, Select All, Un-select and the
// Display menu's channel toggles), routed to the active document's view, and what a view needs of
// the main frame.
#pragma once

#include <vector>

#include "app/core/command_rows.h"
#include "views/timeline/phonarc_view.h"

class CCommandRouter;
class CMainFrame;

// The commands as rows over the active document's view.
const std::vector<command_row<CPhonarcView>>& TimelineCommandRows();

// Status panes, the playback options, command routing and the context menu of the main frame.
TimelineViewHooks MakeTimelineHooks(CMainFrame& frame, CCommandRouter& router);
