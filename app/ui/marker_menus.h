// The marker commands in the program: their routing to the active document, and the Qt dialogs
// they ask through.
#pragma once

#include <QWidget>
#include <functional>

#include "app/core/marker_commands.h"
#include "views/timeline/phonarc_view.h"

class CCommandRouter;
class CMainFrame;
class IProfileStore;

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
// document) and makes the timeline views edit their marker bands with the mouse.
void InstallMarkerCommands(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile,
                           std::function<CPhonarcDoc*()> active);


// A timeline view's hook for the document's markers: the typed phoneme replaces the selection's
// phonemes.
void AddMarkerHooks(TimelineViewHooks& hooks, CPhonarcDoc& doc);
