// The marker commands in the program: the Qt dialogs they ask through, and the timeline's typed
// phonemes. Their rows are the core's (MarkerCommandRows).
#pragma once

#include <QWidget>

#include "app/core/marker_commands.h"
#include "views/timeline/phonarc_view.h"

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

// A timeline view's hook for the document's markers: the typed phoneme replaces the selection's
// phonemes.
void AddMarkerHooks(TimelineViewHooks& hooks, CPhonarcDoc& doc);
