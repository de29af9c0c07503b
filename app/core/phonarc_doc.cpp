// The document's state, settings, track changes, opening and saving; see phonarc_doc.h.
#include "app/core/phonarc_doc.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "app/core/display_channels.h"
#include "app/core/document_commands.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/save_options.h"
#include "engine/api/error_messages.h"
#include "engine/api/sync_marker.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/audio/audio_file_signature.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/text/text_encoding.h"
#include "engine/util/error_codes.h"
#include "engine/util/file_utils.h"
#include "platform/fp_guard.h"
#include "platform/safe_save.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "UI";
constexpr size_t kMaxPhnLabel = 127;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The extension from the last '.' of the file name, or "".
std::string Extension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

std::string WithoutExtension(const std::string& path) { return path.substr(0, path.size() - Extension(path).size()); }

bool IsResultsPath(const std::string& path) { return Lower(Extension(path)) == ".zuvo"; }

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

// What is at the path when it is there but is no ordinary file ("a folder", "a pipe" ...); empty
// when it is an ordinary file or nothing is there. Such a path is never handed to a reader: a
// pipe would block it and a folder reads as a damaged file.
std::string NotOrdinaryFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st) || fs::is_regular_file(st)) return "";
    switch (st.type()) {
    case fs::file_type::directory: return "a folder";
    case fs::file_type::block:
    case fs::file_type::character: return "a device";
    case fs::file_type::fifo: return "a pipe";
    case fs::file_type::socket: return "a socket";
    default: return "not an ordinary file";
    }
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(fs::status(path, ec));
}

// The message for a recording that did not load. The engine's codes know only WAV files, so a
// compressed format that failed is named here, by extension or, failing that, by its first bytes.
std::string AudioFailureText(const std::string& path, int code) {
    if (!Exists(path)) return "Sorry, the audio file " + path + " could not be found.";
    const std::string ext = Lower(Extension(path));
    AudioFileKind kind = ext == ".mp3" ? AudioFileKind::kMpeg
                         : ext == ".ogg" || ext == ".oga" ? AudioFileKind::kOgg
                                                          : IdentifyAudioFile(path.c_str());
    if (code == kErrBadData) {
        if (kind == AudioFileKind::kMpeg) return "Sorry, " + path + " is not a readable MP3 file.";
        if (kind == AudioFileKind::kOgg) return "Sorry, " + path + " is not a readable Ogg Vorbis file.";
    }
    return path + ":\n" + GetErrorMessage(code);
}

std::string Seconds(long long ms) {
    const long long magnitude = ms < 0 ? -ms : ms;
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%03lld s", ms < 0 ? "-" : "", magnitude / 1000, magnitude % 1000);
    return text;
}

// Remembers whether the user cancelled: a cancelled load returns success with an empty stream.
class cancel_watch : public CProgress {
public:
    explicit cancel_watch(CProgress* inner) : inner_(inner) {}
    void SetStatusText(const char* text) override {
        if (inner_) inner_->SetStatusText(text);
    }
    bool Progress(int done, int total) override {
        const bool cancel = inner_ && inner_->Progress(done, total);
        if (cancel) cancelled = true;
        return cancel;
    }
    bool cancelled = false;

private:
    CProgress* inner_;
};

}  // namespace

void CPhonarcDoc::LogText(const std::string& text) {
    logged_ += text;
    if (COutputLog* log = GetOutputLog()) {
        // The log cuts each text; long reader reports go in pieces.
        for (size_t at = 0; at < text.size(); at += kOutputLogMaxText) log->AddText(text.substr(at, kOutputLogMaxText).c_str());
    }
}

CPhonarcDoc::CPhonarcDoc(const document_host& host) : host_(host), settings_(host_) {
    if (CreateArticulator(&articulator_, 0) != 0) articulator_ = nullptr;
    settings_.BindArticulator(articulator_, [this](const std::string& text) { LogText(text); });
    settings_.second_channel_changed = [this] { ShowSecondChannel(); };
    settings_.LoadArticulation();
    undo_.Register(this, kUndoLevels, DefaultUndoNotify);
}

CPhonarcDoc::~CPhonarcDoc() {
    DestroyMemoryPCMRangeStream(range_);
    if (audio_) audio_->Destroy();
    DestroyArticulator(articulator_);
    undo_.Unregister(this);
}

