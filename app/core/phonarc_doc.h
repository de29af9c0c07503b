// The document: one recording in memory, its results file (paths and script), three result
// tracks, the articulator, its settings (document_settings.h) and one undo history.
// Opening (done by document_open.h), saving, undo and every track change go through here; views
// get copies of the tracks.
// Toolkit-free: the Qt frame binds it, tests drive it with a scripted host.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/core/command_state.h"
#include "app/core/document_host.h"
#include "app/core/document_open.h"
#include "app/core/document_settings.h"
#include "engine/api/sync_marker.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "model/app_sync_results.h"
#include "model/edit_actions.h"
#include "model/sync_results_file.h"
#include "model/undo_manager.h"

using results_collection_guard = engine_guard<ISyncResultsCollection, DestroySyncResultsCollection>;
using articulator_guard = engine_guard<CPhonemeMixtureArticulator, DestroyArticulator>;

// A selection on the timeline in samples; a cursor when both ends are equal.
struct timeline_selection {
    int start = 0;
    int end = 0;
    bool empty() const { return start == end; }
};

// User-interface thread only. The audio pump of a playing view reads the audio without a lock;
// the document replaces it only from this thread after the view stopped.
class CPhonarcDoc : public sync_track_target, public audio_samples_target, public modified_flag_owner {
public:
    static constexpr int kUndoLevels = 25000;

    explicit CPhonarcDoc(const document_host& host);
    ~CPhonarcDoc() override;
    CPhonarcDoc(const CPhonarcDoc&) = delete;
    CPhonarcDoc& operator=(const CPhonarcDoc&) = delete;

    // ---- results-file sections a derived document extends ----
    virtual bool ReadResults(sync_results_file& file, std::istream& in, std::ostream& errors);
    // Appends the derived document's sections after the base results; false when they could not
    // be written.
    virtual bool WriteExtraSections(int unused, int flags, std::ostream& out);
    void ApplyArticulatorFrameRate();

    // ---- views ----
    void AddView(document_view* view);
    void RemoveView(document_view* view);
    const std::vector<document_view*>& views() const { return views_; }
    // The view whose selection the commands work on: the timeline declares itself when it joins.
    // Null (and a view that leaves) means no selection.
    void SetSelectionSource(document_view* view) { selection_source_ = view; }

    // ---- state ----
    // The selection source's selection in samples, in order; false with no recording, no source
    // or no selection. Equal ends are a cursor, which some commands take. The ends may lie past
    // the recording: a gesture may outlast the sound, a recognition run clamps them.
    bool GetSelection(timeline_selection* selection) const;
    // The same selection in milliseconds of the recording.
    bool GetSelectionMs(int* start, int* end);
    int GetRecognitionTrack(app_sync_results** track = nullptr);
    // A results collection flagged for the document's recognition (energies when asked); null
    // when it cannot be made.
    results_collection_guard CreateResultsCollection();
    void RefreshViews();
    const app_sync_results& track(int index) const { return tracks_[index]; }
    const sync_results_file& results_file() const { return results_; }
    sync_results_file& results_file() { return results_; }
    CMemoryPCMStream* audio() const { return audio_.get(); }
    CMemoryPCMRangeStream* range_stream() const { return range_.get(); }
    IArticulator* articulator() const;
    bool opened_from_results() const { return opened_from_results_; }

    // ---- track changes ----
    // The edit as one undoable step; articulation redone over [start - 1000, end + 1000] and
    // merged unless start or end is -1. Takes a copy of the new track. With a group the action
    // joins it and the group is done.
    void CommitTrackEdit(const std::string& name, const app_sync_results& new_track, int index, int start, int end,
                         multi_action* group = nullptr);
    // The finished track of a recognition run (phonemes, text markers, articulation keys) merged
    // into the recognition track as one undoable step; nothing is generated again here.
    void ApplyRecognitionTrack(const std::string& name, const app_sync_results& fresh, bool keep_text_markers,
                               multi_action* group = nullptr);
    // A copy of the document's articulator (frame rate applied) for a run on another thread; null
    // when the document has none. The caller hands its state back with TakeArticulatorState, so
    // the next generation here follows on from it.
    articulator_guard MakeRunArticulator();
    void TakeArticulatorState(const CPhonemeMixtureArticulator& run);
    void RecomputeArticulation(app_sync_results* track);
    void SetTrackResults(const app_sync_results& record, int index) override;
    void SetAudioSamples(const audio_samples& samples) override;
    bool SetAudioSamples(const CMemoryPCMStream& samples);
    void UpdateViewResults();
    // The views show the second visual channel's band while recognition goes there or it holds
    // results.
    void ShowSecondChannel();

    // ---- opening ----
    // Opens a recording or results file (document_open.h) and takes it over. True when the audio
    // was loaded; anything else leaves no usable document.
    bool OnOpenDocument(const std::string& path);
    void OnReloadAudio();
    // Asks for a results file and makes its track the recognition track as one undoable step.
    void OnImportSyncMarkers();

    // ---- saving and closing ----
    // Writes the results file atomically; false (the user told why) keeps the document modified.
    bool OnSaveDocument(const std::string& path);
    // Empty path: asks for one (Save As). With replace the document takes the new path.
    bool DoSave(const std::string& path, bool replace);
    // A document opened from a recording is saved under a results-file name, never over the
    // recording.
    bool OnFileSave();
    bool OnFileSaveAs() { return DoSave("", true); }
    // Asks Save / Discard / Cancel when modified; true when the document may close.
    bool SaveModified();

    // ---- modified state, undo, names ----
    void SetModifiedFlag(bool modified) override;
    // Also true while the second visual channel holds results, which Save does not write.
    bool IsModified() const;
    bool SecondChannelHoldsResults() const;
    // The script editor's own modified state joins the document's once it exists.
    void SetScriptModifiedQuery(std::function<bool()> query) { script_modified_ = std::move(query); }
    CUndoManager& GetUndoManager() override { return undo_; }
    void OnEditUndo();
    void OnEditRedo();
    CommandState UpdateUndo() const;
    CommandState UpdateRedo() const;

    const std::string& path_name() const { return path_name_; }
    void SetPathName(const std::string& path);
    // The file name of the path, as the window titles show it.
    const std::string& title() const { return title_; }
    std::string WindowTitle() const;

    // ---- settings ----
    // The recognition and articulator settings and their commands.
    document_settings& settings() { return settings_; }
    const document_settings& settings() const { return settings_; }

    const document_host& host() const { return host_; }
    // What the document wrote to the output log (reader errors and warnings).
    const std::string& logged() const { return logged_; }

private:
    // How opening reads results and builds keys: with this document's reader and articulator.
    document_opener Opener();
    void ShowMessage(const std::string& text);
    void LogText(const std::string& text);
    template <class F>
    void Guarded(F&& f);

    document_host host_;
    document_settings settings_;
    std::vector<document_view*> views_;
    document_view* selection_source_ = nullptr;
    // Declared in this order so the range over the audio goes first, the articulator last.
    articulator_guard articulator_;
    pcm_stream_guard audio_;
    pcm_range_guard range_;
    sync_results_file results_;
    app_sync_results tracks_[3];
    bool opened_from_results_ = true;
    bool modified_ = false;
    std::function<bool()> script_modified_;
    std::string path_name_;
    std::string title_;
    std::string logged_;
    CUndoManager undo_;
};
