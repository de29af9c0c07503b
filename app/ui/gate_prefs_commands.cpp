// The Noise Gate and Preferences commands; see gate_prefs_commands.h.
#include "app/ui/gate_prefs_commands.h"


#include "app/core/command_router.h"
#include "app/core/phonarc_doc.h"
#include "app/core/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/noise_gate_dlg.h"
#include "app/ui/preferences_dlg.h"

void InstallGateAndPreferencesCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                                       IPrompts& prompts, std::function<CPhonarcDoc*()> active) {
    router.Add(
        cmd::NoiseGate,
        [&frame, &prompts, active] {
            CPhonarcDoc* doc = active();
            if (!doc) return;
            CNoiseGateDlg dialog(*doc, prompts, &frame);
            if (dialog.exec() == QDialog::Accepted) doc->RefreshViews();
        },
        [active](CommandState& s) {
            CPhonarcDoc* doc = active();
            s.enabled = doc && doc->audio();
        });

    router.Add(cmd::Preferences, [&frame, &profile, &prompts] {
        CPreferencesSheet sheet(profile, prompts, &frame);
        sheet.exec();
    });
}
