// The document's state, settings, track changes, what it takes over from opening, and saving;
// see phonarc_doc.h.
#include "app/core/phonarc_doc.h"

#include <algorithm>
#include <filesystem>

#include "app/core/display_channels.h"
#include "app/core/document_commands.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/save_options.h"
#include "engine/api/error_messages.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/sync_results_file.h"
#include "platform/safe_save.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "UI";

}  // namespace

void CPhonarcDoc::LogText(const std::string& text) {
    logged_ += text;
    if (COutputLog* log = GetOutputLog()) {
        // The log cuts each text; long reader reports go in pieces.
        for (size_t at = 0; at < text.size(); at += kOutputLogMaxText) log->AddText(text.substr(at, kOutputLogMaxText).c_str());
    }
}

CPhonarcDoc::CPhonarcDoc(const document_host& host) : host_(host), settings_(host_) {
    CPhonemeMixtureArticulator* made = nullptr;
    if (CreateArticulator(&made, 0) == 0) articulator_.reset(made);
    settings_.BindArticulator(articulator_.get(), [this](const std::string& text) { LogText(text); });
    settings_.second_channel_changed = [this] { ShowSecondChannel(); };
    settings_.LoadArticulation();
    undo_.Register(this, kUndoLevels, DefaultUndoNotify);
}

CPhonarcDoc::~CPhonarcDoc() { undo_.Unregister(this); }

IArticulator* CPhonarcDoc::articulator() const { return articulator_.get(); }

bool CPhonarcDoc::ReadResults(sync_results_file& file, std::istream& in, std::ostream& errors) {
    return file.read(in, errors);
}

bool CPhonarcDoc::WriteExtraSections(int, int, std::ostream&) { return true; }

void CPhonarcDoc::ApplyArticulatorFrameRate() {
    const int rate = host_.profile->GetInt(kSection, "articulator_frame_rate", 0);
    if (rate != 0 && articulator_) articulator_->SetFrameRate(static_cast<float>(rate));
}

// ---- views ----

