// The script editor of a document's frame as the recognition commands see it.
#pragma once

#include "app/core/recognition_commands.h"

class CDocumentFrame;

// GUI thread only. Reads the frame given last; the frame must outlive the calls.
class CFrameScriptSource : public script_alignment_source {
public:
    void SetFrame(CDocumentFrame* frame) { frame_ = frame; }

    alignment_mode AlignmentMode() const override;
    std::string ScriptText() const override;
    void ScriptSelection(int32_t* start, int32_t* end) const override;
    void HilightCutMarker() override;
    std::unique_ptr<CAction> MakeCutTagAction(int32_t ms, int32_t position) override;
    void FocusScript() override;

private:
    CDocumentFrame* frame_ = nullptr;
};
