// The timeline's commands.
#include "app/ui/timeline_commands_ui.h"

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

namespace {

std::vector<command_row<CPhonarcView>> MakeRows() {
    using V = CPhonarcView;
    const auto play_state = [](V& v) { return CheckedIf(v.IsPlaying()); };
    std::vector<command_row<V>> rows = {
        // Play and Stop are one toggle.
        {cmd::Play, [](V& v) { v.OnPlay(); }, play_state},
        {cmd::PlayOrStop, [](V& v) { v.OnPlay(); }, play_state},
        {cmd::Rewind, [](V& v) { v.OnRewind(); }},
        {cmd::SelectAll, [](V& v) { v.SelectAll(); }},
        {cmd::Unselect, [](V& v) { v.Unselect(); }},
    };
    // The Display commands, with the menu-less ones (time-aligned phonemes, tracks 0 and 2, LPC,
    // the viseme box) that only the profile's mask turns on.
    for (const ChannelSpec& spec : kChannelTable) {
        const uint32_t bit = spec.bit;
        rows.push_back({spec.command, [bit](V& v) { v.ToggleChannel(bit); },
                        [bit](V& v) { return CheckedIf((v.DisplayMode() & bit) != 0); }});
    }
    return rows;
}

}  // namespace

const std::vector<command_row<CPhonarcView>>& TimelineCommandRows() {
    static const std::vector<command_row<CPhonarcView>> rows = MakeRows();
    return rows;
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
