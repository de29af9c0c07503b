// "Select the default language": a list of the installed languages; OK makes the chosen one
// current.
#pragma once

#include <QDialog>

class QComboBox;
class lexicon_mgr;

class CSelLangDlg : public QDialog {
    Q_OBJECT
public:
    CSelLangDlg(lexicon_mgr& languages, QWidget* parent = nullptr);
    QComboBox* List() const { return list_; }
    void accept() override;

private:
    lexicon_mgr& languages_;
    QComboBox* list_;
};
