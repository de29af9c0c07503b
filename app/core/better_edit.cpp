// The script editor's actions and the view that makes them.
#include "app/core/better_edit.h"

#include <algorithm>

#include "app/core/script_text.h"

std::string ScriptActionName(uint32_t name_id) {
    switch (name_id) {
    case kIdsTyping: return "Typing";
    case kIdsCut: return "Cut";
    case kIdsPaste: return "Paste";
    case kIdsClear: return "Clear";
    case kIdsReplace: return "Replace";
    case kIdsReplaceAll: return "Replace All";
    case kIdsCueMarker: return "Cue Marker";
    case kIdsOpenScript: return "Open Text Transcription";
    default: return "";
    }
}

// ---- CBEAction ----

CBEAction::CBEAction(CBetterEditView* view, uint32_t name_id)
    : CAction(view->GetOwner(), name_id, true), view_(view), life_(std::make_shared<CBEAction*>(this)) {
    if (GetName().empty()) SetName(ScriptActionName(name_id));
}

CBEAction::~CBEAction() = default;

void CBEAction::Undo() {
    CAction::Undo();
    view_->control().SetFocus();
}

void CBEAction::Redo() {
    CAction::Redo();
    view_->control().SetFocus();
}

// ---- CBETextAction ----

CBETextAction::CBETextAction(CBetterEditView* view, uint32_t name_id) : CBEAction(view, name_id) {
    int32_t s = 0;
    int32_t e = 0;
    view->GetSel(&s, &e);
    after_.start = before_.start = s;
    after_.end = before_.end = e;
    CaptureRange(before_);
}

void CBETextAction::CaptureRange(CTextRange& range) {
    view_->Freeze(true);
    int32_t s = 0;
    int32_t e = 0;
    view_->GetSel(&s, &e);
    view_->SelectRange(range.start, range.end, false);
    view_->GetSel(&range.start, &range.end);
    range.text = view_->GetSelectedText();
    view_->control().SetSel(s, e);
    view_->Freeze(false);
}

void CBETextAction::DeleteRange(const CTextRange& range) {
    view_->SelectRange(range.start, range.end);
    view_->control().ReplaceSel("");
}

void CBETextAction::InsertRange(const CTextRange& range) {
    view_->Freeze(true);
    view_->control().SetSel(range.start, range.start);
    view_->control().ReplaceSel(range.text);
    view_->SelectRange(range.start, range.start + static_cast<int32_t>(range.text.size()));
    view_->Freeze(false);
}

void CBETextAction::Seal() {
    CAction::Seal();
    int32_t s = 0;
    view_->GetSel(&s, &after_.end);
}

void CBETextAction::Undo() {
    CBEAction::Undo();
    if (after_pending_) {
        after_pending_ = false;
        CaptureRange(after_);
    }
    DeleteRange(after_);
    InsertRange(before_);
}

void CBETextAction::Redo() {
    CBEAction::Redo();
    DeleteRange(before_);
    InsertRange(after_);
}

// ---- CBEEditAction ----

void CBEEditAction::Do() {
    CAction::Do();
    Perform();
    Seal();
}

void CBEEditAction::Perform() {
    edit_control& c = view_->control();
    switch (GetNameId()) {
    case kIdsCut:
        c.SetClipboardText(view_->GetSelectedText());
        c.ReplaceSel("");
        break;
    case kIdsPaste: c.ReplaceSel(NormalizeLineBreaks(c.GetClipboardText(), c.LineBreak())); break;
    case kIdsClear: c.ReplaceSel(""); break;
    default: break;
    }
}

// ---- CBESetSelectionAction ----

CBESetSelectionAction::CBESetSelectionAction(CBetterEditView* view, uint32_t name_id, std::string text, int32_t start,
                                             int32_t end)
    : CBEEditAction(view, name_id), text_(std::move(text)), sel_start_(start), sel_end_(end) {
    // The before range is what the action will replace, not the selection at construction.
    before_.start = after_.start = start;
    before_.end = after_.end = end;
    CaptureRange(before_);
    after_.start = before_.start;
}

void CBESetSelectionAction::Perform() {
    edit_control& c = view_->control();
    c.SetSel(sel_start_, sel_end_);
    c.ScrollCaret();
    c.ReplaceSel(NormalizeLineBreaks(text_, c.LineBreak()));
}

// ---- CBEReplaceAction ----

CBEReplaceAction::CBEReplaceAction(CBetterEditView* view, uint32_t name_id, std::string replacement,
                                   std::string search, bool match_case)
    : CBEEditAction(view, name_id),
      replacement_(NormalizeLineBreaks(replacement, view->control().LineBreak())),
      search_(std::move(search)),
      match_case_(match_case) {}

