// The small dialogs through which the marker commands ask for values (event, gesture, which
// markers to delete) and the phoneme test dialog. Each only collects values; the caller acts.
#pragma once

#include <QDialog>
#include <cstdint>

#include "app/core/dialog_values.h"
#include "model/gesture_marker.h"

class IProfileStore;
class IPrompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class lexicon_mgr;

// "Add/Modify Event": the event's text and its length in milliseconds.
class CAddEventDlg : public QDialog {
    Q_OBJECT
public:
    CAddEventDlg(const QString& text, int duration, QWidget* parent = nullptr);
    void accept() override;

    QString text;
    int duration = 0;
    QLineEdit* textEdit;
    QLineEdit* durationEdit;
};

// "Add/Modify Gesture": names, pose and length of a gesture; the caller fills gesture before and
// reads it after.
class CAddGestureDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAddGestureDlg(const FGesture& gesture, QWidget* parent = nullptr);
    void accept() override;

    FGesture gesture;
    QLineEdit* nameEdit;
    QLineEdit* poseEdit;
    QLineEdit* durationEdit;
};

// "Delete Dialog": which kinds of markers to delete, inside the selection or in the whole file.
// The mask is remembered in the profile ("UI"/"Delete_Last") and its kinds offered next time;
// with audio selected the dialog always opens on the selection.
class CDeleteMarkersDlg : public QDialog {
    Q_OBJECT
public:
    CDeleteMarkersDlg(IProfileStore& profile, bool audio_selected, QWidget* parent = nullptr);
    void accept() override;
    uint32_t mask() const { return mask_; }

    QCheckBox* selectionOnly;
    QCheckBox* all;
    QCheckBox* articulation;
    QCheckBox* phonemes;
    QCheckBox* words;
    QCheckBox* events;
    QCheckBox* gestures;

private:
    delete_boxes Read() const;
    void Show(const delete_boxes& boxes);
    void OnAllClicked();

    IProfileStore& profile_;
    bool audio_selected_;
    uint32_t mask_ = 0;
};

// The phoneme test dialog: a script, the language, and the phonemes the language's transcriber
// makes of it.
class CPhonemeDialog : public QDialog {
    Q_OBJECT
public:
    CPhonemeDialog(lexicon_mgr& languages, IPrompts& prompts, QWidget* parent = nullptr);
    void accept() override;
    void OnOpen();
    void OnLanguageChosen(int index);
    void OnGenerate();

    QString text;
    int searchWidth = -1;
    QString filePath;
    QPlainTextEdit* textEdit;
    QComboBox* languageList;
    QLineEdit* widthEdit;
    QPlainTextEdit* outputEdit;

private:
    void SelectCurrentLanguage();

    lexicon_mgr& languages_;
    IPrompts& prompts_;
};