IArticulator* CPhonarcDoc::articulator() const { return articulator_; }

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

ISyncResultsCollection* CPhonarcDoc::CreateResultsCollection() {
    ISyncResultsCollection* collection = nullptr;
    if (CreateSyncResultsCollection(0, &collection) != 0 || !collection) return nullptr;
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
        if (ISyncResultsCollection* collection = CreateResultsCollection()) {
            after.phonemes.export_markers(collection, start - kArticulationMarginMs, end + kArticulationMarginMs);
            ApplyArticulatorFrameRate();
            articulator_->GenerateArticulations2(collection, 0, start, end);
            after.import_articulation(articulator_, true);
            DestroySyncResultsCollection(collection);
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

void CPhonarcDoc::ApplyRecognitionResults(const std::string& name, ISyncResultsCollection* collection,
                                          const std::string& text, bool, bool keep_text_markers, multi_action* group) {
    const int index = GetRecognitionTrack();
    app_sync_results working = tracks_[index];
    ApplyCollectionToTrack(collection, text, &working, keep_text_markers);
    CommitTrackEdit(name, working, index, -1, -1, group);
}

void CPhonarcDoc::ApplyCollectionToTrack(ISyncResultsCollection* collection, const std::string& text,
                                         app_sync_results* target, bool keep_text_markers) {
    app_sync_results fresh;
    fresh.import_sync_markers(collection, text, true);
    if (articulator_) {
        ApplyArticulatorFrameRate();
        articulator_->GenerateArticulations(collection, 0);
        fresh.import_articulation(articulator_, false);
    }
    target->merge(fresh, keep_text_markers);
}

void CPhonarcDoc::ApplyRecognitionTrack(const std::string& name, const app_sync_results& fresh,
                                         bool keep_text_markers, multi_action* group) {
    const int index = GetRecognitionTrack();
    app_sync_results working = tracks_[index];
    working.merge(fresh, keep_text_markers);
    CommitTrackEdit(name, working, index, -1, -1, group);
}

CPhonemeMixtureArticulator* CPhonarcDoc::MakeRunArticulator() {
    if (!articulator_) return nullptr;
    ApplyArticulatorFrameRate();
    CPhonemeMixtureArticulator* copy = nullptr;
    if (CreateArticulator(&copy, 0) != 0) return nullptr;
    copy->CopyStateFrom(*articulator_);
    return copy;
}

void CPhonarcDoc::TakeArticulatorState(const CPhonemeMixtureArticulator& run) {
    if (articulator_) articulator_->CopyStateFrom(run);
}

void CPhonarcDoc::RecomputeArticulation(app_sync_results* track) {
    if (!articulator_) return;
    ISyncResultsCollection* collection = CreateResultsCollection();
    if (!collection) return;
    track->phonemes.export_markers(collection, -1, -1);
    ApplyArticulatorFrameRate();
    articulator_->GenerateArticulations(collection, 0);
    track->import_articulation(articulator_, false);
    DestroySyncResultsCollection(collection);
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
        if (CreateMemoryPCMRangeStream(audio_, &range) == 0) {
            DestroyMemoryPCMRangeStream(range_);
            range_ = range;
        }
        for (document_view* v : views_) v->AudioSamplesChanged();
        for (document_view* v : views_) v->SetAudioStream(audio_);
        ok = true;
    });
    return ok;
}

// ---- opening ----

