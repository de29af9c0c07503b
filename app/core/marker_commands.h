// The document's marker commands: set or clear phonemes over the selection, add, edit and delete
// gestures, words and events, delete chosen marker kinds, and snap phonemes to a frame grid. Each
// builds a changed copy of track 1 and commits it as one undoable step. Toolkit-free; the Qt shell
// supplies the dialogs (app/ui/marker_commands_ui.h).
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "app/core/command_ids.h"
#include "app/core/command_rows.h"
#include "app/core/phonarc_doc.h"
#include "model/marker_lists.h"

struct ArticulationKey;

// The codes of the phoneme commands in id order.
inline constexpr const char* kPhonemeCommandCodes[] = {
    "x",  "b",  "CH", "d",  "DH", "f",  "g",  "h",  "j",  "k",  "m",  "n",  "NG", "p",  "SH", "s",  "t",  "TH", "v",  "z",
    "ZH", "l",  "r",  "ER", "w",  "y",  "AA", "AE", "AH", "AO", "AW", "AY", "EY", "EH", "IY", "IH", "OW", "OY", "UH", "UW"};
static_assert(std::size(kPhonemeCommandCodes) == cmd::PhonemeLast - cmd::PhonemeFirst + 1);

// Undo names.
inline constexpr const char* kUndoSetPhoneme = "Set Phoneme";
inline constexpr const char* kUndoClearPhonemes = "Clear Phonemes";
inline constexpr const char* kUndoAddGesture = "Add Gesture";
inline constexpr const char* kUndoEditGesture = "Edit Gesture";
inline constexpr const char* kUndoDeleteGesture = "Delete Gesture";
inline constexpr const char* kUndoDeleteWord = "Delete Word";
inline constexpr const char* kUndoAddEvent = "Add Event";
inline constexpr const char* kUndoEditEvent = "Edit Event";
inline constexpr const char* kUndoDeleteEvent = "Delete Event";
inline constexpr const char* kUndoDelete = "Delete";
inline constexpr const char* kUndoFramize = "Framize";

inline constexpr const char* kTextNeedSelection =
    "Sorry, this operation can only be performed when audio is selected. Please select some audio with the mouse "
    "and try again.";
inline constexpr const char* kTextAlignToFrameRate = "Align to Frame Rate";
// The energy given to a phoneme set over a selection that holds none.
constexpr float kDefaultPhonemeEnergy = 70.0f;

// The values the commands ask the user for. The Qt shell shows its dialogs; tests script them.
class marker_command_dialogs {
public:
    virtual ~marker_command_dialogs() = default;
    // The gesture dialog on *gesture; true on OK with *gesture changed.
    virtual bool EditGesture(FGesture* gesture) = 0;
    // The event dialog showing *text and *duration (ms); true on OK with both read back.
    virtual bool EditEvent(std::string* text, int* duration) = 0;
    // The Delete Markers dialog; true on OK with the mask of its boxes.
    virtual bool ChooseDeleteMask(bool audio_selected, uint32_t* mask) = 0;
};

// The code of a phoneme command ("" for any other id).
std::string LoadCommandLabel(int id);
// The menu text of a phoneme command: the code, a tab and an example.
std::string PhonemeCommandMenuText(int id);
// The phoneme command whose code equals label ignoring case; a single vowel letter stands for a
// code (a AE, A EY, e EH, E IY, i IH, I AY, o AA, O OW, u AH, U UW); -1 otherwise.
int PhonemeCommandFromLabel(const std::string& label);

// One phoneme (label) over [s, e] of the track merged into a copy of it and committed under name.
// value < 0 takes the largest energy of the phonemes it replaces, 70 when none has one. With
// s = e the phonemes touching s are replaced whole (a phoneme of 100 ms when there are none).
void ReplacePhonemes(CPhonarcDoc& doc, const std::string& name, const std::string& label, int start, int end,
                     int track, float value);

// Phonemes rebuilt from articulation keys: the first key of each run of one dominant code keeps
// its span, the inner keys of the run become one phoneme, the last one its own; energies are
// weights x 100, closed and silent codes 0.
phn_marker_list PhonemesFromKeys(const ArticulationKey* begin, const ArticulationKey* end);

// The commands; the selection is the timeline's, read through the document (GetSelectionMs), the
// track always track 1.
void OnSetPhoneme(CPhonarcDoc& doc, int id);
void OnClearPhonemes(CPhonarcDoc& doc);
void OnAddGesture(CPhonarcDoc& doc, marker_command_dialogs& dialogs);
void OnEditGesture(CPhonarcDoc& doc, marker_command_dialogs& dialogs);
void OnDeleteGesture(CPhonarcDoc& doc);
void OnDeleteWord(CPhonarcDoc& doc);
void OnAddEvent(CPhonarcDoc& doc, marker_command_dialogs& dialogs);
void OnEditEvent(CPhonarcDoc& doc, marker_command_dialogs& dialogs);
void OnDeleteEvent(CPhonarcDoc& doc);
void OnDeleteMarkers(CPhonarcDoc& doc, marker_command_dialogs& dialogs);
// Snaps track 1's phonemes to a 12 fps grid through the articulator; the articulator's own
// settings come back afterwards. Nothing without an articulator.
void OnFramize(CPhonarcDoc& doc);

// The commands above as rows over the active document, asking through dialogs (which outlives
// the rows). The phoneme commands, Clear and the edits of what overlaps the selection need one.
std::vector<command_row<CPhonarcDoc>> MarkerCommandRows(marker_command_dialogs& dialogs);
