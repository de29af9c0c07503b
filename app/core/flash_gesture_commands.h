// The Flash gesture channel's commands: add a template gesture (the clip selected in the gestures
// bar, or one chosen by name) over the selection, delete the gesture clicked, change it to the
// selected clip. Each is one undoable step of the channel's own Flash document. Their place is
// the channel's pop-up of the command tree (menu_id::FlashGestureChannel). Toolkit-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/command_ids.h"
#include "app/core/command_rows.h"

class CPhonarcDocFlash;

// Adding and deleting are named as the marker commands name them (kUndoAddGesture,
// kUndoDeleteGesture). The command's prompt is "Edit the current gesture\nEdit the current Gesture"; the undo step is
// named by its first line, which is what a menu can show.
inline constexpr const char* kUndoFlashChangeGesture = "Edit the current gesture";
inline constexpr const char* kTextNoRoomAtEnd =
    "Sorry, there is no room for a gesture at the end of the recording. Please place the cursor earlier and try "
    "again.";

// What the pop-up's commands act on: the channel's document and the gesture under the pointer
// when the menu opened (taken then: playback may scroll the view while the menu is open).
struct flash_gesture_target {
    CPhonarcDocFlash* doc = nullptr;
    bool has_gesture = false;
    uint32_t gesture_id = 0;
};

// The template's clip clip as a gesture over the document's selection, it and its tweens cut at
// the end of the recording (the other gestures stay as they are); without a selection, or with one
// at the very end, the user is told, and an index the template does not have does nothing.
void OnFlashAddGesture(CPhonarcDocFlash& doc, int clip);
// The recording's length in ms, where gestures added or dragged end; 0 without a recording.
int FlashRecordingLengthMs(const CPhonarcDocFlash& doc);
// Nothing when the gesture has gone (an undo while the menu was open).
void OnFlashDeleteGesture(CPhonarcDocFlash& doc, uint32_t gesture_id);
// To the clip selected in the gestures bar; nothing without one.
void OnFlashChangeGesture(CPhonarcDocFlash& doc, uint32_t gesture_id);

// The clip selected in the document's gestures bar, -1 for none; view tells whether there is a bar.
int SelectedFlashClip(const CPhonarcDocFlash& doc, bool* view = nullptr);

// The pop-up's rows for the document as it is now: its template's gestures are the entries from
// cmd::FlashAddGestureFirst on, and the texts name the selected clip.
std::vector<command_row<flash_gesture_target>> FlashGestureCommandRows(const CPhonarcDocFlash& doc);
