// The script editor's modeless Find and Replace dialog; it only forwards to the editor, which
// records each replacement as an undoable step.
#pragma once

#include <QDialog>

class CBetterEditView;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QLabel;

// GUI thread only.
class CFindReplaceDlg : public QDialog {
    Q_OBJECT
public:
    CFindReplaceDlg(CBetterEditView& view, QWidget* parent);

    void SetFindText(const QString& text);
    void ShowReplace(bool replace);

    void FindNext();
    void Replace();
    void ReplaceAll();

    QLineEdit* FindEdit() const { return find_; }
    QLineEdit* ReplaceEdit() const { return replace_; }
    QCheckBox* MatchCase() const { return matchCase_; }

private:
    CBetterEditView& view_;
    QLineEdit* find_;
    QLineEdit* replace_;
    QLabel* replaceLabel_;
    QCheckBox* matchCase_;
    QRadioButton* up_;
    QPushButton* replaceButton_;
    QPushButton* replaceAllButton_;
};