std::vector<std::string> CPhonarcDoc::AudioPathCandidates(const std::string& audio_path, const std::string& results_path) {
    std::vector<std::string> out;
    if (audio_path.empty()) return out;
    std::string path = audio_path;
    std::replace(path.begin(), path.end(), '\\', '/');
    // A drive letter means nothing here: the rest of the path is tried, then the file name.
    const bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    if (drive) path = path.substr(2);
    const fs::path folder = fs::path(results_path).parent_path();
    const auto add = [&](const std::string& p) {
        if (!p.empty() && std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
    };
    if (!drive) add(fs::path(path).is_absolute() ? path : (folder / path).lexically_normal().string());
    if (!drive && fs::path(path).is_relative()) add(path);
    if (drive) add(path);
    const std::string name = fs::path(path).filename().string();
    if (!name.empty()) add((folder / name).string());
    return out;
}

bool CPhonarcDoc::FindAudioForResults(const std::string& results_path, bool* relinked) {
    *relinked = false;
    const std::string& audio = results_.audio_path;
    if (audio.empty()) {
        ShowMessage(
            "there was no audio file associated with specified .zuvo file.\n\nAfter clicking OK, you will be "
            "prompted to select the audio file associated with this file.");
    } else {
        const std::vector<std::string> candidates = AudioPathCandidates(audio, results_path);
        std::string looked, odd;
        for (const std::string& candidate : candidates) {
            if (IsRegularFile(candidate)) {
                results_.audio_path = candidate;
                return true;
            }
            const std::string what = NotOrdinaryFile(candidate);
            if (!what.empty() && odd.empty()) odd = candidate + " is " + what + ", not an ordinary file";
            looked += "\n" + candidate;
        }
        if (!odd.empty()) {
            ShowMessage("Sorry, the audio file specified in the .zuvo file cannot be opened: " + odd +
                        ".\n\nAfter clicking OK, you will be prompted to locate the source audio file.");
        } else {
            ShowMessage("Sorry, the audio file specified in the .zuvo file could not be found. Looked for:" + looked +
                        "\n\nAfter clicking OK, you will be prompted to locate the source audio file.");
        }
    }
    FileDialogRequest request;
    request.title = "Select audio file for ZUVO file";
    request.filter =
        "Windows WAV Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|Ogg Vorbis Files (*.ogg)|*.ogg|All Files (*.*)|*.*||";
    request.open = true;
    const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
    if (!chosen) {
        ShowMessage("No audio file was chosen, so nothing was opened: " + results_path + " needs its recording.");
        return false;
    }
    results_.audio_path = *chosen;
    *relinked = true;
    return true;
}

namespace {

// The reader's first error line without its "Error: " (it names the line and the reason); a long
// reason, such as a keyword of raw bytes, is cut short for a message box.
std::string FirstReadError(const std::string& report) {
    constexpr std::string_view kMark = "Error: ";
    constexpr size_t kLongest = 200;
    for (size_t at = 0; at < report.size();) {
        const size_t end = std::min(report.find('\n', at), report.size());
        const std::string_view line(report.data() + at, end - at);
        if (line.substr(0, kMark.size()) == kMark) {
            std::string reason(line.substr(kMark.size()));
            if (reason.size() > kLongest) reason = reason.substr(0, kLongest) + "...";
            return reason;
        }
        at = end + 1;
    }
    return "";
}

}  // namespace

bool CPhonarcDoc::ReadSyncResultsFile(const std::string& path, sync_results_file* file, bool* opened,
                                      std::string* stopped_at) {
    std::ifstream in(path);
    if (opened) *opened = static_cast<bool>(in);
    if (!in) {
        ShowMessage(
            "sorry, the specified file could not be opened. Please check the access rights on this file and try "
            "again");
        return false;
    }
    // Binary data or wide text would be read as records of raw bytes: refused before any is read.
    std::string head(kResultsTextProbeSize, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (const std::string why = NotResultsTextReason(head); !why.empty()) {
        if (opened) *opened = false;
        ShowMessage("Sorry, " + path + " is not a results file: " + why + ".");
        return false;
    }
    in.clear();
    in.seekg(0);
    std::ostringstream errors;
    const bool ok = ReadResults(*file, in, errors);
    std::string report = errors.str();
    if (stopped_at) *stopped_at = ok ? "" : FirstReadError(report);
    for (const std::string& w : file->warnings) report += "Warning: " + w + (w.empty() || w.back() != '\n' ? "\n" : "");
    if (opening_ && ok) {
        // The recording is not loaded yet: the track is finished, and the report written with
        // what that finds, once it is.
        pending_report_ = report;
        return ok;
    }
    if (!opening_) report += FinishResultsTrack(&file->results, *file);
    if (!report.empty()) LogText(path + ":\n" + report);
    return ok;
}

std::string CPhonarcDoc::FinishResultsTrack(app_sync_results* track, const sync_results_file& file) {
    std::string report;
    if (audio_) report = FitToRecording(track, file);
    if (track->articulation.empty()) RecomputeArticulation(track);
    return report;
}

std::string CPhonarcDoc::FitToRecording(app_sync_results* track, const sync_results_file& file) {
    // Work on the track (articulation, envelopes, painting) grows with the time it covers, so
    // nothing may reach far past the recording.
    const int length_ms = static_cast<int>(audio_->FramesToMs(audio_->GetFrameCount()));
    const fit_counts counts = fit_to_length(*track, length_ms, kArticulationMarginMs);
    if (counts.cut == 0 && counts.dropped == 0) return "";
    std::string where, reach;
    if (file.latest_end > length_ms + kArticulationMarginMs && file.latest_end_line > 0) {
        where = "Line[" + std::to_string(file.latest_end_line) + "]: ";
        reach = "markers reach " + Seconds(file.latest_end) + ", past the end of the recording at " + Seconds(length_ms);
    } else if (file.earliest_start < 0 && file.earliest_start_line > 0) {
        where = "Line[" + std::to_string(file.earliest_start_line) + "]: ";
        reach = "markers start at " + Seconds(file.earliest_start) + ", before the recording";
    } else {
        reach = "markers lie outside the recording (0 to " + Seconds(length_ms) + ")";
    }
    return "Warning: " + where + reach + ": " + std::to_string(counts.cut) + " cut to fit it, " +
           std::to_string(counts.dropped) + " outside it left out.\n";
}

bool CPhonarcDoc::LoadAudio(const std::string& path, CMemoryPCMStream** source, CMemoryPCMRangeStream** range,
                            std::string* why, bool* cancelled) {
    *source = nullptr;
    *range = nullptr;
    *cancelled = false;
    why->clear();
    if (const std::string what = NotOrdinaryFile(path); !what.empty()) {
        *why = "Sorry, " + path + " is " + what + ", not an ordinary file: it cannot be opened as a recording.";
        return false;
    }
    InstallDefaultAudioFileReaders();
    std::unique_ptr<document_progress> dialog;
    if (host_.begin_progress) dialog = host_.begin_progress("Opening file...");
    cancel_watch watch(dialog.get());
    PCMFormat format{};
    format.sampleRate = 16000u << 16;
    format.bitsPerSample = 16;
    format.channels = 1;
    int code = 0;
    {
        CFloatingPointGuard guard;
        code = CreateMemoryPCMStreamFromFile(path.c_str(), &format, &watch, source);
        if (code == 0) code = CreateMemoryPCMRangeStream(*source, range);
    }
    *cancelled = watch.cancelled || code == kErrCancelled;
    if (code != 0 && !*cancelled) *why = AudioFailureText(path, code);
    // Nothing can be shown, played or aligned in a recording without samples.
    if (code == 0 && !*cancelled && (*source)->GetFrameCount() == 0)
        *why = "Sorry, " + path + " holds no sound: the recording has no samples.";
    if (code != 0 || *cancelled || !why->empty()) {
        DestroyMemoryPCMRangeStream(*range);
        if (*source) (*source)->Destroy();
        *source = nullptr;
        *range = nullptr;
        return false;
    }
    NoteCutShortRecording(path);
    return true;
}

void CPhonarcDoc::NoteCutShortRecording(const std::string& path) {
    uint64_t announced = 0, present = 0;
    if (!WaveFileCutShort(path.c_str(), &announced, &present)) return;
    LogText(path + ":\nWarning: the recording is cut short: its header announces " + std::to_string(announced) +
            " bytes of samples, the file holds " + std::to_string(present) + "; what is there was opened.\n");
}

void CPhonarcDoc::ReadPhonemeFile(const std::string& audio_path) {
    std::ifstream in(WithoutExtension(audio_path) + ".phn");
    if (!in) return;
    int start = 0, end = 0;
    std::string label;
    while (in >> start >> end >> label) {
        if (label.size() > kMaxPhnLabel) label.resize(kMaxPhnLabel);
        phn_marker m;
        m.set_start(static_cast<int>(audio_->FramesToMs(start)));
        m.set_end(static_cast<int>(audio_->FramesToMs(end)));
        m.set_label(label.c_str());
        m.value = 75.0f;
        tracks_[0].phonemes.push_back(m);
    }
}

bool CPhonarcDoc::OnOpenDocument(const std::string& given_path) {
    std::error_code ec;
    const std::string path = fs::absolute(given_path, ec).lexically_normal().string();
    opened_from_results_ = false;
    bool relinked = false;
    // What the reader found is written however the opening ends.
    struct report_writer {
        CPhonarcDoc* doc;
        const std::string& path;
        ~report_writer() {
            if (!doc->pending_report_.empty()) doc->LogText(path + ":\n" + doc->pending_report_);
            doc->pending_report_.clear();
        }
    } writer{this, path};
    if (IsResultsPath(path)) {
        app_sync_results* target = nullptr;
        const int index = GetRecognitionTrack(&target);
        target->clear_all();
        // Read into a fresh object: a file that fails to read leaves nothing half-read behind.
        sync_results_file file;
        bool opened = false;
        opening_ = true;
        const bool read = ReadSyncResultsFile(path, &file, &opened);
        opening_ = false;
        if (!read) {
            if (opened) ShowMessage("Sorry, " + path + " could not be read: see the Output Window for the line and the reason.");
            return false;
        }
        tracks_[index] = std::move(file.results);
        file.results = app_sync_results();
        results_ = std::move(file);
        if (!FindAudioForResults(path, &relinked)) return false;
        if (results_.script_text.empty() && !results_.text_file_path.empty()) {
            std::string text;
            if (ReadScriptFile(results_.text_file_path, &text, nullptr)) results_.script_text = text;
        }
        opened_from_results_ = true;
    } else {
        results_.audio_path = path;
    }
    if (results_.script_text.empty()) {
        std::string text;
        if (ReadScriptFile(WithoutExtension(results_.audio_path) + ".txt", &text, nullptr)) results_.script_text = text;
    }
    std::string why;
    bool cancelled = false;
    CMemoryPCMStream* source = nullptr;
    CMemoryPCMRangeStream* range = nullptr;
    if (!LoadAudio(results_.audio_path, &source, &range, &why, &cancelled)) {
        if (!cancelled) ShowMessage(why);
        return false;
    }
    audio_ = source;
    range_ = range;
    if (opened_from_results_) pending_report_ += FinishResultsTrack(&tracks_[GetRecognitionTrack()], results_);
    if (!opened_from_results_) ReadPhonemeFile(results_.audio_path);
    for (document_view* v : views_) v->SetAudioStream(audio_);
    UpdateViewResults();
    SetPathName(path);
    // A relinked recording is a change the file does not hold yet: closing asks to save it.
    SetModifiedFlag(relinked);
    return true;
}

void CPhonarcDoc::OnReloadAudio() {
    for (document_view* v : views_) v->StopPlayback();
    std::string why;
    bool cancelled = false;
    CMemoryPCMStream* source = nullptr;
    CMemoryPCMRangeStream* range = nullptr;
    if (!LoadAudio(results_.audio_path, &source, &range, &why, &cancelled)) {
        if (!cancelled) ShowMessage(why);
        return;
    }
    DestroyMemoryPCMRangeStream(range_);
    if (audio_) audio_->Destroy();
    audio_ = source;
    range_ = range;
    for (document_view* v : views_) v->SetAudioStream(audio_);
}

void CPhonarcDoc::OnImportSyncMarkers() {
    FileDialogRequest request;
    request.filter = "Sync Results File (*.txt)|*.txt||";
    request.open = true;
    const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
    if (!chosen) return;
    sync_results_file file;
    bool opened = false;
    std::string stopped_at;
    // The markers read before an error are kept, as one undoable step; the user is told where
    // reading stopped and how to get the old markers back.
    const bool read = ReadSyncResultsFile(*chosen, &file, &opened, &stopped_at);
    if (!opened) return;
    CommitTrackEdit("Import", file.results, GetRecognitionTrack(), -1, -1);
    if (read) return;
    const app_sync_results& t = file.results;
    const bool nothing = t.phonemes.empty() && t.words.empty() && t.punctuation.empty() && t.xml_events.empty() &&
                         t.gestures.empty();
    ShowMessage("Sorry, " + *chosen + " could not be read to the end" +
                (stopped_at.empty() ? std::string(".") : ": " + stopped_at) + "\n\n" +
                (nothing ? "No markers were read before that line, so the track is now empty."
                         : "The markers read before that line were imported.") +
                " Edit > Undo Import gives back the markers you had.");
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
        if (Extension(name).empty()) name += ".zuvo";  // the dialog's default extension
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
