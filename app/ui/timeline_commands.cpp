// The timeline's commands.
#include "app/ui/timeline_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/core/command_router.h"
#include "app/ui/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/sizing_control_bar.h"
#include "app/ui/viseme_bar.h"
#include "views/timeline/display_menu.h"
#include "views/timeline/timeline_layout.h"

namespace {
constexpr int kCmdSelectAll = 32835;
constexpr int kCmdUnselect = 32833;
}  // namespace

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
    if (QAction* play = frame.AddCommand(cmd::Play, QObject::tr("Play Audio"))) {
        play->setShortcut(QKeySequence(Qt::Key_F5));
        play->setCheckable(true);
    }
    if (QAction* stop = frame.AddCommand(cmd::PlayOrStop, QObject::tr("Stop Audio"))) stop->setCheckable(true);

    router.Add(kCmdSelectAll, withView(&CPhonarcView::SelectAll),
               [activeView](CommandState& s) { s.enabled = activeView() != nullptr; });
    router.Add(kCmdUnselect, withView(&CPhonarcView::Unselect),
               [activeView](CommandState& s) { s.enabled = activeView() != nullptr; });
    QAction* selectAll = frame.AddCommand(kCmdSelectAll, QObject::tr("Select &All"));
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QAction* unselect = frame.AddCommand(kCmdUnselect, QObject::tr("Un-select"));
    if (QMenu* edit = frame.MenuOf(QStringLiteral("Edit"))) {
        edit->addSeparator();
        edit->addAction(selectAll);
        edit->addAction(unselect);
    } else {
        frame.addAction(selectAll);  // the shortcut works without a menu
    }

    // The Display commands, with the menu-less ones (time-aligned phonemes, tracks 0 and 2, LPC,
    // the viseme box) that only the profile's mask turns on.
    std::vector<DisplayMenuItem> toggles = kMainDisplayMenuOrder;
    for (const ChannelSpec& spec : kChannelTable)
        if (!spec.menuText) toggles.push_back({spec.bit, spec.command, nullptr});
    auto* display = new QMenu(QObject::tr("&Display"), &frame);
    QMenu* help = frame.MenuOf(QStringLiteral("Help"));
    frame.menuBar()->insertMenu(help ? help->menuAction() : nullptr, display);
    for (const DisplayMenuItem& item : toggles) {
        const uint32_t bit = item.bit;
        router.Add(
            item.command,
            [activeView, bit] {
                if (CPhonarcView* v = activeView()) v->ToggleChannel(bit);
            },
            [activeView, bit](CommandState& s) {
                CPhonarcView* v = activeView();
                s.enabled = v != nullptr;
                s.checked = v && (v->DisplayMode() & bit);
            });
        if (!item.text) continue;
        QAction* action = frame.AddCommand(item.command, QString::fromUtf8(item.text));
        action->setCheckable(true);
        display->addAction(action);
    }
    QObject::connect(display, &QMenu::aboutToShow, &frame, &CMainFrame::UpdateCommands);
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
        // The marker commands join as they are registered; Undo and Redo are always there.
        QMenu menu(&frame);
        for (int id : {cmd::EditUndo, cmd::EditRedo})
            if (QAction* a = frame.Action(id)) menu.addAction(a);
        frame.UpdateCommands();
        if (!menu.isEmpty()) menu.exec(global);
    };
    return hooks;
}
