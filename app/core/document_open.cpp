// Opening recordings and results files for the document; see document_open.h.
#include "app/core/document_open.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string_view>

#include "app/core/prompts.h"
#include "engine/api/error_messages.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/text/text_encoding.h"
#include "engine/util/error_codes.h"
#include "platform/fp_guard.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxPhnLabel = 127;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

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
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        case fs::file_type::fifo:
            return "a pipe";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "not an ordinary file";
    }
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(fs::status(path, ec));
}

// The message for a recording that did not load: the file, then the engine's text, which says
// what is wrong with it (a folder, a damaged MP3 file, a format not read here ...).
std::string AudioFailureText(const std::string& path, int code) {
    if (code == kErrFileNotFound && !Exists(path)) return "Sorry, the audio file " + path + " could not be found.";
    return path + ":\n" + GetErrorMessage(code);
}

std::string Seconds(long long ms) {
    const long long magnitude = ms < 0 ? -ms : ms;
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%03lld s", ms < 0 ? "-" : "", magnitude / 1000,
                  magnitude % 1000);
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

void ShowMessage(const document_host& host, const std::string& text) {
    host.prompts->MessageBox(text, PromptButtons::Ok);
}

std::string CutShortNote(const std::string& path, CProgress* progress) {
    uint64_t announced = 0, present = 0;
    if (!WaveFileCutShort(path.c_str(), &announced, &present, progress)) return "";
    return path + ":\nWarning: the recording is cut short: its header announces " +
           std::to_string(announced) + " bytes of samples, the file holds " + std::to_string(present) +
           "; what is there was opened.\n";
}

// The ".phn" file beside a recording: sample positions of the 16 kHz audio, each phoneme at 75.
phn_marker_list ReadPhonemeFile(const std::string& audio_path, CMemoryPCMStream* audio) {
    phn_marker_list phonemes;
    std::ifstream in(WithoutExtension(audio_path) + ".phn");
    if (!in) return phonemes;
    int start = 0, end = 0;
    std::string label;
    while (in >> start >> end >> label) {
        if (label.size() > kMaxPhnLabel) label.resize(kMaxPhnLabel);
        phn_marker m;
        m.set_start(static_cast<int>(audio->FramesToMs(start)));
        m.set_end(static_cast<int>(audio->FramesToMs(end)));
        m.set_label(label.c_str());
        m.value = 75.0f;
        phonemes.push_back(m);
    }
    return phonemes;
}

std::string FitToRecording(app_sync_results* track, const sync_results_file& file, CMemoryPCMStream* audio) {
    // Work on the track (articulation, envelopes, painting) grows with the time it covers, so
    // nothing may reach far past the recording.
    const int length_ms = static_cast<int>(audio->FramesToMs(audio->GetFrameCount()));
    const fit_counts counts = fit_to_length(*track, length_ms, kArticulationMarginMs);
    if (counts.cut == 0 && counts.dropped == 0) return "";
    std::string where, reach;
    if (file.latest_end > length_ms + kArticulationMarginMs && file.latest_end_line > 0) {
        where = "Line[" + std::to_string(file.latest_end_line) + "]: ";
        reach = "markers reach " + Seconds(file.latest_end) + ", past the end of the recording at " +
                Seconds(length_ms);
    } else if (file.earliest_start < 0 && file.earliest_start_line > 0) {
        where = "Line[" + std::to_string(file.earliest_start_line) + "]: ";
        reach = "markers start at " + Seconds(file.earliest_start) + ", before the recording";
    } else {
        reach = "markers lie outside the recording (0 to " + Seconds(length_ms) + ")";
    }
    return "Warning: " + where + reach + ": " + std::to_string(counts.cut) + " cut to fit it, " +
           std::to_string(counts.dropped) + " outside it left out.\n";
}

