// The marker commands in the program: the Markers menu (with the Set Phoneme submenu), their
// routing to the active document, and the Qt dialogs they ask through.
#pragma once

#include <QWidget>
#include <functional>

#include "app/core/marker_commands.h"
#include "views/timeline/phonarc_view.h"

class CCommandRouter;
class CMainFrame;
class IProfileStore;
class QMenu;

// The event, gesture and Delete Markers dialogs, modal over parent.
class CMarkerCommandDialogs : public marker_command_dialogs {
public:
    CMarkerCommandDialogs(IProfileStore& profile, QWidget* parent) : profile_(profile), parent_(parent) {}
    bool EditGesture(FGesture* gesture) override;
    bool EditEvent(std::string* text, int* duration) override;
    bool ChooseDeleteMask(bool audio_selected, uint32_t* mask) override;

private:
    IProfileStore& profile_;
    QWidget* parent_;
};

// Registers every marker command with the router (acting on active(), disabled without a
// document), adds the "&Markers" menu to the frame's menu bar and makes the timeline views edit
// their marker bands with the mouse.
void InstallMarkerCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                           std::function<CPhonarcDoc*()> active);

// Adds the marker commands' items to menu (the timeline's context menu uses the same items).
void AddMarkerMenuItems(CMainFrame& frame, QMenu* menu);

// A timeline view's hooks for the document's markers: the typed phoneme replaces the selection's
// phonemes, and the context menu offers the marker commands after Undo and Redo.
void AddMarkerHooks(TimelineViewHooks& hooks, CMainFrame& frame, CPhonarcDoc& doc);