void CBEReplaceAction::Perform() {
    edit_control& c = view_->control();
    if (GetNameId() != kIdsReplaceAll) {
        c.ReplaceSel(replacement_);
        return;
    }
    // Each next match is searched from the end of the replacement just put in, so a replacement
    // that contains the search text is never replaced again and the loop always ends.
    for (;;) {
        if (capturing_) {
            CTextRange match;
            c.GetSel(&match.start, &match.end);
            match.text = view_->GetSelectedText();
            matches_.push_back(match);
        }
        c.ReplaceSel(replacement_);
        int32_t s = 0;
        int32_t e = 0;
        c.GetSel(&s, &e);
        if (!view_->FindTextFrom(search_, s, e, true, match_case_)) break;
        c.SetSel(s, e);
    }
    capturing_ = false;
}

void CBEReplaceAction::Undo() {
    if (GetNameId() != kIdsReplaceAll) {
        CBETextAction::Undo();
        return;
    }
    CBEAction::Undo();
    edit_control& c = view_->control();
    int32_t s = 0;
    int32_t e = 0;
    c.GetSel(&s, &e);
    view_->Freeze(true);
    for (auto it = matches_.rbegin(); it != matches_.rend(); ++it) {
        c.SetSel(it->start, it->start + static_cast<int32_t>(replacement_.size()));
        c.ReplaceSel(it->text);
    }
    c.SetSel(s, e);
    view_->Freeze(false);
}

void CBEReplaceAction::Redo() {
    if (GetNameId() != kIdsReplaceAll) {
        CBETextAction::Redo();
        return;
    }
    CBEAction::Redo();
    // The captured matches again, in their order: the text is what it was when they were found.
    edit_control& c = view_->control();
    int32_t s = 0;
    int32_t e = 0;
    c.GetSel(&s, &e);
    view_->Freeze(true);
    for (const CTextRange& m : matches_) {
        c.SetSel(m.start, m.start + static_cast<int32_t>(m.text.size()));
        c.ReplaceSel(replacement_);
    }
    c.SetSel(s, e);
    view_->Freeze(false);
}

// ---- CBETypingAction ----

CBETypingAction::CBETypingAction(CBetterEditView* view) : CBETextAction(view, kIdsTyping) {}

void CBETypingAction::Seal() {
    open_ = false;
    CAction::Seal();
}

void CBETypingAction::Type(uint32_t c, int repeat, uint32_t flags) {
    if (unrecorded_) {
        unrecorded_ = false;
        CAction::Do();
    }
    if (c == kKeyBackspace)
        Backspace(c, repeat, flags);
    else if (c == kKeyDelete && (flags & kKeyExtended))
        DeleteForward(c, repeat, flags);
    else
        InsertChar(c, repeat, flags);
}

void CBETypingAction::InsertChar(uint32_t c, int repeat, uint32_t flags) {
    (void)repeat;
    view_->DefaultChar(c, flags);
    view_->last_char = c;
    int32_t s = 0;
    int32_t e = 0;
    view_->GetSel(&s, &e);
    after_.end = std::max({e, 0, after_.start});
}

void CBETypingAction::Backspace(uint32_t c, int repeat, uint32_t flags) {
    (void)repeat;
    int32_t s = 0;
    int32_t e = 0;
    view_->GetSel(&s, &e);
    if (s == e && s <= after_.start && s > 0) {
        // The backspace removes text the action has not seen yet: it joins the front of "before".
        view_->Freeze(true);
        std::string text = view_->control().GetText();
        CTextRange removed;
        removed.start = PrevCharStart(text, s);
        removed.end = s;
        removed.text = text.substr(static_cast<size_t>(removed.start), static_cast<size_t>(s - removed.start));
        view_->Freeze(false);
        if (!removed.text.empty()) {
            after_.start -= static_cast<int32_t>(removed.text.size());
            before_.Prepend(removed);
        }
    }
    view_->DefaultChar(c, flags);
    view_->last_char = kKeyBackspace;
    view_->GetSel(&s, &e);
    after_.end = std::max({e, 0, after_.start});
}

void CBETypingAction::DeleteForward(uint32_t c, int repeat, uint32_t flags) {
    (void)repeat;
    int32_t s = 0;
    int32_t e = 0;
    view_->GetSel(&s, &e);
    if (s == e) {
        view_->Freeze(true);
        std::string text = view_->control().GetText();
        CTextRange removed;
        removed.start = s;
        removed.end = NextCharEnd(text, s);
        removed.text = text.substr(static_cast<size_t>(s), static_cast<size_t>(removed.end - s));
        view_->Freeze(false);
        if (!removed.text.empty()) before_.Append(removed);
    }
    view_->DefaultChar(c, flags);
    view_->last_char = kKeyDelete;
}

// ---- CBetterEditView ----

