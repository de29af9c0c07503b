// The script editor of a document: the undoable editor plus the script's text file and the cue
// tags "<cut ms="N"/>" that tie a point of the script to a time of the recording. The recognition
// commands align the text between two tags with the audio between their times.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/core/better_edit.h"

class CMemoryPCMStream;
class IPrompts;

constexpr const char* kTextReadScriptFailed = "Sorry, an error occurred trying to read in the specified file";
constexpr const char* kTextSaveScriptFailed =
    "Sorry, the specified file cannot be saved and may be read only.\n\nWould you like to save this file as a "
    "different name?";
constexpr const char* kScriptFileFilter = "Text Files (*.txt)|*.txt||";

// What the editor needs of its document. Each function may be empty.
struct transcription_host {
    IPrompts* prompts = nullptr;  // required for the file commands
    std::function<std::string()> audio_path;
    std::function<int32_t()> recording_ms;           // the recording's length
    std::function<int64_t(int32_t ms)> ms_to_frames;  // a time as a sample position of the audio
    std::function<void(int64_t start, int64_t end)> select_audio;
};

// Fills the host's recording_ms and ms_to_frames from the audio a document holds at the time of
// asking (no audio: 0).
void SetRecordingTimes(transcription_host* host, std::function<CMemoryPCMStream*()> audio);

// The cue tag for a time.
std::string MakeCutTag(int32_t ms);

// Replaces the whole script as one undoable step, adopting the new text's line breaks, so older
// script actions keep finding the text they were made on.
class CBEOpenScriptAction : public CBESetSelectionAction {
public:
    CBEOpenScriptAction(CBetterEditView* view, std::string text);
    void Perform() override;
    void Undo() override;
    void Redo() override;

private:
    std::string old_break_;
    std::string new_break_;
};

// User-interface thread only.
class CTranscriptionView : public CBetterEditView {
public:
    CTranscriptionView(edit_control& control, transcription_host host);

    void SetHost(transcription_host host) { host_ = std::move(host); }
    const std::string& file_name() const { return file_name_; }

    // The document's script as the editor's first text: no undo step, line breaks as the text has them.
    void SetInitialText(const std::string& utf8);

    // ---- cue tags ----
    // An action that inserts the tag for ms at position; not done yet (the caller does it or adds
    // it to a group). Puts the caret there and ends the current action.
    std::unique_ptr<CBESetSelectionAction> MakeCutTagAction(int32_t ms, int32_t position);
    bool InsertCutTagAt(int32_t ms, int32_t position);
    // The script between the cue tags around the caret and the times of those tags.
    void FindCutSegment(int32_t caret, int32_t* text_start, int32_t* text_length, int32_t* start_ms,
                        int32_t* end_ms) const;
    void HilightCutMarker();

    // ---- the script file ----
    bool OnOpenTextTranscription();
    bool OnSaveTextTranscription();
    bool OnSaveTextTranscriptionAs();
    // Replaces the script with the file's text as one undoable step; false when it can't be read.
    bool OpenScriptFile(const std::string& path, std::string* error = nullptr);
    // Writes the script byte for byte; false when it could not be saved.
    bool SaveScriptFile(const std::string& path, std::string* error = nullptr) const;

private:
    transcription_host host_;
    std::string file_name_;
};
