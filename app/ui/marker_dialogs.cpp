// The document's small dialogs.
#include "app/ui/marker_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/lexicon_mgr.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QWidget* DurationRow(QLineEdit* edit, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(edit);
    h->addWidget(new QLabel(QObject::tr("milliseconds"), row));
    return row;
}

}  // namespace

// ---- event ----

CAddEventDlg::CAddEventDlg(const QString& t, int d, QWidget* parent) : QDialog(parent), text(t), duration(d) {
    setWindowTitle(tr("Add/Modify Event"));
    auto* form = new QFormLayout(this);
    textEdit = new QLineEdit(text, this);
    durationEdit = new QLineEdit(QString::number(duration), this);
    form->addRow(tr("Event Text:"), textEdit);
    form->addRow(tr("duration:"), DurationRow(durationEdit, this));
    form->addRow(OkCancel(this));
    textEdit->setFocus();
}

void CAddEventDlg::accept() {
    text = textEdit->text();
    duration = ParseDialogInt(durationEdit->text().toStdString());
    QDialog::accept();
}

// ---- gesture ----

CAddGestureDlg::CAddGestureDlg(const FGesture& g, QWidget* parent) : QDialog(parent), gesture(g) {
    setWindowTitle(tr("Add/Modify Gesture"));
    const gesture_fields f = GestureFieldsFromGesture(gesture);
    auto* form = new QFormLayout(this);
    nameEdit = new QLineEdit(QString::fromStdString(f.name), this);
    poseEdit = new QLineEdit(QString::fromStdString(f.pose), this);
    durationEdit = new QLineEdit(QString::fromStdString(f.duration), this);
    form->addRow(tr("Name the gesture:"), nameEdit);
    form->addRow(tr("[optionally] Specify a pose name"), poseEdit);
    form->addRow(tr("duration:"), DurationRow(durationEdit, this));
    form->addRow(OkCancel(this));
    nameEdit->setFocus();
}

void CAddGestureDlg::accept() {
    gesture_fields f;
    f.name = nameEdit->text().toStdString();
    f.pose = poseEdit->text().toStdString();
    f.duration = durationEdit->text().toStdString();
    ApplyGestureFields(f, &gesture);
    QDialog::accept();
}

// ---- delete ----

CDeleteMarkersDlg::CDeleteMarkersDlg(IProfileStore& profile, bool audio_selected, QWidget* parent)
    : QDialog(parent), profile_(profile), audio_selected_(audio_selected) {
    setWindowTitle(tr("Delete Dialog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select the marker type(s) to delete:"), this));
    selectionOnly = new QCheckBox(tr("&Selection only (uncheck for whole file)"), this);
    all = new QCheckBox(tr("&All marker types"), this);
    articulation = new QCheckBox(tr("A&rticulation Data"), this);
    phonemes = new QCheckBox(tr("&Phonemes"), this);
    words = new QCheckBox(tr("&Words"), this);
    events = new QCheckBox(tr("&Events"), this);
    gestures = new QCheckBox(tr("&Gestures"), this);
    for (QCheckBox* box : {selectionOnly, all, articulation, phonemes, words, events, gestures}) layout->addWidget(box);
    layout->addWidget(OkCancel(this));
    connect(all, &QCheckBox::clicked, this, &CDeleteMarkersDlg::OnAllClicked);
    Show(DeleteBoxesFromMask(static_cast<uint32_t>(profile_.GetInt("UI", "Delete_Last", 0)), audio_selected_));
}

delete_boxes CDeleteMarkersDlg::Read() const {
    delete_boxes b;
    b.selection_enabled = audio_selected_;
    b.selection_only = selectionOnly->isChecked();
    b.all = all->isChecked();
    b.articulation = articulation->isChecked();
    b.phonemes = phonemes->isChecked();
    b.words = words->isChecked();
    b.events = events->isChecked();
    b.gestures = gestures->isChecked();
    return b;
}

