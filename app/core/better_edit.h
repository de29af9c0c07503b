// The script editor's undoable editing: every change of the text (typing, cut, paste, clear,
// replace, replace all, cue tags) becomes an action in the undo history of the editor's owner, the
// document, so one Undo list covers marker and script edits in the order they were made.
// Toolkit-free: works through edit_control; the Qt widget forwards its keys and commands here.
#pragma once

#include "app/core/command_ids.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/edit_control.h"
#include "model/undo_manager.h"

class CBetterEditView;

// Names of the editor's actions (string ids).
constexpr uint32_t kIdsTyping = 10000;
constexpr uint32_t kIdsCut = 10020;
constexpr uint32_t kIdsPaste = 10021;
constexpr uint32_t kIdsClear = 10023;
constexpr uint32_t kIdsReplace = 10025;
constexpr uint32_t kIdsReplaceAll = 10026;
constexpr uint32_t kIdsCueMarker = 112;
// Opening a script is named by its command's own text.
constexpr uint32_t kIdsOpenScript = cmd::OpenTextTranscription;

// The text of one of the editor's action names; "" for another id.
std::string ScriptActionName(uint32_t name_id);

// Virtual-key codes the editor reacts to, and the extended-key flag of the Delete key.
constexpr uint32_t kKeyBackspace = 8;
constexpr uint32_t kKeyReturn = 13;
constexpr uint32_t kKeyDelete = 46;
constexpr uint32_t kKeyExtended = 0x100;

// A stretch of the buffer: [start, end) and its text.
class CTextRange {
public:
    virtual ~CTextRange() = default;
    virtual void Reset(int32_t length) {
        start = 0;
        end = length;
        text.clear();
    }
    virtual void SetLength(int32_t length) { end = start + length; }
    virtual void Prepend(const CTextRange& other) {
        start -= static_cast<int32_t>(other.text.size());
        text = other.text + text;
    }
    virtual void Append(const CTextRange& other) {
        end += static_cast<int32_t>(other.text.size());
        text += other.text;
    }
    virtual void Assign(const CTextRange& other) { *this = other; }
    bool empty() const { return start == end; }

    int32_t start = 0;
    int32_t end = 0;
    std::string text;
};

// Base of the editor's actions; its owner is the view's owner and it is always recorded.
class CBEAction : public CAction {
public:
    CBEAction(CBetterEditView* view, uint32_t name_id);
    ~CBEAction() override;
    void Undo() override;
    void Redo() override;
    virtual void Type(uint32_t c, int repeat, uint32_t flags) {
        (void)c;
        (void)repeat;
        (void)flags;
    }
    virtual bool IsOpen() const { return false; }

    // Expires when the action is deleted (the history dropped it, or a new action cleared redo).
    std::weak_ptr<CBEAction*> Life() const { return life_; }

protected:
    CBetterEditView* view_;

private:
    std::shared_ptr<CBEAction*> life_;
};

// An action that replaced the text of "before" by the text of "after".
class CBETextAction : public CBEAction {
public:
    CBETextAction(CBetterEditView* view, uint32_t name_id);
    void Seal() override;
    void Undo() override;
    void Redo() override;
    virtual void CaptureRange(CTextRange& range);
    virtual void DeleteRange(const CTextRange& range);
    virtual void InsertRange(const CTextRange& range);

    const CTextRange& after() const { return after_; }
    const CTextRange& before() const { return before_; }

protected:
    CTextRange after_;
    CTextRange before_;
    bool after_pending_ = true;
};

// Cut, Paste and Clear.
class CBEEditAction : public CBETextAction {
public:
    using CBETextAction::CBETextAction;
    void Do() override;
    virtual void Perform();
};

// Replaces [selection start, selection end) with a text: cue tags and opening a script.
class CBESetSelectionAction : public CBEEditAction {
public:
    CBESetSelectionAction(CBetterEditView* view, uint32_t name_id, std::string text, int32_t start, int32_t end);
    void Perform() override;

private:
    std::string text_;
    int32_t sel_start_;
    int32_t sel_end_;
};

// Replace (one match, the selection) and Replace All (every match from the caret on).
class CBEReplaceAction : public CBEEditAction {
public:
    CBEReplaceAction(CBetterEditView* view, uint32_t name_id, std::string replacement, std::string search,
                     bool match_case);
    void Perform() override;
    void Undo() override;
    void Redo() override;