// The history of an editor that has no document.
class CBetterEditView::own_history : public undo_owner {
public:
    own_history() { undo_.Register(this, 25000, nullptr); }
    CUndoManager& GetUndoManager() override { return undo_; }

private:
    CUndoManager undo_;
};

CBetterEditView::CBetterEditView(edit_control& control) : control_(control) { SetOwner(nullptr); }

CBetterEditView::~CBetterEditView() = default;

void CBetterEditView::SetOwner(undo_owner* owner) {
    if (!owner) {
        if (!own_) own_ = std::make_unique<own_history>();
        owner = own_.get();
    }
    owner_ = owner;
}

void CBetterEditView::SelectRange(int32_t start, int32_t end, bool scroll) {
    std::string text = control_.GetText();
    auto size = static_cast<int32_t>(text.size());
    start = std::clamp(start, 0, size);
    end = std::clamp(end, start, size);
    if (end - start == 1) {
        if (text[start] == '\n' && start > 0 && text[start - 1] == '\r')
            --start;
        else if (text[start] == '\r' && end < size && text[end] == '\n')
            ++end;
    }
    control_.SetSel(start, end);
    if (scroll) control_.ScrollCaret();
}

std::string CBetterEditView::GetSelectedText() const {
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    std::string text = control_.GetText();
    e = std::min(e, static_cast<int32_t>(text.size()));
    if (s >= e) return {};
    return text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
}

void CBetterEditView::Freeze(bool on) {
    if (on && not_frozen_) {
        lock_result_ = control_.LockUpdates(true);
        not_frozen_ = false;
    } else if (!on && !not_frozen_) {
        if (lock_result_) control_.LockUpdates(false);
        not_frozen_ = true;
    }
}

bool CBetterEditView::HasSelection() const {
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    return s != e;
}

void CBetterEditView::DoAction(std::unique_ptr<CBEAction> action) {
    SetCurrentAction(action.get());
    // The history owns the action from its Do on.
    action.release()->Do();
}

void CBetterEditView::OnEditClear() {
    if (HasSelection()) DoAction(std::make_unique<CBEEditAction>(this, kIdsClear));
}

void CBetterEditView::OnEditCut() {
    if (HasSelection()) DoAction(std::make_unique<CBEEditAction>(this, kIdsCut));
}

void CBetterEditView::OnEditPaste() {
    if (!control_.GetClipboardText().empty()) DoAction(std::make_unique<CBEEditAction>(this, kIdsPaste));
}

void CBetterEditView::OnUndoLevel(int levels) {
    if (CanUndo()) owner_->GetUndoManager().Undo(owner_, levels);
}

void CBetterEditView::OnRedoLevel(int levels) {
    if (CanRedo()) owner_->GetUndoManager().Redo(owner_, levels);
}

bool CBetterEditView::CanUndo() const { return owner_->GetUndoManager().CanUndo(owner_, 1); }
bool CBetterEditView::CanRedo() const { return owner_->GetUndoManager().CanRedo(owner_, 1); }

CBEAction* CBetterEditView::CurrentAction() const { return current_life_.expired() ? nullptr : current_; }

void CBetterEditView::SetCurrentAction(CBEAction* action) {
    current_ = action;
    current_life_ = action ? action->Life() : std::weak_ptr<CBEAction*>();
}

void CBetterEditView::EndCurrentAction() {
    if (CBEAction* a = CurrentAction()) {
        if (!a->IsSealed()) a->Seal();
    }
    SetCurrentAction(nullptr);
}

bool CBetterEditView::ContinuesCurrent(bool backspace) const {
    auto* typing = dynamic_cast<CBETypingAction*>(CurrentAction());
    if (!typing || !typing->IsOpen()) return false;
    if (backspace && last_char != kKeyBackspace) return false;
    // The caret must still be where the run left it: a selection made without a caret key (select
    // all, a search) would otherwise be replaced behind the run's back.
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    return s == e && e == typing->after().end;
}

void CBetterEditView::OnChar(uint32_t c, int repeat, uint32_t flags) {
    if (flags & kKeyExtended) {
        DefaultChar(c, flags);
        return;
    }
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    if (c == kKeyBackspace && s == e && s == 0) return;
    if (!ContinuesCurrent(c == kKeyBackspace)) {
        EndCurrentAction();
        auto typing = std::make_unique<CBETypingAction>(this);
        SetCurrentAction(typing.get());
        // Its first key records it; the history owns it from then on.
        typing.release()->Type(c, repeat, flags);
        return;
    }
    CurrentAction()->Type(c, repeat, flags);
}

