// The Noise Gate and Preferences commands; see gate_prefs_commands.h.
#include "app/ui/gate_prefs_commands.h"

#include <QAction>
#include <QMenu>

#include "app/core/command_router.h"
#include "app/core/phonarc_doc.h"
#include "app/ui/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/noise_gate_dlg.h"
#include "app/ui/preferences_dlg.h"

void InstallGateAndPreferencesCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                                       IPrompts& prompts, std::function<CPhonarcDoc*()> active) {
    router.Add(
        kCmdNoiseGate,
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
    QAction* gate = frame.AddCommand(kCmdNoiseGate, QObject::tr("Noise Gate..."));
    gate->setStatusTip(QObject::tr("Apply a noise gate filter to the audio"));
    if (QMenu* edit = frame.MenuOf(QStringLiteral("Edit"))) {
        edit->addSeparator();
        edit->addAction(gate);
    }

    router.Add(cmd::Preferences, [&frame, &profile, &prompts] {
        CPreferencesSheet sheet(profile, prompts, &frame);
        sheet.exec();
    });
}
