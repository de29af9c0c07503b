// The document's own commands; see document_commands.h.
#include "app/core/document_commands.h"

#include "app/core/phonarc_doc.h"

namespace {

std::vector<command_row<CPhonarcDoc>> MakeRows() {
    return {
        {cmd::ImportSyncMarkers, [](CPhonarcDoc& d) { d.OnImportSyncMarkers(); }, {}, kNeedDocument},
        {cmd::ReloadAudio, [](CPhonarcDoc& d) { d.OnReloadAudio(); }, {}, kNeedDocument},
        {cmd::EditUndo, [](CPhonarcDoc& d) { d.OnEditUndo(); }, [](CPhonarcDoc& d) { return d.UpdateUndo(); },
         kNeedDocument},
        {cmd::EditRedo, [](CPhonarcDoc& d) { d.OnEditRedo(); }, [](CPhonarcDoc& d) { return d.UpdateRedo(); },
         kNeedDocument},
    };
}

}  // namespace

const std::vector<command_row<CPhonarcDoc>>& DocumentCommandRows() {
    static const std::vector<command_row<CPhonarcDoc>> rows = MakeRows();
    return rows;
}