void CBetterEditView::OnKeyDown(uint32_t key, int repeat, uint32_t flags, bool shift) {
    if (key == kKeyDelete) {
        int32_t s = 0;
        int32_t e = 0;
        control_.GetSel(&s, &e);
        if (s == e && e >= control_.GetTextLength()) return;
        flags |= kKeyExtended;
        if (!ContinuesCurrent(false)) {
            EndCurrentAction();
            auto typing = std::make_unique<CBETypingAction>(this);
            SetCurrentAction(typing.get());
            typing.release()->Type(kKeyDelete, repeat, flags);
            return;
        }
        CurrentAction()->Type(kKeyDelete, repeat, flags);
        return;
    }
    if (key >= 33 && key <= 40) {
        EndCurrentAction();
        control_.DefaultKeyDown(key, shift);
    }
}

void CBetterEditView::OnLButtonDown() { EndCurrentAction(); }

void CBetterEditView::DefaultChar(uint32_t c, uint32_t flags) {
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    if (c == kKeyBackspace || (c == kKeyDelete && (flags & kKeyExtended))) {
        if (s == e) {
            std::string text = control_.GetText();
            if (c == kKeyBackspace) {
                if (s == 0) return;
                control_.SetSel(PrevCharStart(text, s), s);
            } else {
                if (s >= static_cast<int32_t>(text.size())) return;
                control_.SetSel(s, NextCharEnd(text, s));
            }
        }
        control_.ReplaceSel("");
    } else if (c == kKeyReturn || c == '\n') {
        control_.ReplaceSel(control_.LineBreak());
    } else if (c == '\t' || (c >= 32 && c != 127)) {
        control_.ReplaceSel(EncodeUtf8(c));
    }
    control_.ScrollCaret();
}

// ---- find and replace ----

bool CBetterEditView::FindTextFrom(const std::string& search, int32_t& start, int32_t& end, bool forward,
                                   bool match_case) const {
    if (search.empty()) return false;
    std::string text = control_.GetText();
    auto size = static_cast<int32_t>(text.size());
    auto length = static_cast<int32_t>(search.size());
    int32_t from = 0;
    if (forward) {
        from = SnapToCharStart(text, std::clamp(start, 0, size));
        if (start != end && TextEquals(GetSelectedText(), search, match_case)) from = NextCharEnd(text, from);
        if (from + length > size) return false;
        // Candidates are character starts only, so a match never begins inside a character.
        for (int32_t p = from; p + length <= size; p = NextCharEnd(text, p)) {
            if (MatchesAt(text, p, search, match_case)) {
                start = p;
                end = p + length;
                return true;
            }
        }
        return false;
    }
    if (start <= 0) return false;
    from = PrevCharStart(text, std::min(start, size));
    if (size < length) return false;
    if (from + length > size) from = SnapToCharStart(text, size - length);
    for (int32_t p = from;; p = PrevCharStart(text, p)) {
        if (MatchesAt(text, p, search, match_case)) {
            start = p;
            end = p + length;
            return true;
        }
        if (p == 0) return false;
    }
}

bool CBetterEditView::FindText(const std::string& search, bool forward, bool match_case) {
    int32_t s = 0;
    int32_t e = 0;
    control_.GetSel(&s, &e);
    int32_t ms = forward ? s : s;
    int32_t me = e;
    bool found = FindTextFrom(search, ms, me, forward, match_case);
    if (!found && !search.empty()) {
        // Round the end of the text once.
        ms = me = forward ? 0 : control_.GetTextLength();
        found = FindTextFrom(search, ms, me, forward, match_case);
    }
    if (!found) {
        if (on_text_not_found) on_text_not_found();
        return false;
    }
    SelectRange(ms, me);
    return true;
}

void CBetterEditView::SelectMatchForReplace(const std::string& search, bool forward, bool match_case, bool* replace) {
    *replace = false;
    if (HasSelection() && TextEquals(GetSelectedText(), search, match_case)) {
        *replace = true;
        return;
    }
    FindText(search, forward, match_case);
}

void CBetterEditView::OnReplaceSel(const std::string& search, bool forward, bool match_case,
                                   const std::string& replacement) {
    bool replace = false;
    SelectMatchForReplace(search, forward, match_case, &replace);
    if (!replace) return;
    EndCurrentAction();
    DoAction(std::make_unique<CBEReplaceAction>(this, kIdsReplace, replacement, std::string(), false));
    FindText(search, forward, match_case);
}

void CBetterEditView::OnReplaceAll(const std::string& search, const std::string& replacement, bool match_case) {
    if (search.empty()) return;
    if (!(HasSelection() && TextEquals(GetSelectedText(), search, match_case))) {
        int32_t s = 0;
        int32_t e = 0;
        control_.GetSel(&s, &e);
        e = s;
        if (!FindTextFrom(search, s, e, true, match_case)) {
            if (on_text_not_found) on_text_not_found();
            return;
        }
        SelectRange(s, e);
    }
    EndCurrentAction();
    DoAction(std::make_unique<CBEReplaceAction>(this, kIdsReplaceAll, replacement, search, match_case));
}
