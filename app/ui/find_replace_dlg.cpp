// The Find and Replace dialog.
#include "app/ui/find_replace_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/core/better_edit.h"

CFindReplaceDlg::CFindReplaceDlg(CBetterEditView& view, QWidget* parent) : QDialog(parent), view_(view) {
    setObjectName(QStringLiteral("FindReplaceDialog"));
    setModal(false);
    auto* grid = new QGridLayout;
    find_ = new QLineEdit(this);
    replace_ = new QLineEdit(this);
    replaceLabel_ = new QLabel(tr("Re&place with:"), this);
    replaceLabel_->setBuddy(replace_);
    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(find_);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(find_, 0, 1);
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replace_, 1, 1);
    matchCase_ = new QCheckBox(tr("Match &case"), this);
    auto* direction = new QGroupBox(tr("Direction"), this);
    up_ = new QRadioButton(tr("&Up"), direction);
    auto* down = new QRadioButton(tr("&Down"), direction);
    down->setChecked(true);
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(up_);
    dirLayout->addWidget(down);
    grid->addWidget(matchCase_, 2, 0);
    grid->addWidget(direction, 2, 1);

    auto* buttons = new QVBoxLayout;
    auto* findNext = new QPushButton(tr("&Find Next"), this);
    findNext->setDefault(true);
    replaceButton_ = new QPushButton(tr("&Replace"), this);
    replaceAllButton_ = new QPushButton(tr("Replace &All"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton* b : {findNext, replaceButton_, replaceAllButton_, cancel}) buttons->addWidget(b);
    buttons->addStretch();
    connect(findNext, &QPushButton::clicked, this, &CFindReplaceDlg::FindNext);
    connect(replaceButton_, &QPushButton::clicked, this, &CFindReplaceDlg::Replace);
    connect(replaceAllButton_, &QPushButton::clicked, this, &CFindReplaceDlg::ReplaceAll);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);

    auto* top = new QHBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(buttons);
    ShowReplace(true);
}

void CFindReplaceDlg::SetFindText(const QString& text) { find_->setText(text); }

void CFindReplaceDlg::ShowReplace(bool replace) {
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    for (QWidget* w : std::initializer_list<QWidget*>{replace_, replaceLabel_, replaceButton_, replaceAllButton_})
        w->setVisible(replace);
}

void CFindReplaceDlg::FindNext() {
    view_.EndCurrentAction();
    view_.FindText(find_->text().toStdString(), !up_->isChecked(), matchCase_->isChecked());
}

void CFindReplaceDlg::Replace() {
    view_.OnReplaceSel(find_->text().toStdString(), !up_->isChecked(), matchCase_->isChecked(),
                       replace_->text().toStdString());
}

void CFindReplaceDlg::ReplaceAll() {
    view_.OnReplaceAll(find_->text().toStdString(), replace_->text().toStdString(), matchCase_->isChecked());
}
