// Registered notification ids: a process-wide table that gives each name a unique id, the same
// id every time it is asked for. The undo notifications are identified this way.
#pragma once

#include <cstdint>

// Ids start at 0xC000, the range kept apart from fixed message numbers. Any thread.
uint32_t register_window_message(const char* name);

// The ids of "UndoManager:Do", "UndoManager:Undo" and "UndoManager:Redo".
uint32_t undo_message_do();
uint32_t undo_message_undo();
uint32_t undo_message_redo();