// Sets file->audio_path to the recording that exists, asking the user when none does; false
// with the message to show when the user chose none.
bool FindAudioForResults(const document_host& host, const std::string& results_path, sync_results_file* file,
                         bool* relinked, std::string* failure) {
    *relinked = false;
    const std::string audio = file->audio_path;
    if (audio.empty()) {
        ShowMessage(
            host,
            "there was no audio file associated with specified .zuvo file.\n\nAfter clicking OK, you will be "
            "prompted to select the audio file associated with this file.");
    } else {
        const std::vector<std::string> candidates = AudioPathCandidates(audio, results_path);
        std::string looked, odd;
        for (const std::string& candidate : candidates) {
            if (IsRegularFile(candidate)) {
                file->audio_path = candidate;
                return true;
            }
            const std::string what = NotOrdinaryFile(candidate);
            if (!what.empty() && odd.empty()) odd = candidate + " is " + what + ", not an ordinary file";
            looked += "\n" + candidate;
        }
        if (!odd.empty()) {
            ShowMessage(host,
                        "Sorry, the audio file specified in the .zuvo file cannot be opened: " + odd +
                            ".\n\nAfter clicking OK, you will be prompted to locate the source audio file.");
        } else {
            ShowMessage(
                host,
                "Sorry, the audio file specified in the .zuvo file could not be found. Looked for:" + looked +
                    "\n\nAfter clicking OK, you will be prompted to locate the source audio file.");
        }
    }
    FileDialogRequest request;
    request.title = "Select audio file for ZUVO file";
    request.filter =
        "Windows WAV Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|Ogg Vorbis Files (*.ogg)|*.ogg|All Files "
        "(*.*)|*.*||";
    request.open = true;
    const std::optional<std::string> chosen = host.prompts->ChooseFile(request);
    if (!chosen) {
        *failure =
            "No audio file was chosen, so nothing was opened: " + results_path + " needs its recording.";
        return false;
    }
    file->audio_path = *chosen;
    *relinked = true;
    return true;
}

std::string ReadScript(const std::string& path) {
    std::string text;
    if (!ReadScriptFile(path, &text, nullptr)) return "";
    return text;
}

// Everything but the reader's report, which the caller writes however this ends.
bool OpenInto(const document_opener& opener, opened_document* opened, std::string* reader_report) {
    const std::string& path = opened->path;
    sync_results_file& file = opened->file;
    if (IsResultsPath(path)) {
        const results_read read = ReadSyncResultsFile(path, opener.read_results, &file);
        *reader_report = read.report;
        if (!read.read) {
            opened->failure =
                read.opened ? "Sorry, " + path +
                                  " could not be read: see the Output Window for the line and the reason."
                            : read.failure;
            return false;
        }
        {
            // The lists as long as they are, not as the reader grew them: a copy holds no spare.
            app_sync_results exact = file.results;
            SwapTrackLists(file.results, exact);
        }
        if (!FindAudioForResults(*opener.host, path, &file, &opened->relinked, &opened->failure))
            return false;
        if (file.script_text.empty() && !file.text_file_path.empty())
            file.script_text = ReadScript(file.text_file_path);
        opened->from_results = true;
    } else {
        file.audio_path = path;
    }
    if (file.script_text.empty()) file.script_text = ReadScript(WithoutExtension(file.audio_path) + ".txt");
    loaded_audio loaded = LoadAudio(*opener.host, file.audio_path);
    if (!loaded.audio) {
        opened->failure = loaded.why;
        return false;
    }
    if (!loaded.note.empty()) opened->report.push_back(loaded.note);
    opened->audio = std::move(loaded.audio);
    opened->range = std::move(loaded.range);
    if (opened->from_results) {
        *reader_report += FinishResultsTrack(&file.results, file, opened->audio.get(), opener.articulate);
    } else {
        opened->phonemes = ReadPhonemeFile(file.audio_path, opened->audio.get());
    }
    return true;
}

}  // namespace

void DestroyMemoryPCMStream(CMemoryPCMStream* stream) {
    stream->Destroy();
}

// ---- file names ----

bool IsResultsPath(const std::string& path) {
    return Lower(FileExtension(path)) == ".zuvo";
}

std::string FileExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

std::string WithoutExtension(const std::string& path) {
    return path.substr(0, path.size() - FileExtension(path).size());
}

