// The open documents and their commands.
#include "app/ui/document_manager.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <filesystem>

#include "app/core/command_ids.h"
#include "app/core/command_router.h"
#include "app/core/document_commands.h"
#include "app/core/document_settings.h"
#include "app/core/marker_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/recognition_commands.h"
#include "app/core/string_table.h"
#include "app/ui/document_frame.h"
#include "app/ui/flash_document_frame.h"
#include "app/ui/gate_prefs_commands_ui.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/progress_dlg.h"
#include "app/ui/recognition_commands_ui.h"
#include "app/ui/timeline_commands_ui.h"
#include "app/ui/timeline_print.h"
#include "views/playback/viseme_handler.h"
#include "views/timeline/phonarc_view.h"

CDocManager::CDocManager(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile, IPrompts& prompts,
                         lexicon_mgr& languages)
    : frame_(frame), router_(router), profile_(profile), prompts_(prompts), languages_(languages),
      markerDialogs_(profile, &frame) {}

CDocManager::~CDocManager() {
    // Frames first: each stops viewing its document as it goes.
    std::vector<entry> docs = std::move(docs_);
    docs_.clear();
    for (entry& e : docs) {
        disconnect(e.frame, nullptr, this, nullptr);
        QWidget* window = e.frame->parentWidget() ? e.frame->parentWidget() : e.frame;
        delete window;
    }
}

document_host CDocManager::Host() {
    document_host host;
    host.profile = &profile_;
    host.prompts = &prompts_;
    if (showProgress_) {
        host.begin_progress = [this](const std::string& status) -> std::unique_ptr<document_progress> {
            auto dialog = std::make_unique<CProgressDlg>(QString(), &frame_);
            dialog->SetStatusText(status.c_str());
            dialog->CreateModeless();
            return dialog;
        };
    }
    host.range_selection = [this] { return frame_.GetLipsyncRangeSelection(); };
    host.select_range = [this](int index) { frame_.SetLipsyncRangeSelection(index); };
    host.history_changed = [this] { frame_.RequestCommandUpdate(); };
    return host;
}

CDocumentFrame* CDocManager::ActiveFrame() const {
    QMdiSubWindow* sub = frame_.MdiArea()->currentSubWindow();
    if (!sub) sub = frame_.MdiArea()->activeSubWindow();
    for (const entry& e : docs_)
        if (sub && e.frame == sub->widget()) return e.frame;
    return docs_.empty() ? nullptr : docs_.back().frame;
}

CPhonarcDoc* CDocManager::ActiveDocument() const {
    CDocumentFrame* f = ActiveFrame();
    return f ? &f->Document() : nullptr;
}

bool CDocManager::Recognising() const { return recognition_ && recognition_->Running(); }

CDocumentFrame* TargetOf(const CDocManager& docs, CDocumentFrame*) { return docs.ActiveFrame(); }

CPhonarcView* TargetOf(const CDocManager& docs, CPhonarcView*) {
    CDocumentFrame* frame = docs.ActiveFrame();
    return frame ? frame->View() : nullptr;
}

bool CDocManager::OpenDocumentFile(const std::string& given) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(given, ec).lexically_normal().string();
    for (const entry& e : docs_) {
        if (e.doc->path_name() == path) {
            frame_.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(e.frame->parentWidget()));
            return true;
        }
    }
    auto doc = std::make_unique<CPhonarcDocFlash>(Host());
    if (!doc->OnOpenDocument(path)) return false;
    // The view is made with everything it needs, so that it builds its channels once.
    timeline_view_setup view;
    view.hooks = MakeTimelineHooks(frame_, router_);
    AddMarkerHooks(view.hooks, *doc);
    view.hooks.showsHead = [this](const CPhonarcView& v) {
        const CDocumentFrame* active = ActiveFrame();
        return active && active->View() == &v;
    };
    view.channels = MakeFlashChannelFactory(*doc);
    auto* frame = new CDocumentFrame(*doc, document_frame_context{&languages_, &profile_, &prompts_, &router_},
                                     std::move(view));
    if (!frame->Create()) {
        delete frame;
        return false;
    }
    new CFlashDocumentBinding(*doc, frame, [this](int id) { router_.Execute(id); });
    QMdiSubWindow* sub = frame_.MdiArea()->addSubWindow(frame);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(frame, &QObject::destroyed, this, &CDocManager::FrameDestroyed);
    frame->SetCloseQuery([this, doc = doc.get()] { return SaveModified(*doc); });
    connect(frame, &CDocumentFrame::TitleChanged, this, &CDocManager::UpdateTitle);
    connect(frame, &CDocumentFrame::CommandStateChanged, &frame_, &CMainFrame::RequestCommandUpdate);
    connect(&frame_, &CMainFrame::CommandsUpdated, frame, &CDocumentFrame::UpdateToolBar);
    docs_.push_back({std::move(doc), frame});
    // Maximised: the frame may not have its size yet when a file opens at start-up.
    sub->showMaximized();
    frame_.MdiArea()->setActiveSubWindow(sub);
    if (pathUsed_) pathUsed_(docs_.back().doc->path_name());
    // The new frame may have been activated before it was listed.
    ActiveFrameChanged();
    frame_.RequestCommandUpdate();
    return true;
}

