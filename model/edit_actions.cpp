// Undoable edit actions: whole-state copies handed back to their documents.
#include "model/edit_actions.h"

sync_edit_action::sync_edit_action(const std::string& name, sync_track_target* document, const app_sync_results& before,
                                   const app_sync_results& after, int track)
    : CAction(document, 0, true), document_(document), track_(track), before_(before), after_(after) {
    SetName(name);
}

// The base records the action first, so the modified flag is set before the change is applied.
void sync_edit_action::Do() {
    CAction::Do();
    document_->SetTrackResults(after_, track_);
}

void sync_edit_action::Undo() {
    CAction::Undo();
    document_->SetTrackResults(before_, track_);
}

void sync_edit_action::Redo() {
    CAction::Redo();
    document_->SetTrackResults(after_, track_);
}

audio_filter_action::audio_filter_action(const std::string& name, audio_samples_target* document,
                                         std::unique_ptr<audio_samples> before, std::unique_ptr<audio_samples> after)
    : CAction(document, 0, true), before_(std::move(before)), after_(std::move(after)), document_(document) {
    SetName(name);
}

void audio_filter_action::Do() {
    CAction::Do();
    if (after_) document_->SetAudioSamples(*after_);
}

void audio_filter_action::Undo() {
    CAction::Undo();
    if (before_) document_->SetAudioSamples(*before_);
}

void audio_filter_action::Redo() {
    CAction::Redo();
    if (after_) document_->SetAudioSamples(*after_);
}

swf_edit_action::swf_edit_action(const std::string& name, anim_target* document, const anim_snapshot& before,
                                 const anim_snapshot& after)
    : CAction(document, 0, true), before_(before.clone()), after_(after.clone()), document_(document) {
    SetName(name);
}

void swf_edit_action::Do() {
    CAction::Do();
    document_->SetAnim(*after_);
}

void swf_edit_action::Undo() {
    CAction::Undo();
    document_->SetAnim(*before_);
}

void swf_edit_action::Redo() {
    CAction::Redo();
    document_->SetAnim(*after_);
}

multi_action::multi_action(const std::string& name, undo_owner* owner) : CAction(owner, 0, true) { SetName(name); }

multi_action::~multi_action() = default;

void multi_action::Add(CAction* child) {
    if (!child) return;
    child->SetRecord(false);
    children_.emplace_back(child);
}

std::vector<CAction*> multi_action::children() const {
    std::vector<CAction*> out;
    for (const auto& child : children_) out.push_back(child.get());
    return out;
}

void multi_action::Do() {
    for (const auto& child : children_) child->Do();
    CAction::Do();
}

void multi_action::Undo() {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) (*it)->Undo();
    CAction::Undo();
}

void multi_action::Redo() {
    for (const auto& child : children_) child->Redo();
    CAction::Redo();
}