std::vector<std::string> AudioPathCandidates(const std::string& audio_path, const std::string& results_path) {
    std::vector<std::string> out;
    if (audio_path.empty()) return out;
    std::string path = audio_path;
    std::replace(path.begin(), path.end(), '\\', '/');
    // A drive letter means nothing here: the rest of the path is tried, then the file name.
    const bool drive =
        path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
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

// ---- the recording ----

loaded_audio LoadAudio(const document_host& host, const std::string& path) {
    loaded_audio loaded;
    InstallDefaultAudioFileReaders();
    std::unique_ptr<document_progress> dialog;
    if (host.begin_progress) dialog = host.begin_progress("Opening file...");
    cancel_watch watch(dialog.get());
    PCMFormat format{};
    format.sampleRate = 16000u << 16;
    format.bitsPerSample = 16;
    format.channels = 1;
    int code = 0;
    {
        CFloatingPointGuard guard;
        CMemoryPCMStream* source = nullptr;
        code = CreateMemoryPCMStreamFromFile(path.c_str(), &format, &watch, &source);
        loaded.audio.reset(source);
        if (code == 0) {
            CMemoryPCMRangeStream* range = nullptr;
            code = CreateMemoryPCMRangeStream(source, &range);
            loaded.range.reset(range);
        }
    }
    const bool cancelled = watch.cancelled || code == kErrCancelled;
    if (code != 0 && !cancelled) loaded.why = AudioFailureText(path, code);
    if (code == 0 && !cancelled && loaded.audio->GetFrameCount() == 0)
        loaded.why = "Sorry, " + path + " holds no sound: the recording has no samples.";
    if (code != 0 || cancelled || !loaded.why.empty()) {
        loaded.range.reset();
        loaded.audio.reset();
        return loaded;
    }
    // The file is opened once more for its counts: as long as the first time for a file of a
    // great many chunks, so the dialog still hears of it and can cancel.
    loaded.note = CutShortNote(path, &watch);
    if (watch.cancelled) {
        loaded.range.reset();
        loaded.audio.reset();
    }
    return loaded;
}

// ---- the results file ----

results_read ReadSyncResultsFile(const std::string& path, const results_reader& reader,
                                 sync_results_file* file) {
    results_read result;
    std::ifstream in(path);
    result.opened = static_cast<bool>(in);
    if (!in) {
        result.failure =
            "sorry, the specified file could not be opened. Please check the access rights on this file and "
            "try again";
        return result;
    }
    // Binary data or wide text would be read as records of raw bytes: refused before any is read.
    std::string head(kResultsTextProbeSize, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (const std::string why = NotResultsTextReason(head); !why.empty()) {
        result.opened = false;
        result.failure = "Sorry, " + path + " is not a results file: " + why + ".";
        return result;
    }
    in.clear();
    in.seekg(0);
    std::ostringstream errors;
    // Lines ended by a carriage return alone (old Macintosh text) are lines too: read as they
    // are, a path would run to the end of the file.
    if (head.find('\r') != std::string::npos && head.find('\n') == std::string::npos) {
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::replace(text.begin(), text.end(), '\r', '\n');
        std::istringstream lines(std::move(text));
        result.read = reader(*file, lines, errors);
    } else {
        result.read = reader(*file, in, errors);
    }
    result.report = errors.str();
    if (!result.read) result.stopped_at = FirstReadError(result.report);
    for (const std::string& w : file->warnings)
        result.report += "Warning: " + w + (w.empty() || w.back() != '\n' ? "\n" : "");
    return result;
}

std::string FinishResultsTrack(app_sync_results* track, const sync_results_file& file,
                               CMemoryPCMStream* audio, const track_articulator& articulate) {
    std::string report;
    if (audio) report = FitToRecording(track, file, audio);
    if (track->articulation.empty() && articulate) articulate(track);
    return report;
}

void SwapTrackLists(app_sync_results& a, app_sync_results& b) {
    a.phonemes.swap(b.phonemes);
    a.words.swap(b.words);
    a.punctuation.swap(b.punctuation);
    a.xml_events.swap(b.xml_events);
    a.gestures.swap(b.gestures);
    a.articulation.swap(b.articulation);
    a.envelope.swap(b.envelope);
}

// ---- opening ----

opened_document OpenDocumentFile(const std::string& given_path, const document_opener& opener) {
    opened_document opened;
    std::error_code ec;
    opened.path = fs::absolute(given_path, ec).lexically_normal().string();
    std::string reader_report;
    opened.ok = OpenInto(opener, &opened, &reader_report);
    // What the reader found is written however the opening ends, after what loading said.
    if (!reader_report.empty()) opened.report.push_back(opened.path + ":\n" + reader_report);
    return opened;
}
