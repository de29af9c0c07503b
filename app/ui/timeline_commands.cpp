// The timeline's commands.
#include "app/ui/timeline_commands.h"

#include <QAction>
#include <QMenu>
#include <memory>

#include "app/core/command_router.h"
#include "app/core/command_table.h"
#include "app/core/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/sizing_control_bar.h"
#include "app/ui/viseme_bar.h"
#include "views/timeline/timeline_layout.h"

void InstallTimelineCommands(CMainFrame& frame, CCommandRouter& router, std::function<CPhonarcView*()> activeView) {
    const auto withView = [activeView](void (CPhonarcView::*f)()) {
        return [activeView, f] {
            if (CPhonarcView* v = activeView()) (v->*f)();
        };
    };
    const auto playState = [activeView](CommandState& s) {
        CPhonarcView* v = activeView();
        s.enabled = v != nullptr;
        s.checked = v && v->IsPlaying();
    };
    // Play and Stop are one toggle.
    router.Add(cmd::Play, withView(&CPhonarcView::OnPlay), playState);
    router.Add(cmd::PlayOrStop, withView(&CPhonarcView::OnPlay), playState);
    router.Add(cmd::Rewind, withView(&CPhonarcView::OnRewind),
               [activeView](CommandState& s) { s.enabled = activeView() != nullptr; });
    router.Add(cmd::SelectAll, withView(&CPhonarcView::SelectAll),
               [activeView](CommandState& s) { s.enabled = activeView() != nullptr; });
    router.Add(cmd::Unselect, withView(&CPhonarcView::Unselect),
               [activeView](CommandState& s) { s.enabled = activeView() != nullptr; });

    // The Display commands, with the menu-less ones (time-aligned phonemes, tracks 0 and 2, LPC,
    // the viseme box) that only the profile's mask turns on.
    for (const ChannelSpec& spec : kChannelTable) {
        const uint32_t bit = spec.bit;
        router.Add(
            spec.command,
            [activeView, bit] {
                if (CPhonarcView* v = activeView()) v->ToggleChannel(bit);
            },
            [activeView, bit](CommandState& s) {
                CPhonarcView* v = activeView();
                s.enabled = v != nullptr;
                s.checked = v && (v->DisplayMode() & bit);
            });
    }
}

TimelineViewHooks MakeTimelineHooks(CMainFrame& frame, CCommandRouter& router) {
    TimelineViewHooks hooks;
    hooks.statusPanes = [&frame](const QString& a, const QString& b, const QString& c) { frame.SetStatusPanes(a, b, c); };
    hooks.playRewind = [&frame] { return frame.PlayRewind(); };
    hooks.playLoop = [&frame] { return frame.PlayLoop(); };
    hooks.smoothVisemes = [&frame] {
        const auto* bar = frame.ViewerBar() ? frame.ViewerBar()->findChild<CVisemeDlgBar*>() : nullptr;
        return bar && bar->IsSmoothVisemes();
    };
    hooks.runCommand = [&frame, &router](int id) {
        router.Execute(id);
        frame.UpdateCommands();
    };
    hooks.contextMenu = [&frame](const QPoint& global) {
        std::unique_ptr<QMenu> menu(frame.BuildPopup(menu_id::TimelineContext));
        menu->exec(global);
    };
    hooks.stateChanged = [&frame] { frame.RequestCommandUpdate(); };
    return hooks;
}
