// The undoable edits outside the script editor: a result track, the recording's samples or the
// Flash gesture animation before and after a change, and groups that are done, undone and redone
// as one step. Each action keeps whole copies and hands one back to its document through the
// small interfaces below, so the model never depends on the application.
// User-interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/app_sync_results.h"
#include "model/undo_manager.h"

// A document whose result tracks an edit restores (track 0 reference, 1 recognition target,
// 2 second visual channel). It copies the track and pushes its tracks to the views.
class sync_track_target : public virtual undo_owner {
public:
    virtual void SetTrackResults(const app_sync_results& track, int index) = 0;
};

// A whole copy of a recording, owned by an audio edit. The application wraps its in-memory stream
// (see pcm_stream_samples); the model never looks inside.
class audio_samples {
public:
    virtual ~audio_samples() = default;
};

// Holds a stream that is destroyed through its own Destroy operation.
template <class Stream>
class pcm_stream_samples : public audio_samples {
public:
    explicit pcm_stream_samples(Stream* s) : stream(s) {}
    ~pcm_stream_samples() override {
        if (stream) stream->Destroy();
    }
    pcm_stream_samples(const pcm_stream_samples&) = delete;
    pcm_stream_samples& operator=(const pcm_stream_samples&) = delete;

    Stream* stream;
};

// A document whose audio an edit restores: it copies the samples into its own audio and rebinds
// its views; it reports its own errors.
class audio_samples_target : public virtual undo_owner {
public:
    virtual void SetAudioSamples(const audio_samples& samples) = 0;
};

// A copy of a gesture animation, kept without knowing its type.
class anim_snapshot {
public:
    virtual ~anim_snapshot() = default;
    virtual std::unique_ptr<anim_snapshot> clone() const = 0;
};

// The snapshot of a copyable animation type.
template <class Anim>
class anim_copy : public anim_snapshot {
public:
    explicit anim_copy(const Anim& a) : anim(a) {}
    std::unique_ptr<anim_snapshot> clone() const override { return std::make_unique<anim_copy>(anim); }

    Anim anim;
};

// A Flash document whose animation an edit restores: it assigns it and updates its views.
class anim_target : public virtual undo_owner {
public:
    virtual void SetAnim(const anim_snapshot& anim) = 0;
};

// A result track before and after an edit.
class sync_edit_action : public CAction {
public:
    sync_edit_action(const std::string& name, sync_track_target* document, const app_sync_results& before,
                     const app_sync_results& after, int track);
    void Do() override;
    void Undo() override;
    void Redo() override;

    const app_sync_results& before() const { return before_; }
    const app_sync_results& after() const { return after_; }

private:
    sync_track_target* document_;
    int track_;
    app_sync_results before_;
    app_sync_results after_;
};

// The recording before and after a filter; the action owns both copies.
class audio_filter_action : public CAction {
public:
    audio_filter_action(const std::string& name, audio_samples_target* document, std::unique_ptr<audio_samples> before,
                        std::unique_ptr<audio_samples> after);
    void Do() override;
    void Undo() override;
    void Redo() override;

private:
    std::unique_ptr<audio_samples> before_;
    std::unique_ptr<audio_samples> after_;
    audio_samples_target* document_;
};

// The gesture animation before and after an edit; both are copied.
class swf_edit_action : public CAction {
public:
    swf_edit_action(const std::string& name, anim_target* document, const anim_snapshot& before,
                    const anim_snapshot& after);
    void Do() override;
    void Undo() override;
    void Redo() override;

private:
    std::unique_ptr<anim_snapshot> before_;
    std::unique_ptr<anim_snapshot> after_;
    anim_target* document_;
};

// Actions done, undone and redone as one level of the history. Members are added unrun; only
// the group reaches the history.
class multi_action : public CAction {
public:
    multi_action(const std::string& name, undo_owner* owner);
    ~multi_action() override;

    // Takes over the child and keeps it out of the history.
    void Add(CAction* child);
    void Do() override;
    void Undo() override;
    void Redo() override;

    // The children in order; the group keeps owning them.
    std::vector<CAction*> children() const;

private:
    std::vector<std::unique_ptr<CAction>> children_;
};