    const std::vector<CTextRange>& matches() const { return matches_; }

private:
    std::string replacement_;
    std::string search_;
    bool match_case_;
    bool capturing_ = true;
    std::vector<CTextRange> matches_;
};

// A run of typing: grows with every key until a click, a caret key or the next action seals it.
class CBETypingAction : public CBETextAction {
public:
    CBETypingAction(CBetterEditView* view);
    void Do() override {}
    void Seal() override;
    void Type(uint32_t c, int repeat, uint32_t flags) override;
    bool IsOpen() const override { return open_; }
    virtual void InsertChar(uint32_t c, int repeat, uint32_t flags);
    virtual void Backspace(uint32_t c, int repeat, uint32_t flags);
    virtual void DeleteForward(uint32_t c, int repeat, uint32_t flags);

private:
    bool unrecorded_ = true;
    bool open_ = true;
};

// The editor over one edit control. User-interface thread only.
class CBetterEditView {
public:
    explicit CBetterEditView(edit_control& control);
    virtual ~CBetterEditView();
    CBetterEditView(const CBetterEditView&) = delete;
    CBetterEditView& operator=(const CBetterEditView&) = delete;

    edit_control& control() const { return control_; }
    // The history the actions go to; an editor without an owner keeps a history of its own.
    undo_owner* GetOwner() const { return owner_; }
    void SetOwner(undo_owner* owner);

    // ---- operations the actions use ----
    // Selects [start, end) and scrolls the caret into view (unless told not to: a capture only
    // looks); never leaves half a line break selected.
    void SelectRange(int32_t start, int32_t end, bool scroll = true);
    std::string GetSelectedText() const;
    void GetSel(int32_t* start, int32_t* end) const { control_.GetSel(start, end); }
    void Freeze(bool on);

    // ---- commands ----
    void OnEditClear();
    void OnEditCut();
    void OnEditPaste();
    void OnEditUndo() { OnUndoLevel(1); }
    void OnEditRedo() { OnRedoLevel(1); }
    void OnUndoLevel(int levels);
    void OnRedoLevel(int levels);
    bool CanUndo() const;
    bool CanRedo() const;
    bool HasSelection() const;

    // ---- keys and mouse ----
    void OnChar(uint32_t c, int repeat, uint32_t flags);
    void OnKeyDown(uint32_t key, int repeat, uint32_t flags, bool shift = false);
    void OnLButtonDown();

    // ---- find and replace ----
    // Selects the next match (forward from the selection's end, or backward from its start),
    // going round the text once; false (and the not-found notice) when there is none.
    bool FindText(const std::string& search, bool forward, bool match_case);
    // Searches from [start, end) without changing the selection; on a match the range becomes it.
    bool FindTextFrom(const std::string& search, int32_t& start, int32_t& end, bool forward, bool match_case) const;
    void OnReplaceSel(const std::string& search, bool forward, bool match_case, const std::string& replacement);
    void OnReplaceAll(const std::string& search, const std::string& replacement, bool match_case);
    // Told when a search finds nothing.
    std::function<void()> on_text_not_found;

    // ---- the current action ----
    // Null once the history has deleted it.
    CBEAction* CurrentAction() const;
    void SetCurrentAction(CBEAction* action);
    // Seals the current action unless sealed, then forgets it.
    void EndCurrentAction();
    // Hands an action to the history (its Do) as the current action.
    void DoAction(std::unique_ptr<CBEAction> action);

    uint32_t last_char = 252;

    // The control's own handling of the typing keys: a character, a line break, Backspace or
    // Delete of one character (never half of a line break or of a UTF-8 sequence).
    void DefaultChar(uint32_t c, uint32_t flags);

private:
    bool ContinuesCurrent(bool backspace) const;
    void SelectMatchForReplace(const std::string& search, bool forward, bool match_case, bool* replace);

    class own_history;
    edit_control& control_;
    std::unique_ptr<own_history> own_;
    undo_owner* owner_ = nullptr;
    CBEAction* current_ = nullptr;
    std::weak_ptr<CBEAction*> current_life_;
    bool not_frozen_ = true;
    bool lock_result_ = false;
};
