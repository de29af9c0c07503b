// The marker commands' dialogs and the timeline's typed phoneme.
#include "app/ui/marker_commands_ui.h"

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

void AddMarkerHooks(TimelineViewHooks& hooks, CPhonarcDoc& doc) {
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
}
