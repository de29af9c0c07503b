// Start-up, idle processing and shutdown of the program.
#include "app/ui/phonarc_app.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/recent_files.h"
#include "app/core/string_table.h"
#include "app/ui/about_dlg.h"
#include "app/ui/app_icons.h"
#include "app/ui/character_setup_dlg.h"
#include "app/core/command_ids.h"
#include "app/ui/document_manager.h"
#include "app/ui/help_file.h"
#include "app/ui/main_frame.h"
#include "app/ui/post_queue_wake.h"
#include "app/ui/sel_lang_dlg.h"
#include "app/ui/viseme_bar.h"
#include "engine/audio/default_audio_readers.h"
#include "model/pub_queue.h"

CPhonarcApp::CPhonarcApp(IProfileStore& profile, IPrompts& prompts, std::string programFolder)
    : profile_(profile), prompts_(prompts), programFolder_(std::move(programFolder)) {}

CPhonarcApp::~CPhonarcApp() { RemovePostQueueWake(); }

bool CPhonarcApp::InitInstance(const QStringList& arguments) {
    // Other threads reach the GUI thread through the post queue, which wakes it when they post.
    InstallPostQueueWake();
    InitProgramResources();
    LoadLanguages();
    recentFiles_ = ReadRecentFiles(profile_, kRecentFileCount);
    // The document template joins the document, its frame and its views; they come with the
    // document, so there is nothing to register yet.
    InstallDefaultAudioFileReaders();  // Ogg Vorbis first, then MP3
    actors_.Init(profile_);

    frame_ = std::make_unique<CMainFrame>(router_, profile_);
    InstallCommandRows(router_, CommandRows(), *this);
    if (!frame_->Create()) return false;
    InstallVisemeBar(*frame_, router_, actors_, profile_, prompts_);
    InstallCommandRows<QWidget>(router_, CharacterSetupRows(actors_, prompts_), *frame_);
    docs_ = std::make_unique<CDocManager>(*frame_, router_, profile_, prompts_, languages_);
    docs_->Install();
    docs_->SetPathUsed([this](const std::string& path) {
        AddRecentFile(&recentFiles_, path, kRecentFileCount);
        WriteRecentFiles(profile_, recentFiles_, kRecentFileCount);
        frame_->SetRecentFiles(recentFiles_, [this](const std::string& p) { OnOpenRecentFile(p); });
    });
    frame_->SetCloseQuery([this] { return docs_->CloseAll(); });
    frame_->SetRecentFiles(recentFiles_, [this](const std::string& p) { OnOpenRecentFile(p); });
    connect(frame_.get(), &CMainFrame::FileDropped, this,
            [this](const QString& path) { OpenDocumentFile(path.toStdString()); });

    for (const QString& a : arguments) {
        if (a.startsWith(QStringLiteral("--"))) continue;
        OpenDocumentFile(a.toStdString());
        break;  // one file, as a shell open passes it
    }

    frame_->ShowWithSavedPlacement();
    return true;
}

void CPhonarcApp::LoadLanguages() {
    languages_.Load(programFolder_ + "/dicts", "LEXICON");
    const std::string saved = profile_.GetString("UI", "zlex", "");
    if (!saved.empty()) languages_.SelectLanguageByName(saved);
}

void CPhonarcApp::OnIdle() { pub_queue::dispatch(); }

int CPhonarcApp::ExitInstance() {
    profile_.WriteString("UI", "zlex", languages_.GetCurrentLanguageName());
    actors_.SaveSelection(profile_);
    docs_.reset();
    frame_.reset();
    RemovePostQueueWake();
    pub_queue::destroy_instance();
    return 0;
}

bool CPhonarcApp::OpenDocumentFile(const std::string& path) {
    if (!docs_) {
        if (COutputLog* log = GetOutputLog()) log->Log(LoadProgramString(kIdsDocumentsUnavailable), path.c_str());
        return false;
    }
    return docs_->OpenDocumentFile(path);
}

void CPhonarcApp::OnOpenRecentFile(const std::string& path) {
    if (OpenDocumentFile(path)) return;
    RemoveRecentFile(&recentFiles_, path);
    WriteRecentFiles(profile_, recentFiles_, kRecentFileCount);
    // The menu is rebuilt once the chosen entry's signal has returned: rebuilding deletes it.
    QMetaObject::invokeMethod(this, [this] {
        if (frame_) frame_->SetRecentFiles(recentFiles_, [this](const std::string& p) { OnOpenRecentFile(p); });
    }, Qt::QueuedConnection);
}

int CPhonarcApp::DocumentCount() const { return docs_ ? docs_->DocumentCount() : 0; }

std::vector<command_row<CPhonarcApp>> CPhonarcApp::CommandRows() {
    using A = CPhonarcApp;
    return {
        // New has a handler of its own, so an empty document is never made.
        {cmd::FileNew, [](A&) {}},
        {cmd::FileOpen, [](A& a) { a.OnFileOpen(); }},
        {cmd::About,
         [](A& a) {
             CAboutDlg dlg(a.frame_.get());
             dlg.exec();
         }},
        {cmd::HelpFile, [](A& a) { a.OnShowHelpFile(); }},
        {cmd::SelectLanguage,
         [](A& a) {
             CSelLangDlg dlg(a.languages_, a.frame_.get());
             dlg.exec();
         }},
        {cmd::CurrentLanguage, [](A&) {},
         [](A& a) { return CommandState{true, true, a.languages_.GetCurrentLanguageName()}; }},
    };
}

void CPhonarcApp::OnFileOpen() {
    FileDialogRequest request;
    request.title = "Open Sound File";
    request.defaultExtension = "*.wav";
    request.filter =
        "Audio Files (*.wav; *.mp3; *.ogg)|*.wav; *.ogg; *.mp3; *.zuvo|Zuvotrix Sync Results File "
        "(*.zuvo)|*.zuvo|All Files (*.*)|*.*||";
    const std::optional<std::string> path = prompts_.ChooseFile(request);
    if (path) OpenDocumentFile(*path);
}

void CPhonarcApp::OnShowHelpFile() {
    CMainFrame* frame = frame_.get();
    ShowUserGuide(frame, prompts_, [frame](const QUrl& url, std::function<void(bool)> done) {
        OpenWithDesktop(url, frame, std::move(done));
    });
}
