// The Markers menu and the dialogs of the marker commands.
#include "app/ui/marker_menus.h"

#include <QMenu>
#include <QMenuBar>

#include "app/core/command_router.h"
#include "app/core/document_commands.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "model/debug_output.h"
#include "views/timeline/marker_channels.h"

bool CMarkerCommandDialogs::EditGesture(FGesture* gesture) {
    CAddGestureDlg dialog(*gesture, parent_);
    if (dialog.exec() != QDialog::Accepted) return false;
    *gesture = dialog.gesture;
    return true;
}

bool CMarkerCommandDialogs::EditEvent(std::string* text, int* duration) {
    CAddEventDlg dialog(QString::fromStdString(*text), *duration, parent_);
    if (dialog.exec() != QDialog::Accepted) return false;
    *text = dialog.text.toStdString();
    *duration = dialog.duration;
    return true;
}

bool CMarkerCommandDialogs::ChooseDeleteMask(bool audio_selected, uint32_t* mask) {
    CDeleteMarkersDlg dialog(profile_, audio_selected, parent_);
    if (dialog.exec() != QDialog::Accepted) return false;
    *mask = dialog.mask();
    return true;
}

namespace {

struct menu_item {
    int id;
    const char* text;
};
constexpr menu_item kItems[] = {
    {kCmdClearPhonemes, "Clear"},
    {0, nullptr},
    {kCmdAddGesture, "Add Gesture..."},
    {kCmdEditGesture, "Edit Gesture..."},
    {kCmdDeleteGesture, "Delete Gesture"},
    {0, nullptr},
    {kCmdDeleteWord, "Delete Word"},
    {0, nullptr},
    {kCmdAddEvent, "Add Event..."},
    {kCmdEditEvent, "Edit Event..."},
    {kCmdDeleteEvent, "Delete Event"},
    {0, nullptr},
    {kCmdDeleteMarkers, "Delete Markers..."},
    // The resources give this command no menu item; it is offered here with its status text.
    {kCmdFramize, kTextAlignToFrameRate},
};

}  // namespace

void InstallMarkerCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                           std::function<CPhonarcDoc*()> active) {
    auto add = [&](int id) {
        router.Add(
            id,
            [&frame, &profile, active, id] {
                if (CPhonarcDoc* doc = active()) {
                    CMarkerCommandDialogs dialogs(profile, &frame);
                    RunMarkerCommand(*doc, dialogs, id);
                }
            },
            [active, id](CommandState& s) {
                CPhonarcDoc* doc = active();
                s.enabled = doc && UpdateMarkerCommand(*doc, id).enabled;
            });
    };
    for (int id = kCmdPhonemeFirst; id <= kCmdPhonemeLast; ++id) add(id);
    for (const menu_item& item : kItems)
        if (item.id) add(item.id);

    UseEditableMarkerChannels();
    auto* menu = new QMenu(QObject::tr("&Markers"), &frame);
    AddMarkerMenuItems(frame, menu);
    QMenu* options = frame.MenuOf(QStringLiteral("Options"));
    frame.menuBar()->insertMenu(options ? options->menuAction() : nullptr, menu);
    QObject::connect(menu, &QMenu::aboutToShow, &frame, &CMainFrame::UpdateCommands);
}

void AddMarkerMenuItems(CMainFrame& frame, QMenu* menu) {
    QMenu* phonemes = menu->addMenu(QObject::tr("Set Phoneme"));
    for (int id = kCmdPhonemeFirst; id <= kCmdPhonemeLast; ++id)
        phonemes->addAction(frame.AddCommand(id, QString::fromStdString(PhonemeCommandMenuText(id))));
    QObject::connect(phonemes, &QMenu::aboutToShow, &frame, &CMainFrame::UpdateCommands);
    for (const menu_item& item : kItems) {
        if (item.id)
            menu->addAction(frame.AddCommand(item.id, QObject::tr(item.text)));
        else
            menu->addSeparator();
    }
}

void AddMarkerHooks(TimelineViewHooks& hooks, CMainFrame& frame, CPhonarcDoc& doc) {
    hooks.setPhoneme = [&doc](const std::string& typed) {
        int s = 0, e = 0;
        if (!doc.GetSelectionMs(&s, &e)) return;
        const int id = PhonemeCommandFromLabel(typed);
        if (id < 0) {
            debug_output(("Phoneme name '" + typed + "' not recognized\n").c_str());
            return;
        }
        ReplacePhonemes(doc, kUndoSetPhoneme, LoadCommandLabel(id), s, e, 1, -1.0f);
    };
    hooks.contextMenu = [&frame](const QPoint& global) {
        QMenu menu(&frame);
        for (int id : {kCmdEditUndo, kCmdEditRedo})
            if (QAction* a = frame.Action(id)) menu.addAction(a);
        menu.addSeparator();
        AddMarkerMenuItems(frame, &menu);
        frame.UpdateCommands();
        menu.exec(global);
    };
}
