// The open documents and their commands.
#include "app/ui/document_manager.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <filesystem>

#include "app/core/command_router.h"
#include "app/ui/timeline_commands.h"
#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/string_table.h"
#include "app/core/command_ids.h"
#include "app/ui/document_frame.h"
#include "app/ui/flash_document_frame.h"
#include "app/ui/gate_prefs_commands.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/marker_menus.h"
#include "app/ui/progress_dlg.h"
#include "app/ui/recognition_ui.h"
#include "views/playback/viseme_handler.h"
#include "views/timeline/phonarc_view.h"
#include "app/ui/timeline_print.h"

CDocManager::CDocManager(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile, IPrompts& prompts,
                         lexicon_mgr& languages)
    : frame_(frame), router_(router), profile_(profile), prompts_(prompts), languages_(languages) {}

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
    view.channels = MakeFlashChannelFactory(*doc);
    auto* frame = new CDocumentFrame(*doc, child_frame_context{doc.get(), &languages_, &profile_, &prompts_, &router_},
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
    connect(frame, &CChildFrame::CommandStateChanged, &frame_, &CMainFrame::RequestCommandUpdate);
    connect(&frame_, &CMainFrame::CommandsUpdated, frame, &CChildFrame::UpdateToolBar);
    docs_.push_back({std::move(doc), frame});
    // Maximised: the frame may not have its size yet when a file opens at start-up.
    sub->showMaximized();
    frame_.MdiArea()->setActiveSubWindow(sub);
    if (pathUsed_) pathUsed_(docs_.back().doc->path_name());
    UpdateTitle();
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
            // The head showed this document's mouth: it goes back to rest.
            if (IVisemeHandler* head = GetVisemeHandler()) head->SetViseme("x", 0);
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
    RegisterCommands();
    // The script editor's commands, for the ids the document leaves to it.
    CChildFrame::RegisterCommands(router_, [this]() -> CChildFrame* { return ActiveFrame(); });
    AddToggles();
    InstallMarkerCommands(frame_, router_, profile_, [this] { return ActiveDocument(); });
    InstallGateAndPreferencesCommands(frame_, router_, profile_, prompts_, [this] { return ActiveDocument(); });
    recognition_ = std::make_unique<CRecognitionUi>(frame_, router_, languages_, [this] { return ActiveDocument(); });
    // The active frame's script editor gives the text, the selection and the cue tags.
    recognition_->SetScriptSource([this]() -> script_alignment_source* {
        CDocumentFrame* frame = ActiveFrame();
        if (!frame) return nullptr;
        scriptSource_.SetFrame(frame);
        return &scriptSource_;
    });
    recognition_->Install();
    InstallFlashDocumentCommands(frame_, router_, [this] { return dynamic_cast<CPhonarcDocFlash*>(ActiveDocument()); });
    connect(frame_.MdiArea(), &QMdiArea::subWindowActivated, this, &CDocManager::ActiveFrameChanged);
    InstallTimelineCommands(frame_, router_, [this]() -> CPhonarcView* {
        CDocumentFrame* f = ActiveFrame();
        return f ? f->View() : nullptr;
    });
    InstallPrintCommands(frame_, router_, [this]() -> CPhonarcView* {
        CDocumentFrame* f = ActiveFrame();
        return f ? f->View() : nullptr;
    });
}

void CDocManager::RegisterCommands() {
    const auto needs_doc = [this](CommandState& s) { s.enabled = ActiveDocument() != nullptr; };
    const auto with_doc = [this](void (CPhonarcDoc::*f)()) {
        return [this, f] {
            if (CPhonarcDoc* d = ActiveDocument()) (d->*f)();
        };
    };
    router_.Add(cmd::FileClose,
                [this] {
                    if (CDocumentFrame* f = ActiveFrame()) {
                        if (QWidget* sub = f->parentWidget()) sub->close();
                    }
                },
                needs_doc);
    router_.Add(cmd::FileSave, [this] { SaveActive(false); }, needs_doc);
    router_.Add(cmd::FileSaveAs, [this] { SaveActive(true); }, needs_doc);
    router_.Add(cmd::ImportSyncMarkers, with_doc(&CPhonarcDoc::OnImportSyncMarkers), needs_doc);
    router_.Add(cmd::ReloadAudio, with_doc(&CPhonarcDoc::OnReloadAudio), needs_doc);
    const auto undo_state = [this](bool redo) {
        return [this, redo](CommandState& s) {
            // Disabled, the item goes back to its plain text rather than naming an action gone.
            CPhonarcDoc* d = ActiveDocument();
            const CommandState st = d ? (redo ? d->UpdateRedo() : d->UpdateUndo()) : CommandState{false, false, {}};
            s.enabled = st.enabled;
            s.text = st.enabled && st.text && !st.text->empty() ? *st.text
                                                    : tr(redo ? "&Redo\tCtrl+Y" : "&Undo\tCtrl+Z").toStdString();
        };
    };
    router_.Add(cmd::EditUndo, with_doc(&CPhonarcDoc::OnEditUndo), undo_state(false));
    router_.Add(cmd::EditRedo, with_doc(&CPhonarcDoc::OnEditRedo), undo_state(true));
    router_.Add(cmd::PhonemeTestDialog,
                [this] {
                    CPhonemeDialog dialog(languages_, prompts_, &frame_);
                    dialog.exec();
                },
                needs_doc);
}

void CDocManager::AddToggles() {
    // The settings commands of the active document: the recognition toggles and the articulator.
    for (const int id : kSettingsCommandIds) {
        router_.Add(
            id,
            [this, id] {
                if (CPhonarcDoc* d = ActiveDocument()) RunSettingsCommand(d->settings(), id);
            },
            [this, id](CommandState& s) {
                CPhonarcDoc* d = ActiveDocument();
                if (!d) {
                    s.enabled = false;
                    return;
                }
                const CommandState st = UpdateSettingsCommand(d->settings(), id);
                s.enabled = st.enabled;
                s.checked = st.checked;
                if (st.text) s.text = st.text;
            });
    }
}
