// The active context's conditions and targets; see active_context.h.
#include "app/core/active_context.h"

#include "app/core/phonarc_doc.h"
#include "app/core/phonarc_doc_flash.h"

bool active_context::Meets(unsigned needs) const {
    CPhonarcDoc* doc = Document();
    if ((needs & (kNeedDocument | kNeedSelection | kNeedAudio)) && !doc) return false;
    if ((needs & kNeedIdle) && Recognising()) return false;
    if ((needs & kNeedAudio) && !doc->audio()) return false;
    if (needs & kNeedSelection) {
        int start = 0, end = 0;
        if (!doc->GetSelectionMs(&start, &end)) return false;
    }
    return true;
}

CPhonarcDoc* TargetOf(const active_context& context, CPhonarcDoc*) { return context.Document(); }

document_settings* TargetOf(const active_context& context, document_settings*) {
    CPhonarcDoc* doc = context.Document();
    return doc ? &doc->settings() : nullptr;
}

CPhonarcDocFlash* TargetOf(const active_context& context, CPhonarcDocFlash*) {
    return dynamic_cast<CPhonarcDocFlash*>(context.Document());
}