void CDocManager::FrameDestroyed(QObject* frame) {
    for (auto it = docs_.begin(); it != docs_.end(); ++it) {
        if (static_cast<QObject*>(it->frame) == frame) {
            // The frame's children (bars, bindings) are destroyed after this signal and may still
            // reach the document: it goes once the frame is gone.
            retired_.push_back(std::move(it->doc));
            docs_.erase(it);
            QMetaObject::invokeMethod(this, [this] { retired_.clear(); }, Qt::QueuedConnection);
            break;
        }
    }
    ActiveFrameChanged();
}

void CDocManager::ActiveFrameChanged() {
    UpdateTitle();
    CDocumentFrame* f = ActiveFrame();
    if (CPhonarcView* view = f ? f->View() : nullptr) view->UpdateStatusText(false);
    else frame_.SetStatusPanes({}, {}, {});
    ShowActiveMouth();
}

void CDocManager::ShowActiveMouth() {
    if (mouthPending_) return;
    mouthPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            mouthPending_ = false;
            CDocumentFrame* f = ActiveFrame();
            if (CPhonarcView* view = f ? f->View() : nullptr) view->ShowVisemeAtCursor();
            else if (IVisemeHandler* head = GetVisemeHandler()) head->SetViseme("x", 0);
        },
        Qt::QueuedConnection);
}

bool CDocManager::SaveModified(CPhonarcDoc& doc) {
    const std::string before = doc.path_name();
    const bool ok = doc.SaveModified();
    if (doc.path_name() != before && pathUsed_) pathUsed_(doc.path_name());
    return ok;
}

bool CDocManager::CloseAll() {
    for (const entry& e : docs_)
        if (!SaveModified(*e.doc)) return false;
    return true;
}

void CDocManager::UpdateTitle() {
    const CPhonarcDoc* doc = ActiveDocument();
    frame_.setWindowTitle(doc ? QString::fromStdString(doc->WindowTitle())
                              : QString::fromUtf8(LoadProgramString(kIdsMainTitle)));
}

void CDocManager::SaveActive(bool save_as) {
    CPhonarcDoc* doc = ActiveDocument();
    if (!doc) return;
    const std::string before = doc->path_name();
    const bool saved = save_as ? doc->OnFileSaveAs() : doc->OnFileSave();
    if (saved && doc->path_name() != before && pathUsed_) pathUsed_(doc->path_name());
    UpdateTitle();
}

void CDocManager::Install() {
    recognition_ = std::make_unique<CRecognitionUi>(frame_, languages_);
    // The active frame's script editor gives the text, the selection and the cue tags.
    recognition_->SetScriptSource([this]() -> script_alignment_source* {
        CDocumentFrame* frame = ActiveFrame();
        if (!frame) return nullptr;
        scriptSource_.SetFrame(frame);
        return &scriptSource_;
    });

    InstallActiveRows(router_, *this, CommandRows(), *this);
    InstallActiveRows(router_, *this, DocumentCommandRows());
    InstallActiveRows(router_, *this, DocumentSettingsRows());
    InstallActiveRows(router_, *this, MarkerCommandRows(markerDialogs_));
    InstallActiveRows(router_, *this, RecognitionCommandRows([this] { return recognition_->Context(); }));
    InstallActiveRows(router_, *this, FlashDocumentCommandRows());
    InstallActiveRows(router_, *this, PreviewCharacterRows(frame_));
    InstallActiveRows(router_, *this, NoiseGateRows(frame_, prompts_));
    InstallCommandRows(router_, PreferencesRows(profile_, prompts_), frame_);
    InstallActiveRows(router_, *this, CDocumentFrame::CommandRows());
    InstallActiveRows(router_, *this, TimelineCommandRows());
    auto* printer = new CTimelinePrinter(frame_);
    InstallCommandRows(router_, printer->SetupRows(), *printer);
    InstallActiveRows(router_, *this, printer->PrintRows());
    connect(frame_.MdiArea(), &QMdiArea::subWindowActivated, this, &CDocManager::ActiveFrameChanged);
    // The user's choice is kept at once, so the next document and the next start show it.
    connect(&frame_, &CMainFrame::LipsyncRangeChosen, this, [this](int index) {
        if (CPhonarcDoc* doc = ActiveDocument()) doc->settings().SyncLipsyncEntireFile();
        else document_settings::StoreRangeChoice(profile_, index);
    });
}

std::vector<command_row<CDocManager>> CDocManager::CommandRows() {
    using M = CDocManager;
    return {
        {cmd::FileClose,
         [](M& m) {
             if (QWidget* sub = m.ActiveFrame()->parentWidget()) sub->close();
         },
         {}, kNeedDocument},
        {cmd::FileSave, [](M& m) { m.SaveActive(false); }, {}, kNeedDocument},
        {cmd::FileSaveAs, [](M& m) { m.SaveActive(true); }, {}, kNeedDocument},
        {cmd::PhonemeTestDialog,
         [](M& m) {
             CPhonemeDialog dialog(m.languages_, m.prompts_, &m.frame_);
             dialog.exec();
         },
         {}, kNeedDocument},
    };
}
