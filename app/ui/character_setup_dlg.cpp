// The character setup dialog.
#include "app/ui/character_setup_dlg.h"

#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>

#include "app/core/actor_mgr.h"
#include "app/core/marker_commands.h"
#include "app/ui/command_menus.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "model/phoneme_codes.h"
#include "platform/safe_save.h"

void CPhonemeEditCtrl::AppendPhoneme(const QString& code) {
    QString t = text();
    if (!t.isEmpty() && !t.endsWith(QLatin1Char(','))) t += QLatin1Char(',');
    setText(t + code);
    end(false);
}

QMenu* CPhonemeEditCtrl::MakeContextMenu() {
    PopupRouting routing;
    routing.run = [this](int id) { AppendPhoneme(QString::fromStdString(LoadCommandLabel(id))); };
    return BuildPopupMenu(menu_id::PhonemeList, this, routing);
}

void CPhonemeEditCtrl::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(MakeContextMenu());
    menu->exec(event->globalPos());
}

CZuvoChrSetupDlg::CZuvoChrSetupDlg(IPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setWindowTitle(tr("Phoneme To Viseme / Character Setup"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        tr("Setup the phoneme to viseme mapping. For each viseme, list the phonemes which map to it, and select the "
           "appropriate media file. \nRight click in the Phoneme Edit Boxes to bring up a list of phonemes.\nOr type "
           "them directly in the Phoneme Edit box, separated by spaces, commas, or not separated at all.\nSelect the "
           "media file representing the viseme for those Phonemes.\nClick OK, when done. It will test that all the "
           "phonemes have been specified and check formatting in the edit boxes. "),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Phonemes:"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Viseme Media Files (*.obj, *.x):"), this), 0, 1);
    for (int r = 0; r < kCharacterSetupRows; ++r) {
        phonemes_[r] = new CPhonemeEditCtrl(this);
        phonemes_[r]->setObjectName(QStringLiteral("Phonemes%1").arg(r + 1));
        media_[r] = new QLineEdit(this);
        media_[r]->setObjectName(QStringLiteral("Media%1").arg(r + 1));
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setFixedWidth(30);
        connect(browse, &QPushButton::clicked, this, [this, r] { OnBrowseMedia(r); });
        grid->addWidget(phonemes_[r], r + 1, 0);
        grid->addWidget(media_[r], r + 1, 1);
        grid->addWidget(browse, r + 1, 2);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* fileRow = new QGridLayout;
    fileRow->addWidget(new QLabel(tr("Character Config File (.txt):"), this), 0, 0);
    characterFile_ = new QLineEdit(this);
    characterFile_->setObjectName(QStringLiteral("CharacterFile"));
    fileRow->addWidget(characterFile_, 0, 1);
    auto* browseFile = new QPushButton(QStringLiteral("..."), this);
    browseFile->setFixedWidth(30);
    connect(browseFile, &QPushButton::clicked, this, &CZuvoChrSetupDlg::OnBrowseCharacterFile);
    fileRow->addWidget(browseFile, 0, 2);
    fileRow->setColumnStretch(1, 1);
    layout->addLayout(fileRow);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("Message"));
    message_->setWordWrap(true);
    message_->setMinimumHeight(48);
    layout->addWidget(message_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CZuvoChrSetupDlg::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<CharacterSetupRow> CZuvoChrSetupDlg::Rows() const {
    std::vector<CharacterSetupRow> rows;
    for (int r = 0; r < kCharacterSetupRows; ++r)
        rows.push_back({phonemes_[r]->text().toStdString(), media_[r]->text().toStdString()});
    return rows;
}

QString CZuvoChrSetupDlg::MessageText() const { return message_->text(); }

bool CZuvoChrSetupDlg::Validate() {
    const CharacterSetupCheck check = ValidateCharacterSetup(Rows());
    if (check.focusRow >= 0) {
        if (check.focusMedia) {
            media_[check.focusRow]->setFocus();
        } else {
            CPhonemeEditCtrl* edit = phonemes_[check.focusRow];
            edit->setFocus();
            edit->setSelection(check.invalidFrom, static_cast<int>(edit->text().size()) - check.invalidFrom);
        }
    }
    if (check.statusText) message_->setText(QString::fromStdString(*check.statusText));
    for (const std::string& text : check.messages) prompts_.MessageBox(text, PromptButtons::Ok);
    return check.ok;
}

bool CZuvoChrSetupDlg::WriteCharacterFile() {
    written_.clear();
    const std::string path = characterFile_->text().trimmed().toStdString();
    if (path.empty()) return true;
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    folder += '/';
    std::string error;
    const std::optional<std::string> text = BuildCharacterText(Rows(), folder, &error);
    if (!text || !SaveBytesSafely(path, *text, &error)) {
        const std::string message = "The character file '" + path + "' cannot be written: " + error;
        message_->setText(QString::fromStdString(message));
        prompts_.MessageBox(message, PromptButtons::Ok);
        return false;
    }
    written_ = path;
    return true;
}

void CZuvoChrSetupDlg::OnOK() {
    if (Validate() && WriteCharacterFile()) QDialog::accept();
}

void CZuvoChrSetupDlg::OnBrowseMedia(int row) {
    FileDialogRequest request;
    request.defaultExtension = "*.obj";
    request.filter = "Media Files (*.x; *.obj)|*.x; *.obj;";
    const std::optional<std::string> path = prompts_.ChooseFile(request);
    if (!path) return;
    media_[row]->setText(QString::fromStdString(*path));
    media_[row]->end(false);  // the file name, at the end, stays in view
}

void CZuvoChrSetupDlg::OnBrowseCharacterFile() {
    FileDialogRequest request;
    request.open = false;
    request.defaultExtension = ".txt";
    request.filter = "Character Files (*.txt)|*.txt||";
    request.initialPath = characterFile_->text().toStdString();
    if (const std::optional<std::string> path = prompts_.ChooseFile(request))
        characterFile_->setText(QString::fromStdString(*path));
}

std::vector<command_row<QWidget>> CharacterSetupRows(actor_mgr& actors, IPrompts& prompts) {
    return {{cmd::CharacterSetup, [&actors, &prompts](QWidget& parent) {
                 CZuvoChrSetupDlg dlg(prompts, &parent);
                 if (dlg.exec() != QDialog::Accepted || dlg.WrittenCharacterFile().empty()) return;
                 const std::string& path = dlg.WrittenCharacterFile();
                 actors.AddActor(std::filesystem::path(path).stem().string(), path);
             }}};
}
