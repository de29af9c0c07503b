// The Noise Gate and Preferences commands; see gate_prefs_commands_ui.h.
#include "app/ui/gate_prefs_commands_ui.h"

#include "app/core/command_ids.h"
#include "app/core/phonarc_doc.h"
#include "app/ui/main_frame.h"
#include "app/ui/noise_gate_dlg.h"
#include "app/ui/preferences_dlg.h"

std::vector<command_row<CPhonarcDoc>> NoiseGateRows(CMainFrame& frame, IPrompts& prompts) {
    return {{cmd::NoiseGate,
             [&frame, &prompts](CPhonarcDoc& doc) {
                 CNoiseGateDlg dialog(doc, prompts, &frame);
                 if (dialog.exec() == QDialog::Accepted) doc.RefreshViews();
             },
             {}, kNeedDocument | kNeedAudio}};
}

std::vector<command_row<CMainFrame>> PreferencesRows(IProfileStore& profile, IPrompts& prompts) {
    return {{cmd::Preferences, [&profile, &prompts](CMainFrame& frame) {
                 CPreferencesSheet sheet(profile, prompts, &frame);
                 sheet.exec();
             }}};
}