void CPhonarcDoc::AddView(document_view* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CPhonarcDoc::RemoveView(document_view* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
    if (selection_source_ == view) selection_source_ = nullptr;
}

bool CPhonarcDoc::GetSelection(timeline_selection* selection) const {
    int s = 0, e = 0;
    if (!audio_ || !selection_source_ || !selection_source_->GetSelection(&s, &e)) return false;
    // While a drag is under way the ends may be reversed.
    if (s > e) std::swap(s, e);
    selection->start = s;
    selection->end = e;
    return true;
}

bool CPhonarcDoc::GetSelectionMs(int* start, int* end) {
    timeline_selection selection;
    if (!GetSelection(&selection)) return false;
    *start = static_cast<int>(audio_->FramesToMs(selection.start));
    *end = static_cast<int>(audio_->FramesToMs(selection.end));
    return true;
}

int CPhonarcDoc::GetRecognitionTrack(app_sync_results** track) {
    const int index = settings_.second_channel ? 2 : 1;
    if (track) *track = &tracks_[index];
    return index;
}

results_collection_guard CPhonarcDoc::CreateResultsCollection() {
    ISyncResultsCollection* made = nullptr;
    const int code = CreateSyncResultsCollection(0, &made);
    results_collection_guard collection(made);
    if (code != 0 || !collection) return nullptr;
    collection->SetFlags((collection->GetFlags() & ~1) | 2 | (settings_.LipsyncwithEnergy ? 1 : 0));
    return collection;
}

void CPhonarcDoc::RefreshViews() {
    for (document_view* v : views_) v->RedrawChannels(true);
}

void CPhonarcDoc::UpdateViewResults() {
    for (document_view* v : views_) {
        v->SetTracks(tracks_);
        v->RedrawChannels(false);
    }
}

// ---- track changes ----

void CPhonarcDoc::CommitTrackEdit(const std::string& name, const app_sync_results& new_track, int index, int start,
                                  int end, multi_action* group) {
    app_sync_results after = new_track;
    if (articulator_ && start != -1 && end != -1) {
        if (const results_collection_guard collection = CreateResultsCollection()) {
            after.phonemes.export_markers(collection.get(), start - kArticulationMarginMs, end + kArticulationMarginMs);
            ApplyArticulatorFrameRate();
            articulator_->GenerateArticulations2(collection.get(), 0, start, end);
            after.import_articulation(articulator_.get(), true);
        }
    }
    auto* action = new sync_edit_action(name, this, tracks_[index], after, index);
    if (group) {
        group->Add(action);
        group->Do();
    } else {
        action->Do();  // the history takes the action over
    }
}

void CPhonarcDoc::ApplyRecognitionTrack(const std::string& name, const app_sync_results& fresh,
                                         bool keep_text_markers, multi_action* group) {
    const int index = GetRecognitionTrack();
    app_sync_results working = tracks_[index];
    working.merge(fresh, keep_text_markers);
    CommitTrackEdit(name, working, index, -1, -1, group);
}

articulator_guard CPhonarcDoc::MakeRunArticulator() {
    if (!articulator_) return nullptr;
    ApplyArticulatorFrameRate();
    CPhonemeMixtureArticulator* made = nullptr;
    const int code = CreateArticulator(&made, 0);
    articulator_guard copy(made);
    if (code != 0) return nullptr;
    copy->CopyStateFrom(*articulator_);
    return copy;
}

void CPhonarcDoc::TakeArticulatorState(const CPhonemeMixtureArticulator& run) {
    if (articulator_) articulator_->CopyStateFrom(run);
}

void CPhonarcDoc::RecomputeArticulation(app_sync_results* track) {
    if (!articulator_) return;
    const results_collection_guard collection = CreateResultsCollection();
    if (!collection) return;
    track->phonemes.export_markers(collection.get(), -1, -1);
    ApplyArticulatorFrameRate();
    articulator_->GenerateArticulations(collection.get(), 0);
    track->import_articulation(articulator_.get(), false);
}

void CPhonarcDoc::SetTrackResults(const app_sync_results& record, int index) {
    tracks_[index] = record;
    UpdateViewResults();
}

void CPhonarcDoc::SetAudioSamples(const audio_samples& samples) {
    if (auto* s = dynamic_cast<const pcm_stream_samples<CMemoryPCMStream>*>(&samples); s && s->stream) {
        SetAudioSamples(*s->stream);
    }
}

bool CPhonarcDoc::SetAudioSamples(const CMemoryPCMStream& samples) {
    bool ok = false;
    Guarded([&] {
        if (!audio_) return;
        for (document_view* v : views_) v->StopPlayback();
        const int code = audio_->CopyFrom(samples);
        if (code != 0) {
            ShowMessage(std::string(kTextOperationError) + GetErrorMessage(code));
            return;
        }
        // The window follows the new length.
        CMemoryPCMRangeStream* range = nullptr;
        if (CreateMemoryPCMRangeStream(audio_.get(), &range) == 0) range_.reset(range);
        for (document_view* v : views_) v->AudioSamplesChanged();
        for (document_view* v : views_) v->SetAudioStream(audio_.get());
        ok = true;
    });
    return ok;
}

// ---- opening ----

document_opener CPhonarcDoc::Opener() {
    document_opener opener;
    opener.host = &host_;
    opener.read_results = [this](sync_results_file& file, std::istream& in, std::ostream& errors) {
        return ReadResults(file, in, errors);
    };
    opener.articulate = [this](app_sync_results* track) { RecomputeArticulation(track); };
    return opener;
}

bool CPhonarcDoc::OnOpenDocument(const std::string& path) {
    opened_from_results_ = false;
    if (IsResultsPath(path)) tracks_[GetRecognitionTrack()].clear_all();
    opened_document opened = OpenDocumentFile(path, Opener());
    if (!opened.ok) {
        for (const std::string& text : opened.report) LogText(text);
        if (!opened.failure.empty()) ShowMessage(opened.failure);
        return false;
    }
    if (opened.from_results) SwapTrackLists(tracks_[GetRecognitionTrack()], opened.file.results);
    opened.file.results = app_sync_results();
    results_ = std::move(opened.file);
    for (const phn_marker& m : opened.phonemes) tracks_[0].phonemes.push_back(m);
    audio_ = std::move(opened.audio);
    range_ = std::move(opened.range);
    opened_from_results_ = opened.from_results;
    for (document_view* v : views_) v->SetAudioStream(audio_.get());
    UpdateViewResults();
    SetPathName(opened.path);
    // A relinked recording is a change the file does not hold yet: closing asks to save it.
    SetModifiedFlag(opened.relinked);
    for (const std::string& text : opened.report) LogText(text);
    return true;
}

void CPhonarcDoc::OnReloadAudio() {
    for (document_view* v : views_) v->StopPlayback();
    loaded_audio loaded = LoadAudio(host_, results_.audio_path);
    if (!loaded.audio) {
        if (!loaded.why.empty()) ShowMessage(loaded.why);
        return;
    }
    if (!loaded.note.empty()) LogText(loaded.note);
    range_ = std::move(loaded.range);
    audio_ = std::move(loaded.audio);
    for (document_view* v : views_) v->SetAudioStream(audio_.get());
}

void CPhonarcDoc::OnImportSyncMarkers() {
    FileDialogRequest request;
    request.filter = "Sync Results File (*.txt)|*.txt||";
    request.open = true;
    const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
    if (!chosen) return;
    const document_opener opener = Opener();
    sync_results_file file;
    const results_read read = ReadSyncResultsFile(*chosen, opener.read_results, &file);
    if (!read.opened) {
        ShowMessage(read.failure);
        return;
    }
    const app_sync_results& t = file.results;
    const bool nothing = t.phonemes.empty() && t.words.empty() && t.punctuation.empty() && t.xml_events.empty() &&
                         t.gestures.empty() && t.articulation.empty() && t.envelope.empty();
    const std::string stopped = read.stopped_at.empty() ? std::string(".") : ": " + read.stopped_at;
    // A file that fails before its first marker (a script, a newer version) is no results file
    // this program can use: emptying the track with it would only cost the user an Undo.
    if (!read.read && nothing) {
        if (!read.report.empty()) LogText(*chosen + ":\n" + read.report);
        ShowMessage("Sorry, " + *chosen + " is not a results file that can be imported" + stopped +
                    "\n\nNo markers were read, so the track was left as it was.");
        return;
    }
    // The markers read before an error are kept, as one undoable step; the user is told where
    // reading stopped and how to get the old markers back.
    const std::string report = read.report + FinishResultsTrack(&file.results, file, audio_.get(), opener.articulate);
    if (!report.empty()) LogText(*chosen + ":\n" + report);
    CommitTrackEdit("Import", file.results, GetRecognitionTrack(), -1, -1);
    if (read.read) return;
    ShowMessage("Sorry, " + *chosen + " could not be read to the end" + stopped +
                "\n\nThe markers read before that line were imported. Edit > Undo Import gives back the markers "
                "you had.");
}

// ---- saving and closing ----

bool CPhonarcDoc::OnSaveDocument(const std::string& path) {
    // The file holds the main track: every marker command edits it and opening reads into it,
    // whichever channel recognition goes to.
    sync_results_file file = results_;
    file.results = tracks_[1];
    std::string writer_error, save_error;
    const save_options options = ReadSaveOptions(*host_.profile);
    const uint32_t flags = SaveWriteFlags(options);
    if (!options.audio_link) file.audio_path.clear();
    const bool ok = SaveFileSafely(
        path,
        [&](std::ostream& out) {
            if (!file.write(out, 0, flags, &writer_error)) return false;
            if (!WriteExtraSections(0, static_cast<int>(flags), out)) {
                if (writer_error.empty()) writer_error = "a section could not be written";
                return false;
            }
            return static_cast<bool>(out);
        },
        &save_error);
    if (!ok) {
        const std::string& why = writer_error.empty() ? save_error : writer_error;
        ShowMessage("Sorry, " + path + " could not be saved:\n" + why + "\n\nThe document was not changed.");
        return false;
    }
    if (SecondChannelHoldsResults())
        LogText("The second visual channel is not saved: " + path + " holds the main track only.\n");
    if (const size_t left_out = envelopes_left_out(file.results, flags))
        LogText(EnvelopesLeftOutLine(left_out, options, path));
    undo_.MarkSaved(this);
    SetModifiedFlag(false);
    return true;
}

bool CPhonarcDoc::DoSave(const std::string& path, bool replace) {
    std::string name = path;
    if (name.empty()) {
        std::string proposed = path_name_;
        if (!proposed.empty() && !IsResultsPath(proposed)) proposed = WithoutExtension(proposed) + ".zuvo";
        if (proposed.empty() && replace) {
            proposed = title_.substr(0, title_.find_first_of(" #%;/\\")) + ".zuvo";
        }
        FileDialogRequest request;
        request.filter = "Zuvotrix Sync Results File (*.zuvo)|*.zuvo||";
        request.defaultExtension = "zuvo";
        request.open = false;
        request.initialPath = proposed;
        const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
        if (!chosen) return false;
        name = *chosen;
        if (FileExtension(name).empty()) name += ".zuvo";  // the dialog's default extension
    }
    if (!OnSaveDocument(name)) return false;
    if (replace) SetPathName(name);
    return true;
}

bool CPhonarcDoc::OnFileSave() { return DoSave(IsResultsPath(path_name_) ? path_name_ : "", true); }

bool CPhonarcDoc::SaveModified() {
    if (!IsModified()) return true;
    switch (host_.prompts->MessageBox("Save changes to " + title_ + "?", PromptButtons::YesNoCancel)) {
        case PromptAnswer::Yes:
            return OnFileSave();
        case PromptAnswer::No:
            return true;
        default:
            return false;
    }
}

// ---- modified state, undo, names ----

void CPhonarcDoc::SetModifiedFlag(bool modified) {
    const bool changed = modified != modified_;
    modified_ = modified;
    if (changed)
        for (document_view* v : views_) v->DocumentChanged();
    if (host_.history_changed) host_.history_changed();
}

bool CPhonarcDoc::IsModified() const {
    // The file holds the main track only: results on the second channel are never saved, and
    // closing must not lose them without asking.
    if (modified_ || SecondChannelHoldsResults()) return true;
    return script_modified_ ? script_modified_() : false;
}

bool CPhonarcDoc::SecondChannelHoldsResults() const {
    const app_sync_results& second = tracks_[2];
    return !second.phonemes.empty() || !second.words.empty() || !second.punctuation.empty() ||
           !second.xml_events.empty() || !second.gestures.empty();
}

void CPhonarcDoc::ShowSecondChannel() {
    const bool shown = settings_.second_channel || SecondChannelHoldsResults();
    for (document_view* v : views_) v->ShowChannel(kShowPhonemesTrack2, shown);
}

template <class F>
void CPhonarcDoc::Guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        ShowMessage(std::string(kTextOperationError) + e.what());
    }
}

