// What the document's small dialogs decide, without the widgets: the progress dialog's position
// and percent text, the Delete dialog's mask, the event and gesture values, the phoneme list
// edits and the phoneme test text. The Qt dialogs in app/ui only show and collect these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CTranscriber;
class FGesture;
class lexicon_mgr;

// Position and percent text of a progress dialog, and its cancel request. User-interface thread.
class progress_meter {
public:
    static constexpr int kLower = 0;
    static constexpr int kUpper = 100;
    static constexpr int kStep = 10;

    // done x 100 / total, in 64 bits: a 32-bit product overflows past 21,474,836 frames (22
    // minutes at 16 kHz). A total of 0 or less leaves the position as it is; false then.
    bool Report(int64_t done, int64_t total);
    int position() const { return position_; }

    // "%d%" of the position: 100 at the end of the range, otherwise taken modulo 100. The text
    // when it differs from the one shown last, else none (so the label is not rewritten).
    std::optional<std::string> PercentTextToShow();
    const std::string& shown_percent() const { return shown_; }

    void RequestCancel() { cancel_ = true; }
    // Whether Cancel was pressed since the last call; pressing twice is one request.
    bool TakeCancelRequest();
    // Whether any cancel was ever taken: a load that returns success after a cancel was cancelled.
    bool was_cancelled() const { return cancelled_; }

private:
    int position_ = kLower;
    std::string shown_;
    bool cancel_ = false;
    bool cancelled_ = false;
};

std::string PercentText(int position);

// The Delete dialog's bits; the caller hands them to app_sync_results::clear.
enum delete_mask_bits : uint32_t {
    kDeleteSelectionOnly = 0x01,
    kDeleteArticulation = 0x02,
    kDeletePhonemes = 0x04,
    kDeleteWords = 0x08,
    kDeleteEvents = 0x10,
    kDeleteGestures = 0x20,
    kDeleteAllKinds = 0x3E,
};

// The Delete dialog's check boxes.
struct delete_boxes {
    bool selection_enabled = false;
    bool selection_only = false;
    bool all = false;
    bool articulation = false;
    bool phonemes = false;
    bool words = false;
    bool events = false;
    bool gestures = false;
};

// The boxes the dialog opens with: the saved mask's kinds, and "Selection only" enabled and
// checked exactly when audio is selected (whatever the saved mask says about it).
delete_boxes DeleteBoxesFromMask(uint32_t mask, bool audio_selected);
// The mask the boxes give; never bit 0x01 while "Selection only" is disabled.
uint32_t DeleteMaskFromBoxes(const delete_boxes& boxes);
// After a click on "All marker types" (boxes.all is its new state): all five kinds follow it;
// "Selection only" stays as it is.
delete_boxes DeleteBoxesAfterAllClicked(const delete_boxes& boxes);

// The event dialog's duration field read as the dialog reads it: atoi.
int ParseDialogInt(const std::string& text);

// The gesture dialog's fields on opening: the names, or the marker's label in the name field when
// both are empty; the duration end - start.
struct gesture_fields {
    std::string name;
    std::string pose;
    std::string duration;
};
gesture_fields GestureFieldsFromGesture(const FGesture& gesture);
// OK: the names without '|' or line breaks, type 32, value 100, end = start + duration, label rebuilt.
void ApplyGestureFields(const gesture_fields& fields, FGesture* gesture);

// The phoneme list with one more code: a comma first unless the list is empty or ends with one.
std::string AppendPhonemeToList(const std::string& list, const std::string& label);

// The phoneme test dialog's output for a script (UTF-8): the phoneme string, then a line per
// marker of the transcription with its slots. The transcriber must be valid.
std::string PhonemeTestText(CTranscriber* transcriber, const std::string& script);
// Generate in the phoneme test dialog: PhonemeTestText with the current language's transcriber.
// False, with the engine's error text in *error, when that transcriber cannot be made.
bool PhonemeTestForLanguage(const lexicon_mgr& languages, const std::string& script, std::string* out,
                            std::string* error);
// Load in the phoneme test dialog: the script file as UTF-8; false with the reason.
bool ReadPhonemeTestScript(const std::string& path, std::string* utf8, std::string* why);
// The search width field: whole seconds x 100, or -1 below 100.
int SearchWidthFromField(const std::string& text);