void CDeleteMarkersDlg::Show(const delete_boxes& b) {
    selectionOnly->setEnabled(b.selection_enabled);
    selectionOnly->setChecked(b.selection_only);
    all->setChecked(b.all);
    articulation->setChecked(b.articulation);
    phonemes->setChecked(b.phonemes);
    words->setChecked(b.words);
    events->setChecked(b.events);
    gestures->setChecked(b.gestures);
}

void CDeleteMarkersDlg::OnAllClicked() { Show(DeleteBoxesAfterAllClicked(Read())); }

void CDeleteMarkersDlg::accept() {
    mask_ = DeleteMaskFromBoxes(Read());
    profile_.WriteInt("UI", "Delete_Last", static_cast<int>(mask_));
    QDialog::accept();
}

// ---- phoneme test ----

CPhonemeDialog::CPhonemeDialog(lexicon_mgr& languages, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), languages_(languages), prompts_(prompts) {
    setWindowTitle(tr("Phoneme Test Dialog"));
    auto* layout = new QVBoxLayout(this);
    textEdit = new QPlainTextEdit(this);
    auto* open = new QPushButton(tr("Open..."), this);
    languageList = new QComboBox(this);
    widthEdit = new QLineEdit(this);
    auto* generate = new QPushButton(tr("Generate Phonemes.."), this);
    outputEdit = new QPlainTextEdit(this);
    outputEdit->setReadOnly(true);
    auto* row = new QFormLayout;
    row->addRow(tr("Language:"), languageList);
    row->addRow(tr("Search Width (seconds):"), widthEdit);
    layout->addWidget(textEdit);
    layout->addWidget(open);
    layout->addLayout(row);
    layout->addWidget(generate);
    layout->addWidget(new QLabel(tr("The area below is for testing purposes only!!!!"), this));
    layout->addWidget(outputEdit);
    layout->addWidget(OkCancel(this));
    for (const LanguageRecord& r : languages_.GetRecords()) languageList->addItem(QString::fromStdString(r.name));
    SelectCurrentLanguage();
    connect(open, &QPushButton::clicked, this, &CPhonemeDialog::OnOpen);
    connect(generate, &QPushButton::clicked, this, &CPhonemeDialog::OnGenerate);
    connect(languageList, &QComboBox::activated, this, &CPhonemeDialog::OnLanguageChosen);
    resize(520, 480);
}

void CPhonemeDialog::SelectCurrentLanguage() {
    const auto& records = languages_.GetRecords();
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].id == languages_.GetCurrentLanguageId()) languageList->setCurrentIndex(static_cast<int>(i));
}

void CPhonemeDialog::OnLanguageChosen(int index) {
    const auto& records = languages_.GetRecords();
    if (index >= 0 && index < static_cast<int>(records.size()))
        languages_.SelectLanguage(records[index].id);
    else
        SelectCurrentLanguage();
}

void CPhonemeDialog::OnOpen() {
    FileDialogRequest request;
    request.filter = "Text Files (*.txt)|*.txt||";
    const std::optional<std::string> path = prompts_.ChooseFile(request);
    if (!path) return;
    std::string script, why;
    if (!ReadPhonemeTestScript(*path, &script, &why)) {
        prompts_.MessageBox(why, PromptButtons::Ok);
        return;
    }
    textEdit->setPlainText(QString::fromUtf8(script.c_str()));
    filePath = QString::fromStdString(*path);
}

void CPhonemeDialog::OnGenerate() {
    std::string out, error;
    if (!PhonemeTestForLanguage(languages_, textEdit->toPlainText().toStdString(), &out, &error)) {
        prompts_.MessageBox(error, PromptButtons::Ok);
        return;
    }
    outputEdit->setPlainText(QString::fromUtf8(out.c_str()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CPhonemeDialog::accept() {
    text = textEdit->toPlainText();
    searchWidth = SearchWidthFromField(widthEdit->text().toStdString());
    QDialog::accept();
}
