// The results file (".zuvo"): one result track with the paths of its audio and script files and
// the script text, as text records. Read when a document opens a results file, written when it
// saves; the Flash document reads and writes its own sections after the base ones on the same
// stream.
#pragma once

#include <climits>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "model/app_sync_results.h"

// Bits of the writer's flags.
enum sync_write_flags : uint32_t {
    kWriteHeader = 0x001,           // version, and the audio and text-file paths when not empty
    kWritePhonemes = 0x002,         // with their energy lines
    kWriteWords = 0x004,
    kWritePunctuation = 0x008,
    kWriteXml = 0x010,
    kWriteGestures = 0x020,
    kWriteScript = 0x040,           // when the script text is not empty
    kWriteArticulation = 0x080,
    kWriteEnvelopes = 0x100,
    kWriteSilenceEnvelopes = 0x200, // also envelopes labelled "x"
    kWriteAll = 0x3ff,
};

// User-interface thread.
class sync_results_file {
public:
    static constexpr float kVersion = 1.2f;
    // Longest token or rest-of-line field the reader accepts.
    static constexpr size_t kMaxField = 2047;

    sync_results_file() = default;
    sync_results_file(const sync_results_file&) = default;
    sync_results_file& operator=(const sync_results_file&) = default;
    sync_results_file(sync_results_file&&) = default;
    sync_results_file& operator=(sync_results_file&&) = default;
    virtual ~sync_results_file() = default;

    // Appends the markers read to the track (the caller empties it first) and fills the version,
    // paths and script. Stops right after "end_markers", leaving the stream there; true when that
    // or the end of the stream is reached without an error. Each error is written to errors as
    // "Error: Line[n]: message" and ends reading with false; what was read before it stays.
    // A file that ends without "end_markers" still reads, with a note in warnings that it may
    // have been cut short.
    virtual bool read(std::istream& in, std::ostream& errors);
    // Writes the records chosen by flags (sync_write_flags) in start-time order and always
    // "end_markers"; the second argument is not used. Every marker the track can hold is written
    // so that read gives it back: a label the plain records can't carry (a phoneme label longer
    // than 2 characters or with a blank, a gesture name with a bar, a word with a line break)
    // goes into the same record with its keyword ending in '%' and its text percent-escaped.
    // False (error says why, when given) when the stream failed, e.g. on a full disk, or when a
    // field is longer than the reader takes (kMaxField); the output is then incomplete.
    virtual bool write(std::ostream& out, int unused, uint32_t flags, std::string* error = nullptr) const;

    // Warnings of the last read, each naming the line it is about where there is one: the file
    // may be cut short; records that end before they start are left out; phoneme labels that are
    // no phoneme code are kept. Empty when none.
    std::vector<std::string> warnings;
    // How far the markers read reach, and the line of the record that reaches there (0 when no
    // marker was read), so that a caller that knows the recording's length can say where a
    // marker beyond it came from.
    int earliest_start = INT_MAX;
    int earliest_start_line = 0;
    int latest_end = INT_MIN;
    int latest_end_line = 0;

    app_sync_results results;
    float version = kVersion;
    std::string audio_path;
    std::string script_text;
    std::string text_file_path;
};

// The envelope records of track that write leaves out with flags: all of them without
// kWriteEnvelopes, those labelled "x" without kWriteSilenceEnvelopes.
size_t envelopes_left_out(const app_sync_results& track, uint32_t flags);

// How many bytes of a file's start NotResultsTextReason looks at.
inline constexpr size_t kResultsTextProbeSize = 4096;
// Why a file starting with these bytes is no results file, which is 8-bit text: a UTF-16 or UTF-32
// byte-order mark, or a NUL byte before any script block (binary data, or wide text without a
// mark; no record the writer writes holds one). Empty when it may be a results file.
std::string NotResultsTextReason(std::string_view head);

// Saves the file to path through the safe save (the old file is kept on any failure): the records
// chosen by flags. False with error (when given) saying why.
bool SaveResultsFile(const sync_results_file& file, const std::string& path, uint32_t flags,
                     std::string* error = nullptr);
