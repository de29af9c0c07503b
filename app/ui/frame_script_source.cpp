// The document frame's script editor behind the recognition commands' interface.
#include "app/ui/frame_script_source.h"

#include "app/core/transcription_view.h"
#include "app/ui/document_frame.h"

alignment_mode CFrameScriptSource::AlignmentMode() const {
    return static_cast<alignment_mode>(frame_->GetAlignmentMode());
}

std::string CFrameScriptSource::ScriptText() const { return frame_->ScriptView().control().GetText(); }

void CFrameScriptSource::ScriptSelection(int32_t* start, int32_t* end) const {
    frame_->ScriptView().GetSel(start, end);
}

void CFrameScriptSource::HilightCutMarker() { frame_->ScriptView().HilightCutMarker(); }

std::unique_ptr<CAction> CFrameScriptSource::MakeCutTagAction(int32_t ms, int32_t position) {
    return frame_->ScriptView().MakeCutTagAction(ms, position);
}

void CFrameScriptSource::FocusScript() { frame_->ScriptView().control().SetFocus(); }
