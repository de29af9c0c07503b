// The About box: the program's name, the dictionary credit line and the version.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QString VersionText() const;

private:
    QLabel* version_;
};
