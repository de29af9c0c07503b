// The noise gate dialog; see noise_gate_dlg.h.
#include "app/ui/noise_gate_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/noise_gate.h"
#include "app/core/phonarc_doc.h"
#include "app/core/prompts.h"

CNoiseGateDlg::CNoiseGateDlg(CPhonarcDoc& doc, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), doc_(doc), prompts_(prompts) {
    setWindowTitle(tr("Noise Gate"));
    setObjectName(QStringLiteral("NoiseGate"));
    auto* layout = new QVBoxLayout(this);
    const auto note = [&](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        layout->addWidget(label);
    };
    note(tr("Noise gating is a good thing to do with dirty wave files. Lipsync is improved by noise gating."));
    note(tr("The temporary audio file will be modified but the original audio file will be completely preserved."));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Cut off:"), this), 0, 0);
    cutoffEdit = new QLineEdit(this);
    cutoffEdit->setObjectName(QStringLiteral("1036"));
    cutoffEdit->setMaximumWidth(60);
    grid->addWidget(cutoffEdit, 0, 1);
    grid->addWidget(new QLabel(tr("decibals (-20 to - 93)"), this), 0, 2);
    grid->addWidget(new QLabel(tr("-1 means most noise reduction"), this), 1, 2);
    grid->addWidget(new QLabel(tr("-93 means the least"), this), 2, 2);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    preview = buttons->addButton(tr("Preview"), QDialogButtonBox::ActionRole);
    preview->setObjectName(QStringLiteral("1035"));
    preview->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    levels_ = MeasureGateLevels(doc_.audio());
    cutoffEdit->setText(QString::number(ProposeGateCutoff(levels_)));
    cutoffEdit->setFocus();
    cutoffEdit->selectAll();
}

void CNoiseGateDlg::accept() {
    int cutoff = 0;
    if (!ParseGateCutoff(cutoffEdit->text().toStdString(), &cutoff)) {
        prompts_.MessageBox(kTextGateRange, PromptButtons::Ok);
        cutoffEdit->setFocus();
        return;
    }
    // A failure was shown to the user and changed nothing; the dialog closes either way.
    ApplyNoiseGate(doc_, levels_, cutoff);
    QDialog::accept();
}
