// The document of Flash character work: the lip-sync document with a character template, its
// gesture animation and the publishing settings the results file keeps. It reads and writes the
// character-info and gesture sections after the base results, loads the template they name, runs
// Extract Gestures and takes animation changes from the undoable gesture edits.
#pragma once

#include "app/core/command_ids.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/core/command_rows.h"
#include "app/core/phonarc_doc.h"
#include "flash/character_source.h"
#include "flash/swf_char.h"
#include "flash/zuvo_anim.h"

class flash_gesture_selection;

// Texts of the Flash document.
inline constexpr const char* kTextAutoGesture = "Auto Gesture";
inline constexpr const char* kTextSelectCharacter = "Select Flash Character Template";
inline constexpr const char* kTextLipsyncFirst = "Please Lipsync the character before auto gesturing.";

// The character-info section as the results file stores it.
struct flash_character_info {
    std::string character_path;
    std::string publish_file;
    int frame_rate = 0;  // 0: the template's
    bool compress = false;
    int audio_bitrate = 24;
    bool protect = true;
    bool ambients = true;
};

// Reads keyword records up to "end_character_info", the end of the stream or an empty word;
// keywords in any case, unknown words skipped.
void ReadCharacterInfo(std::istream& in, flash_character_info& info);
// The section, "character" first and "end_character_info" last; frame_rate only when it differs
// from the template's rate.
void WriteCharacterInfo(std::ostream& out, const flash_character_info& info, int template_rate);

// What the Flash document asks of the program around it; the document's frame implements it.
class flash_document_frame {
public:
    virtual void ShowFlashGesturesBar(bool show) = 0;
    // Shows the timeline channel of that display bit when it is hidden.
    virtual void ShowChannel(uint32_t bit) = 0;
    // The gestures view of the document, or null.
    virtual flash_gesture_selection* FindFlashGesturesView() = 0;

protected:
    ~flash_document_frame() = default;
};

// User-interface thread only.
class CPhonarcDocFlash : public CPhonarcDoc, public anim_target, public flash_character_source {
public:
    explicit CPhonarcDocFlash(const document_host& host);

    bool ReadResults(sync_results_file& file, std::istream& in, std::ostream& errors) override;
    bool WriteExtraSections(int unused, int flags, std::ostream& out) override;

    // The character becomes a copy and the animation uses it; the views are refreshed.
    virtual void SetCharacter(const zuvo_swf_char& character);
    // The animation becomes a copy (on the document's template); the views are refreshed.
    virtual void SetAnim(const FZuvoAnim& anim);
    void SetAnim(const anim_snapshot& anim) override;

    zuvo_swf_char* GetCharacter() { return &character_; }
    FZuvoAnim* GetAnim() { return &anim_; }
    const FZuvoAnim& anim() const { return anim_; }
    bool HasTemplate() const { return anim_.get_character() != nullptr; }
    flash_gesture_selection* FindFlashGesturesView() const;
    void SetFrame(flash_document_frame* frame) { frame_ = frame; }
    flash_document_frame* frame() const { return frame_; }

    // One undoable step from the current animation to after.
    void CommitAnim(const std::string& name, const FZuvoAnim& after);
    void OnExtractGestures();
    // Asks for a template file and makes it the document's character (OnSelectCharacter); false
    // when the user cancelled or it did not load (the user was told why).
    bool OnSelectCharacter();
    // Loads the template at path as reading a results file does; on success the character, its
    // path and the animation (its gestures looked up again in the new template) change as one
    // undoable step. On failure errors gets the reasons in the results file's words and nothing
    // changes.
    bool SelectCharacterTemplate(const std::string& path, std::ostream& errors);
    CommandState UpdatePreviewCharacter() const { return {HasTemplate(), false, {}}; }

    std::string character_path() const override { return info_.character_path; }
    const zuvo_swf_char* character() const override { return HasTemplate() ? &character_ : nullptr; }
    const flash_character_info& info() const { return info_; }
    // The gesture section as read when its template did not load; written back as it was.
    const std::string& kept_gesture_section() const { return kept_gestures_; }

    // What the template choice changes; the undoable step swaps whole states.
    struct character_state {
        std::string path;
        zuvo_swf_char character;
        FZuvoAnim anim;
        bool loaded = false;
    };
    character_state CharacterState() const;
    void SetCharacterState(const character_state& state);

private:
    FZuvoAnim anim_;
    zuvo_swf_char character_;
    flash_character_info info_;
    std::string kept_gestures_;
    flash_document_frame* frame_ = nullptr;
};

// The Flash document's commands over the active Flash document: Extract Gestures, Select Flash
// Character Template, and the publishing items, which stay disabled (publishing is not built).
// Preview is the shell's: it shows a window.
const std::vector<command_row<CPhonarcDocFlash>>& FlashDocumentCommandRows();
