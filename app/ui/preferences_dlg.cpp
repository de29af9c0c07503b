// The Preferences sheet; see preferences_dlg.h.
#include "app/ui/preferences_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/core/prompts.h"
#include "app/core/save_options.h"

CPreferencePageSaving::CPreferencePageSaving(IProfileStore& profile, IPrompts& prompts, QWidget* parent)
    : QWidget(parent), profile_(profile), prompts_(prompts) {
    setObjectName(QStringLiteral("SaveOptions"));
    auto* layout = new QVBoxLayout(this);
    const auto box = [&](const char* label, const char* name) {
        auto* b = new QCheckBox(tr(label), this);
        b->setObjectName(QString::fromLatin1(name));
        layout->addWidget(b);
        return b;
    };
    phnVis = box("Save Phoneme Visualization (phn_vis)", "1051");
    text = box("Save text data", "1052");
    audioLink = box("Save Link To Audio File", "1053");
    phnEnv = box("Save Articulation Envelopes", "1055");
    phnEnvX = box("Save Silence 'X' Envelopes", "1057");
    phnEnvX->setEnabled(false);

    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(new QLabel(tr("Articulator Frame Rate:"), this));
    frameRate = new QLineEdit(this);
    frameRate->setObjectName(QStringLiteral("1056"));
    frameRate->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), frameRate));
    frameRate->setMaximumWidth(60);
    rateRow->addWidget(frameRate);
    rateRow->addWidget(new QLabel(tr("frames per second"), this));
    rateRow->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(rateRow);
    auto* note = new QLabel(tr("Zero (0) defaults to the frame rate of the articulation file. To reset this value to "
                               "the default, set it to 0."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);

    connect(phnEnv, &QCheckBox::toggled, this, &CPreferencePageSaving::OnToggleEnvelopes);
    OnInitDialog();
}

void CPreferencePageSaving::OnInitDialog() {
    const save_options o = ReadSaveOptions(profile_);
    phnVis->setChecked(o.phn_vis);
    text->setChecked(o.text);
    audioLink->setChecked(o.audio_link);
    phnEnv->setChecked(o.phn_env);
    phnEnvX->setChecked(o.phn_env_x);
    phnEnvX->setEnabled(o.phn_env);
    frameRate->setText(QString::number(o.frame_rate));
}

void CPreferencePageSaving::OnToggleEnvelopes() { phnEnvX->setEnabled(phnEnv->isChecked()); }

bool CPreferencePageSaving::OnOK() {
    save_options o;
    if (!ParseFrameRateField(frameRate->text().toStdString(), &o.frame_rate)) {
        prompts_.MessageBox(kTextFrameRateRange, PromptButtons::Ok);
        frameRate->setFocus();
        frameRate->selectAll();
        return false;
    }
    o.phn_vis = phnVis->isChecked();
    o.text = text->isChecked();
    o.audio_link = audioLink->isChecked();
    o.phn_env = phnEnv->isChecked();
    // A disabled box keeps its mark, and the mark is what is stored.
    o.phn_env_x = phnEnvX->isChecked();
    WriteSaveOptions(profile_, o);
    return true;
}

CPreferencesSheet::CPreferencesSheet(IProfileStore& profile, IPrompts& prompts, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Preferences"));
    setObjectName(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(this);
    tabs = new QTabWidget(this);
    page = new CPreferencePageSaving(profile, prompts, tabs);
    tabs->addTab(page, tr("Save Options"));
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPreferencesSheet::accept() {
    if (page->OnOK()) QDialog::accept();
}
