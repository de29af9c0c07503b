// Undo framework: actions, per-owner histories and the modified notification.
#include "model/undo_manager.h"

#include <algorithm>

#include "model/window_messages.h"

namespace {
action_name_loader g_name_loader = nullptr;
}

void DefaultUndoNotify(undo_owner* owner, UndoNotifyInfo* info) {
    if (auto* document = dynamic_cast<modified_flag_owner*>(owner)) document->SetModifiedFlag(info->modified);
}

// ---- CAction ----

void CAction::SetNameLoader(action_name_loader loader) { g_name_loader = loader; }

CAction::CAction(undo_owner* owner, uint32_t name_id, bool record) : owner_(owner), record_(record), name_id_(name_id) {
    if (name_id != 0 && g_name_loader) name_ = g_name_loader(name_id);
}

void CAction::Do() {
    if (record_ && owner_) owner_->GetUndoManager().Do(owner_, this);
}

void CAction::Undo() { undone_ = true; }

void CAction::Redo() { undone_ = false; }

void CAction::Seal() { sealed_ = true; }

bool CAction::IsUndone() const { return undone_; }

// ---- CActionManager ----

CActionManager::CActionManager(undo_owner* owner, CUndoManager* manager, int max_levels, undo_notify_callback callback)
    : owner_(owner), manager_(manager), callback_(callback), max_levels_(max_levels) {}

CActionManager::~CActionManager() {
    DeleteOldest(undo_, static_cast<int>(undo_.size()));
    DeleteOldest(redo_, static_cast<int>(redo_.size()));
}

void CActionManager::forget_unreachable_save() {
    if (saved_position_ > static_cast<int>(undo_.size() + redo_.size())) saved_position_ = -1;
}

void CActionManager::Do(CAction* action) {
    if (!undo_.empty() && !undo_.back()->IsSealed()) undo_.back()->Seal();
    if (action) {
        // The redo steps go; a saved state among them can no longer be reached.
        DeleteOldest(redo_, static_cast<int>(redo_.size()));
        forget_unreachable_save();
        // At the limit the oldest action goes: a save at depth 0 becomes unreachable, any deeper
        // one moves one step down.
        while (!undo_.empty() && static_cast<int>(undo_.size()) >= max_levels_) {
            DeleteOldest(undo_, 1);
            if (saved_position_ >= 0) --saved_position_;
        }
        undo_.emplace_back(action);
    }
    Notify(undo_message_do(), 1);
}

void CActionManager::Undo(int n) {
    for (int i = 0; i < n && !undo_.empty(); ++i) {
        std::unique_ptr<CAction> action = std::move(undo_.back());
        undo_.pop_back();
        if (!action->IsSealed()) action->Seal();
        action->Undo();
        redo_.push_back(std::move(action));
    }
    Notify(undo_message_undo(), n);
}

bool CActionManager::CanUndo(int n) const { return n <= static_cast<int>(undo_.size()); }

void CActionManager::Redo(int n) {
    for (int i = 0; i < n && !redo_.empty(); ++i) {
        std::unique_ptr<CAction> action = std::move(redo_.back());
        redo_.pop_back();
        action->Redo();
        undo_.push_back(std::move(action));
    }
    Notify(undo_message_redo(), n);
}

bool CActionManager::CanRedo(int n) const { return n <= static_cast<int>(redo_.size()); }

void CActionManager::DeleteOldest(stack& s, int n) {
    for (int i = 0; i < n && !s.empty(); ++i) s.pop_front();
}

void CActionManager::Notify(uint32_t message, int n) {
    if (!callback_) return;
    UndoNotifyInfo info{manager_, message, n, IsModified()};
    callback_(owner_, &info);
}

void CActionManager::Reconfigure(int max_levels, undo_notify_callback callback) {
    callback_ = callback;
    int surplus = static_cast<int>(undo_.size()) - max_levels;
    if (surplus > 0) {
        DeleteOldest(undo_, surplus);
        // States below the new bottom can no longer be reached; the others move down.
        if (saved_position_ >= 0) saved_position_ = saved_position_ < surplus ? -1 : saved_position_ - surplus;
    }
    surplus = static_cast<int>(redo_.size()) - max_levels;
    if (surplus > 0) DeleteOldest(redo_, surplus);
    forget_unreachable_save();
    max_levels_ = max_levels;
}

// ---- CUndoManager ----

CUndoManager::~CUndoManager() = default;

CActionManager* CUndoManager::Find(undo_owner* owner) const {
    for (const auto& m : managers_)
        if (m->owner() == owner) return m.get();
    return nullptr;
}

void CUndoManager::Register(undo_owner* owner, int max_levels, undo_notify_callback callback) {
    unrecorded_.clear();
    if (CActionManager* m = Find(owner)) {
        m->Reconfigure(max_levels, callback);
        return;
    }
    managers_.push_back(std::make_unique<CActionManager>(owner, this, max_levels, callback));
}

void CUndoManager::Unregister(undo_owner* owner) {
    unrecorded_.clear();
    auto it = std::find_if(managers_.begin(), managers_.end(),
                           [owner](const std::unique_ptr<CActionManager>& m) { return m->owner() == owner; });
    if (it != managers_.end()) managers_.erase(it);
}

void CUndoManager::Do(undo_owner* owner, CAction* action) {
    if (CActionManager* m = Find(owner)) {
        m->Do(action);
    } else if (action) {
        unrecorded_.emplace_back(action);
    }
}

void CUndoManager::Undo(undo_owner* owner, int n) {
    if (CActionManager* m = Find(owner)) m->Undo(n);
}

bool CUndoManager::CanUndo(undo_owner* owner, int n) const {
    CActionManager* m = Find(owner);
    return m && m->CanUndo(n);
}

void CUndoManager::Redo(undo_owner* owner, int n) {
    if (CActionManager* m = Find(owner)) m->Redo(n);
}

bool CUndoManager::CanRedo(undo_owner* owner, int n) const {
    CActionManager* m = Find(owner);
    return m && m->CanRedo(n);
}

std::string CUndoManager::GetActionName(undo_owner* owner, bool redo, uint32_t depth) const {
    CActionManager* m = Find(owner);
    if (!m) return {};
    const CActionManager::stack& s = redo ? m->redo_stack() : m->undo_stack();
    if (depth >= s.size()) return {};
    return s[s.size() - 1 - depth]->GetName();
}

void CUndoManager::MarkSaved(undo_owner* owner) {
    if (CActionManager* m = Find(owner)) m->MarkSaved();
}
