// Opening a recording or a results file into what a document holds: the results file (paths,
// script, its track fitted to the recording), the recording in memory and the Output Window's
// texts. The document takes the result over (phonarc_doc.cpp); on the way only a missing
// recording is asked for, through the host's prompts.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/core/document_host.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/util/engine_guard.h"
#include "model/sync_results_file.h"

// A results track may reach this far past either end of the recording; articulation redone
// around an edit works as far on each side.
constexpr int kArticulationMarginMs = 1000;

void DestroyMemoryPCMStream(CMemoryPCMStream* stream);
using pcm_stream_guard = engine_guard<CMemoryPCMStream, DestroyMemoryPCMStream>;
using pcm_range_guard = engine_guard<CMemoryPCMRangeStream, DestroyMemoryPCMRangeStream>;

// ---- file names ----
bool IsResultsPath(const std::string& path);
// The extension from the last '.' of the file name, or "".
std::string FileExtension(const std::string& path);
std::string WithoutExtension(const std::string& path);
// Where a missing audio file of a results file is looked for before the user is asked: the
// path with Windows separators turned, and the same file name beside the results file.
std::vector<std::string> AudioPathCandidates(const std::string& audio_path, const std::string& results_path);

// ---- the recording ----
struct loaded_audio {
    pcm_stream_guard audio;  // null when it did not load
    pcm_range_guard range;
    std::string why;   // why it did not load; empty when it loaded or the user cancelled
    std::string note;  // for the Output Window: the recording opened although it is cut short
};
// Loads the recording as 16 kHz mono 16-bit samples under the host's progress dialog. A
// recording without samples does not load: nothing can be shown, played or aligned in it.
loaded_audio LoadAudio(const document_host& host, const std::string& path);

// ---- the results file ----
// Reads a results file's text; a derived document reads sections of its own.
using results_reader = std::function<bool(sync_results_file& file, std::istream& in, std::ostream& errors)>;
// Builds the articulation keys of a track with the document's articulator.
using track_articulator = std::function<void(app_sync_results* track)>;

struct results_read {
    bool read = false;       // the whole file was read
    bool opened = false;     // the file was read at all: false when it did not open or is binary or wide text
    std::string report;      // the reader's errors and warnings, one line each
    std::string stopped_at;  // the line and reason of the error that stopped reading, when one did
    std::string failure;     // the message for a file that was not read at all
};
results_read ReadSyncResultsFile(const std::string& path, const results_reader& reader,
                                 sync_results_file* file);

// Cuts a track read from a results file to the recording (when one is given) and builds its
// articulation keys when the file had none; the warning line for the log when it cut.
std::string FinishResultsTrack(app_sync_results* track, const sync_results_file& file,
                               CMemoryPCMStream* audio, const track_articulator& articulate);

// Exchanges the two tracks' lists without copying a marker: the marker lists copy when moved.
void SwapTrackLists(app_sync_results& a, app_sync_results& b);

// ---- opening ----
// What opening asks of the document.
struct document_opener {
    const document_host* host = nullptr;
    results_reader read_results;
    track_articulator articulate;
};

// A recording or results file opened for a document to take over.
struct opened_document {
    bool ok = false;            // the recording loaded: the rest is the document's
    std::string path;           // absolute and normalised
    bool from_results = false;  // opened from a results file, its track in file.results
    bool relinked = false;      // the user chose the recording: a change the file does not hold yet
    sync_results_file file;     // for a recording: its path and the script beside it
    phn_marker_list phonemes;   // a recording's ".phn" file
    pcm_stream_guard audio;
    pcm_range_guard range;
    // The Output Window's texts, in order, whether or not opening succeeded.
    std::vector<std::string> report;
    // The message for an opening that failed; empty when it did not or the user cancelled.
    std::string failure;
};
opened_document OpenDocumentFile(const std::string& path, const document_opener& opener);
