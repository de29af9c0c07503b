// The Preferences sheet with its one page, "Save Options": what a saved results file holds and
// the articulator's frame rate, read from and written to the profile (section "UI").
#pragma once

#include <QDialog>

class IProfileStore;
class IPrompts;
class QCheckBox;
class QLineEdit;
class QTabWidget;

// "Save Options": only reads and writes the profile. GUI thread only.
class CPreferencePageSaving : public QWidget {
    Q_OBJECT
public:
    CPreferencePageSaving(IProfileStore& profile, IPrompts& prompts, QWidget* parent = nullptr);
    // Stores the page's values; false (the user told why, the rate selected) when the frame rate
    // is refused, and then nothing is written.
    bool OnOK();

    QCheckBox* phnVis;     // 1051
    QCheckBox* text;       // 1052
    QCheckBox* audioLink;  // 1053
    QCheckBox* phnEnv;     // 1055
    QCheckBox* phnEnvX;    // 1057, enabled while 1055 is checked
    QLineEdit* frameRate;  // 1056, digits only

private:
    void OnInitDialog();
    void OnToggleEnvelopes();

    IProfileStore& profile_;
    IPrompts& prompts_;
};

// "Preferences": OK stores the page and closes unless the page refuses; Cancel writes nothing.
class CPreferencesSheet : public QDialog {
    Q_OBJECT
public:
    CPreferencesSheet(IProfileStore& profile, IPrompts& prompts, QWidget* parent = nullptr);
    void accept() override;

    CPreferencePageSaving* page;
    QTabWidget* tabs;
};
