// The undo framework: actions that do, undo and redo themselves, one history (undo and redo
// stacks) per owner, and the notification that tells the owner whether it is modified.
// The document owns one CUndoManager; its timeline, gesture, audio and script edits share it.
// Everything here runs on the user-interface thread; nothing is locked.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CUndoManager;

// Whatever records actions (the document): the key of its history and the way to its manager.
class undo_owner {
public:
    virtual ~undo_owner() = default;
    virtual CUndoManager& GetUndoManager() = 0;
};

// An owner with a modified flag; DefaultUndoNotify keeps it up to date.
class modified_flag_owner {
public:
    virtual ~modified_flag_owner() = default;
    virtual void SetModifiedFlag(bool modified) = 0;
};

struct UndoNotifyInfo {
    CUndoManager* manager;
    uint32_t message;  // undo_message_do(), undo_message_undo() or undo_message_redo()
    int32_t count;     // 1 for Do; the n asked for, for Undo and Redo
    bool modified;     // the history is not at the saved position
};

using undo_notify_callback = void (*)(undo_owner* owner, UndoNotifyInfo* info);

// Sets the owner's modified flag from the notice when the owner keeps one.
void DefaultUndoNotify(undo_owner* owner, UndoNotifyInfo* info);

// Looks up the text of a string-table id; the application installs it.
using action_name_loader = std::string (*)(uint32_t name_id);

// One undoable change. Belongs to its creator until its Do hands it to the owner's history, then
// to the history (or, for a group member, to its group).
class CAction {
public:
    // A non-zero name id takes the name from the string table; with 0 the subclass sets it.
    CAction(undo_owner* owner, uint32_t name_id, bool record);
    CAction(const CAction&) = delete;
    CAction& operator=(const CAction&) = delete;
    virtual ~CAction() = default;

    // Records the action in the owner's history when the record flag is set. Subclasses call
    // this first and then apply their change.
    virtual void Do();
    virtual void Undo();
    virtual void Redo();
    virtual void Seal();
    virtual bool IsUndone() const;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    uint32_t GetNameId() const { return name_id_; }
    undo_owner* GetOwner() const { return owner_; }
    bool IsRecorded() const { return record_; }
    void SetRecord(bool record) { record_ = record; }
    bool IsSealed() const { return sealed_; }

    static void SetNameLoader(action_name_loader loader);

private:
    undo_owner* owner_;
    bool record_;
    bool sealed_ = false;
    bool undone_ = false;
    uint32_t name_id_;
    std::string name_;
};

// The history of one owner. Owns every action on its stacks. Created and deleted by CUndoManager.
class CActionManager {
public:
    using stack = std::deque<std::unique_ptr<CAction>>;

    CActionManager(undo_owner* owner, CUndoManager* manager, int max_levels, undo_notify_callback callback);
    CActionManager(const CActionManager&) = delete;
    CActionManager& operator=(const CActionManager&) = delete;
    virtual ~CActionManager();

    // Seals the top action; with an action: clears the redo stack, drops the oldest action at
    // the limit, pushes it (the history takes it over). Notifies in either case.
    virtual void Do(CAction* action);
    virtual void Undo(int n);
    virtual bool CanUndo(int n) const;
    virtual void Redo(int n);
    virtual bool CanRedo(int n) const;
    // Deletes n actions from the front (oldest end) of the stack.
    virtual void DeleteOldest(stack& s, int n);
    virtual void Notify(uint32_t message, int n);

    // The state as it is now is the saved one.
    void MarkSaved() { saved_position_ = static_cast<int>(undo_.size()); }
    bool IsModified() const { return saved_position_ != static_cast<int>(undo_.size()); }
    // New limit and callback of a repeated registration; trims both stacks to the limit.
    void Reconfigure(int max_levels, undo_notify_callback callback);

    undo_owner* owner() const { return owner_; }
    const stack& undo_stack() const { return undo_; }
    const stack& redo_stack() const { return redo_; }
    int saved_position() const { return saved_position_; }
    int max_levels() const { return max_levels_; }

private:
    // The saved state lies that many actions from the bottom of the undo stack, counting on into
    // the redo stack; -1 once no sequence of Undo and Redo can reach it again.
    void forget_unreachable_save();

    undo_owner* owner_;
    CUndoManager* manager_;
    stack undo_;
    stack redo_;
    undo_notify_callback callback_;
    int saved_position_ = 0;
    int max_levels_;
};

// The histories of all owners. Operations on an owner that is not registered do nothing
// (CanUndo and CanRedo give false, GetActionName an empty name), except that Do still takes the
// action over: it is deleted with the manager, or at the next Register or Unregister.
class CUndoManager {
public:
    CUndoManager() = default;
    CUndoManager(const CUndoManager&) = delete;
    CUndoManager& operator=(const CUndoManager&) = delete;
    virtual ~CUndoManager();

    // max_levels must be at least 1.
    virtual void Register(undo_owner* owner, int max_levels, undo_notify_callback callback);
    virtual void Unregister(undo_owner* owner);
    virtual void Do(undo_owner* owner, CAction* action);
    virtual void Undo(undo_owner* owner, int n);
    virtual bool CanUndo(undo_owner* owner, int n) const;
    virtual void Redo(undo_owner* owner, int n);
    virtual bool CanRedo(undo_owner* owner, int n) const;

    // Name of the action at depth (0 = the one the next Undo, or Redo, takes).
    std::string GetActionName(undo_owner* owner, bool redo, uint32_t depth) const;
    // The owner's state as it is now is the one saved to its file.
    void MarkSaved(undo_owner* owner);

    CActionManager* Find(undo_owner* owner) const;

private:
    std::vector<std::unique_ptr<CActionManager>> managers_;
    // Actions done for an owner without a history. Not deleted inside Do: the action's own Do is
    // still running when it hands itself over.
    std::vector<std::unique_ptr<CAction>> unrecorded_;
};
