// The script editor's file commands and cue tags.
#include "app/core/transcription_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/core/prompts.h"
#include "app/core/script_text.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/text/text_encoding.h"
#include "engine/util/xml_tag.h"
#include "platform/safe_save.h"

void SetRecordingTimes(transcription_host* host, std::function<CMemoryPCMStream*()> audio) {
    host->recording_ms = [audio] {
        CMemoryPCMStream* stream = audio();
        return stream ? static_cast<int32_t>(stream->FramesToMs(stream->GetFrameCount())) : 0;
    };
    host->ms_to_frames = [audio](int32_t ms) -> int64_t {
        CMemoryPCMStream* stream = audio();
        return stream ? stream->MsToFrames(ms) : 0;
    };
}

std::string MakeCutTag(int32_t ms) {
    char tag[48];
    std::snprintf(tag, sizeof tag, "<cut ms=\"%d\"/>", ms);
    return tag;
}

// ---- CBEOpenScriptAction ----

CBEOpenScriptAction::CBEOpenScriptAction(CBetterEditView* view, std::string text)
    : CBESetSelectionAction(view, kIdsOpenScript, text, 0, view->control().GetTextLength()),
      old_break_(view->control().LineBreak()),
      new_break_(DetectLineBreak(text)) {}

void CBEOpenScriptAction::Perform() {
    edit_control& c = view_->control();
    c.SetSel(0, -1);
    c.ReplaceSel("");
    c.SetLineBreak(new_break_);
    CBESetSelectionAction::Perform();
}

void CBEOpenScriptAction::Undo() {
    CBEAction::Undo();
    if (after_pending_) {
        after_pending_ = false;
        CaptureRange(after_);
    }
    DeleteRange(after_);
    view_->control().SetLineBreak(old_break_);
    InsertRange(before_);
}

void CBEOpenScriptAction::Redo() {
    CBEAction::Redo();
    DeleteRange(before_);
    view_->control().SetLineBreak(new_break_);
    InsertRange(after_);
}

// ---- CTranscriptionView ----

CTranscriptionView::CTranscriptionView(edit_control& control, transcription_host host)
    : CBetterEditView(control), host_(std::move(host)) {}

void CTranscriptionView::SetInitialText(const std::string& utf8) {
    SetCurrentAction(nullptr);
    control().SetSel(0, -1);
    control().ReplaceSel("");
    control().SetLineBreak(DetectLineBreak(utf8));
    control().SetText(utf8);
}

std::unique_ptr<CBESetSelectionAction> CTranscriptionView::MakeCutTagAction(int32_t ms, int32_t position) {
    control().SetSel(position, position);
    control().ScrollCaret();
    SetCurrentAction(nullptr);
    int32_t s = 0;
    int32_t e = 0;
    control().GetSel(&s, &e);
    return std::make_unique<CBESetSelectionAction>(this, kIdsCueMarker, MakeCutTag(ms), s, s);
}

bool CTranscriptionView::InsertCutTagAt(int32_t ms, int32_t position) {
    EndCurrentAction();
    DoAction(MakeCutTagAction(ms, position));
    return true;
}

void CTranscriptionView::FindCutSegment(int32_t caret, int32_t* text_start, int32_t* text_length, int32_t* start_ms,
                                        int32_t* end_ms) const {
    const std::string text = control().GetText();
    auto parse = [&text](int32_t at, int32_t* consumed, int32_t* ms) {
        std::string name;
        std::map<std::string, std::string> attributes;
        int position = 0;
        if (!ParseXmlTag(text.substr(static_cast<size_t>(at)), name, attributes, position)) return false;
        *consumed = position;
        auto it = attributes.find("ms");
        *ms = it == attributes.end() ? 0 : std::atoi(it->second.c_str());
        return true;
    };
    int32_t open_start = caret;
    int32_t open_end = caret;
    int32_t close_start = caret;
    int32_t close_end = caret;
    bool has_open = FindTextFrom("<cut", open_start, open_end, false, true);
    bool has_close = FindTextFrom("<cut", close_start, close_end, true, true);
    int32_t consumed = 0;
    *text_start = 0;
    *start_ms = 0;
    if (has_open && parse(open_start, &consumed, start_ms)) {
        *text_start = open_start + consumed;
    } else {
        *start_ms = 0;
    }
    auto size = static_cast<int32_t>(text.size());
    int32_t segment_end = size;
    *end_ms = host_.recording_ms ? host_.recording_ms() : 0;
    if (has_close && parse(close_start, &consumed, end_ms)) segment_end = close_start;
    // A tag left open swallows the text up to the end: then the segment is empty, never negative.
    *text_length = std::max(0, segment_end - *text_start);
}

void CTranscriptionView::HilightCutMarker() {
    int32_t s = 0;
    int32_t e = 0;
    GetSel(&s, &e);
    int32_t start = 0;
    int32_t length = 0;
    int32_t start_ms = 0;
    int32_t end_ms = 0;
    FindCutSegment(s, &start, &length, &start_ms, &end_ms);
    EndCurrentAction();
    SelectRange(start, start + length);
    control().ScrollCaret();
    if (host_.select_audio && host_.ms_to_frames) host_.select_audio(host_.ms_to_frames(start_ms), host_.ms_to_frames(end_ms));
}

bool CTranscriptionView::OpenScriptFile(const std::string& path, std::string* error) {
    std::string text;
    if (!ReadScriptFile(path, &text, nullptr, error)) return false;
    // A file that is not UTF-8 was written in the code page the engine reads.
    if (!IsValidUtf8(text)) text = ConvertCp1252ToUtf8(text);
    EndCurrentAction();
    DoAction(std::make_unique<CBEOpenScriptAction>(this, text));
    file_name_ = path;
    return true;
}

bool CTranscriptionView::SaveScriptFile(const std::string& path, std::string* error) const {
    return SaveBytesSafely(path, control().GetText(), error);
}

bool CTranscriptionView::OnOpenTextTranscription() {
    if (!host_.prompts) return false;
    FileDialogRequest request;
    request.filter = kScriptFileFilter;
    request.open = true;
    std::optional<std::string> path = host_.prompts->ChooseFile(request);
    if (!path) return false;
    if (OpenScriptFile(*path)) return true;
    host_.prompts->MessageBox(kTextReadScriptFailed, PromptButtons::Ok);
    return false;
}

bool CTranscriptionView::OnSaveTextTranscription() {
    if (file_name_.empty()) return OnSaveTextTranscriptionAs();
    if (SaveScriptFile(file_name_)) return true;
    if (host_.prompts && host_.prompts->MessageBox(kTextSaveScriptFailed, PromptButtons::YesNo) == PromptAnswer::Yes)
        return OnSaveTextTranscriptionAs();
    return false;
}

bool CTranscriptionView::OnSaveTextTranscriptionAs() {
    if (!host_.prompts) return false;
    std::string proposed = file_name_;
    if (proposed.empty() && host_.audio_path) {
        std::string audio = host_.audio_path();
        if (!audio.empty()) proposed = std::filesystem::path(audio).replace_extension(".txt").string();
    }
    FileDialogRequest request;
    request.filter = kScriptFileFilter;
    request.defaultExtension = ".txt";
    request.initialPath = proposed;
    request.open = false;
    std::optional<std::string> path = host_.prompts->ChooseFile(request);
    if (!path) return false;
    file_name_ = *path;
    if (file_name_.empty()) return false;
    return OnSaveTextTranscription();
}
