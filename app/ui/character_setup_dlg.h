// "Phoneme To Viseme / Character Setup": 13 rows, each a list of phonemes sharing one viseme and
// that viseme's model file. OK checks the rows; with a character file named, it also writes the
// character text file there, which the "New 3d Character..." command then adds to the actors.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>
#include <vector>

#include "app/core/character_setup.h"
#include "app/core/command_rows.h"

class IPrompts;
class QLabel;
class actor_mgr;

// An edit of phoneme codes; its context menu appends a code.
class QMenu;

class CPhonemeEditCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CPhonemeEditCtrl(QWidget* parent = nullptr) : QLineEdit(parent) {}
    // Appends the code after a comma (none when the text is empty or already ends with one).
    void AppendPhoneme(const QString& code);
    // The phoneme groups, each item the code and example words; choosing one appends its code.
    QMenu* MakeContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// GUI thread only.
class CZuvoChrSetupDlg : public QDialog {
    Q_OBJECT
public:
    CZuvoChrSetupDlg(IPrompts& prompts, QWidget* parent = nullptr);

    // The checks; on success, the character file when one is named. True when the dialog may
    // close with OK.
    bool Validate();
    void OnOK();
    void OnBrowseMedia(int row);
    void OnBrowseCharacterFile();

    std::vector<CharacterSetupRow> Rows() const;
    CPhonemeEditCtrl* PhonemeEdit(int row) const { return phonemes_[row]; }
    QLineEdit* MediaEdit(int row) const { return media_[row]; }
    QLineEdit* CharacterFileEdit() const { return characterFile_; }
    QString MessageText() const;
    // The character text file written by the last successful OK; empty when none was named.
    const std::string& WrittenCharacterFile() const { return written_; }

    void accept() override { OnOK(); }

private:
    bool WriteCharacterFile();

    IPrompts& prompts_;
    CPhonemeEditCtrl* phonemes_[kCharacterSetupRows] = {};
    QLineEdit* media_[kCharacterSetupRows] = {};
    QLineEdit* characterFile_ = nullptr;
    QLabel* message_ = nullptr;
    std::string written_;
};

// "New 3d Character...": the dialog, modal over the row's widget; a character file it wrote joins
// the actors and is selected.
std::vector<command_row<QWidget>> CharacterSetupRows(actor_mgr& actors, IPrompts& prompts);
