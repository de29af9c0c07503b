// The About box.
#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/core/file_version.h"
#include "app/core/string_table.h"
#include "app/ui/app_icons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About The Phonarc"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(64, 64));
    auto* title = new QLabel(QString::fromUtf8(LoadProgramString(kIdsMainTitle)), this);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    title->setFont(big);
    version_ = new QLabel(QString::fromStdString(FormatFileVersion(MURMUREX_VERSION_MAJOR, MURMUREX_VERSION_MINOR,
                                                                   MURMUREX_VERSION_PATCH, MURMUREX_VERSION_TWEAK)),
                          this);
    version_->setObjectName(QStringLiteral("1039"));
    auto* credit = new QLabel(QString::fromUtf8(LoadProgramString(kIdsAboutCredit)), this);
    credit->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version_);
    text->addWidget(credit);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

QString CAboutDlg::VersionText() const { return version_->text(); }