void CPhonarcDoc::OnEditUndo() {
    Guarded([&] { undo_.Undo(this, 1); });
}

void CPhonarcDoc::OnEditRedo() {
    Guarded([&] { undo_.Redo(this, 1); });
}

namespace {
std::string FormatActionText(const char* format, const std::string& name) {
    std::string text = format;
    const size_t at = text.find("%1%");
    if (at != std::string::npos) text.replace(at, 3, name);
    return text;
}
}  // namespace

CommandState CPhonarcDoc::UpdateUndo() const {
    auto& undo = const_cast<CUndoManager&>(undo_);
    auto* self = const_cast<CPhonarcDoc*>(this);
    if (!undo.CanUndo(self, 1)) return {false, false, {}};
    return {true, false, FormatActionText(kTextUndoFormat, undo.GetActionName(self, false, 0))};
}

CommandState CPhonarcDoc::UpdateRedo() const {
    auto& undo = const_cast<CUndoManager&>(undo_);
    auto* self = const_cast<CPhonarcDoc*>(this);
    if (!undo.CanRedo(self, 1)) return {false, false, {}};
    return {true, false, FormatActionText(kTextRedoFormat, undo.GetActionName(self, true, 0))};
}

void CPhonarcDoc::SetPathName(const std::string& path) {
    path_name_ = path;
    title_ = fs::path(path).filename().string();
    for (document_view* v : views_) v->DocumentChanged();
}

std::string CPhonarcDoc::WindowTitle() const { return std::string(kTextAppTitle) + " - " + title_; }

// ---- messages ----

void CPhonarcDoc::ShowMessage(const std::string& text) { host_.prompts->MessageBox(text, PromptButtons::Ok); }
