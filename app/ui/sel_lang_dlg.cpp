// The default-language dialog.
#include "app/ui/sel_lang_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/core/lexicon_mgr.h"

CSelLangDlg::CSelLangDlg(lexicon_mgr& languages, QWidget* parent) : QDialog(parent), languages_(languages) {
    setWindowTitle(tr("Select the default language"));
    list_ = new QComboBox(this);
    list_->setObjectName(QStringLiteral("1030"));
    const auto& records = languages_.GetRecords();
    for (size_t i = 0; i < records.size(); ++i) {
        list_->addItem(QString::fromStdString(records[i].name));
        if (records[i].id == languages_.GetCurrentLanguageId()) list_->setCurrentIndex(static_cast<int>(i));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelLangDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Language:"), this));
    layout->addWidget(list_);
    layout->addWidget(buttons);
    // Wide enough for the title bar to show the whole title beside its buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
}

void CSelLangDlg::accept() {
    const int index = list_->currentIndex();
    const auto& records = languages_.GetRecords();
    if (index >= 0 && static_cast<size_t>(index) < records.size()) languages_.SelectLanguage(records[index].id);
    QDialog::accept();
}
