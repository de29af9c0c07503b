// The document frame: its view, its bars and the script editor's commands.
#include "app/ui/document_frame.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

#include "app/core/command_ids.h"
#include "app/core/command_router.h"
#include "app/core/command_table.h"
#include "app/core/document_summary.h"
#include "app/core/lexicon_mgr.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/ui/command_menus.h"
#include "app/ui/transcription_edit.h"
#include "views/timeline/phonarc_view.h"

const char* const kAlignmentTexts[3] = {"Align All Text with All Audio", "Align Selected Text with Selected Audio",
                                         "Align Current Cue Point"};

CTranscriptionBar::CTranscriptionBar(QWidget* parent)
    : CSizingControlBar(tr("Script Editor"), parent, QSize(110, 120), bar_id::ScriptEditor), edit_(new CTranscriptionEdit(this)) {
    setObjectName(QStringLiteral("ScriptEditorBar"));
    setWidget(edit_);
    UseFocusCaption();
}

CDocumentFrame::CDocumentFrame(CPhonarcDoc& doc, const document_frame_context& context, timeline_view_setup setup,
                               QWidget* parent)
    : QMainWindow(parent), doc_(doc), context_(context) {
    context_.languages->subscribe(this);
    // The main window's commands act on the active document: a command or the context menu of
    // this frame's view, which may not be the active frame's (a right-click does not focus it),
    // first makes this frame the active one.
    TimelineViewHooks& hooks = setup.hooks;
    if (hooks.runCommand) {
        hooks.runCommand = [this, run = std::move(hooks.runCommand)](int id) {
            Activate();
            run(id);
        };
    }
    if (hooks.contextMenu) {
        hooks.contextMenu = [this, menu = std::move(hooks.contextMenu)](const QPoint& global) {
            Activate();
            menu(global);
        };
    }
    // The view is made first: its selection map makes itself the document's selection source.
    view_ = new CPhonarcView(doc_, std::move(setup), this);
    if (view_->objectName().isEmpty()) view_->setObjectName(QStringLiteral("DocumentView"));
    setCentralWidget(view_);
    doc_.AddView(this);
    Refresh();
}

CDocumentFrame::~CDocumentFrame() {
    // The view goes before the frame's destroyed signal lets the manager delete the document.
    delete view_;
    doc_.RemoveView(this);
    context_.languages->unsubscribe(this);
    // The widgets underneath hide the bars and the editor as they tear down, when this is no longer
    // a frame: nothing of theirs may call back into it.
    if (scriptBar_) {
        disconnect(scriptBar_, nullptr, this, nullptr);
        disconnect(scriptBar_->Editor(), nullptr, this, nullptr);
    }
    if (languageList_) disconnect(languageList_, nullptr, this, nullptr);
}

QString CDocumentFrame::SummaryText() const {
    QString text = QString::fromStdString(DocumentSummary(doc_));
    if (!doc_.logged().empty()) text += QStringLiteral("\nOutput:\n") + QString::fromStdString(doc_.logged());
    return text;
}

void CDocumentFrame::SetTracks(const app_sync_results*) { Refresh(); }
void CDocumentFrame::SetAudioStream(CMemoryPCMStream*) { Refresh(); }
void CDocumentFrame::RedrawChannels(bool) {}

void CDocumentFrame::DocumentChanged() {
    setWindowTitle(QString::fromStdString(doc_.title()) + (doc_.IsModified() ? QStringLiteral(" *") : QString()));
    emit TitleChanged();
}

void CDocumentFrame::Refresh() { DocumentChanged(); }

void CDocumentFrame::Activate() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (QMdiArea* area = sub ? sub->mdiArea() : nullptr) area->setActiveSubWindow(sub);
}

bool CDocumentFrame::CanClose() { return closeQuery_ ? closeQuery_() : doc_.SaveModified(); }

bool CDocumentFrame::Create() {
    toolBar_ = new QToolBar(tr("Script"), this);
    toolBar_->setObjectName(QStringLiteral("ScriptToolbar"));
    toolBar_->setProperty("barId", toolbar_id::Script);
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : FindToolBarTree(toolbar_id::Script)->items) {
        if (id == 0) {
            toolBar_->addSeparator();
        } else if (id == cmd::AlignmentList) {
            alignList_ = new QComboBox(toolBar_);
            alignList_->setObjectName(QStringLiteral("AlignmentList"));
            // At least the old widths, and as wide as the longest entry in the font in use.
            alignList_->setMinimumWidth(200);
            alignList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            for (const char* text : kAlignmentTexts) alignList_->addItem(QString::fromUtf8(text));
            alignList_->setCurrentIndex(0);
            toolBar_->addWidget(alignList_);
        } else if (id == cmd::ScriptLanguageList) {
            languageList_ = new QComboBox(toolBar_);
            languageList_->setObjectName(QStringLiteral("LanguageList"));
            languageList_->setMinimumWidth(120);
            languageList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            // One entry per record, in record order: an entry's index is its record's.
            for (const LanguageRecord& r : context_.languages->GetRecords())
                languageList_->addItem(QString::fromStdString(r.name));
            SelectCurrentLanguageInCombo();
            connect(languageList_, &QComboBox::activated, this, &CDocumentFrame::OnSelectLanguage);
            toolBar_->addWidget(languageList_);
        } else if (const CommandInfo* info = FindCommand(id)) {
            QAction* a = MakeCommandAction(*info, toolBar_);
            a->setShortcut(QKeySequence());  // the main window's action holds the key
            toolBar_->addAction(a);
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        }
    }

    flashBar_ = new CSizingControlBar(tr("Flash Gestures"), this, QSize(110, 120), bar_id::FlashGestures);
    flashBar_->setObjectName(QStringLiteral("FlashGesturesBar"));

    scriptBar_ = new CTranscriptionBar(this);
    scriptBar_->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::BottomDockWidgetArea, scriptBar_);
    addToolBar(Qt::BottomToolBarArea, toolBar_);
    alignList_->setCurrentIndex(0);
    flashBar_->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::BottomDockWidgetArea, flashBar_);
    flashBar_->hide();

    const bool show = context_.profile->GetInt("UI", "ShowTranscribeBar", 1) != 0;

    CTranscriptionEdit* edit = scriptBar_->Editor();
    edit->on_command = [this](int id) { RunCommand(id); };
    CTranscriptionView& view = edit->View();
    transcription_host host;
    host.prompts = context_.prompts;
    CPhonarcDoc* doc = &doc_;
    view.SetOwner(static_cast<sync_track_target*>(doc));
    host.audio_path = [doc] { return doc->results_file().audio_path; };
    SetRecordingTimes(&host, [doc] { return doc->audio(); });
    // A cue segment's audio is selected in this frame's timeline, so aligning the current cue
    // point takes the segment's own stretch of the recording.
    host.select_audio = [this](int64_t start, int64_t end) {
        view_->SetSelection(static_cast<int>(start), static_cast<int>(end), false);
    };
    view.SetInitialText(doc->results_file().script_text);
    // The document saves and aligns the script it holds: keep it the editor's text.
    connect(edit, &QPlainTextEdit::textChanged, this, &CDocumentFrame::SyncScriptToDocument);
    view.SetHost(host);

    if (!show) {
        toolBar_->hide();
        scriptBar_->hide();
    }
    // The buttons follow the script's selection, its history and the bar's visibility; the main
    // window's update step refreshes them for the rest.
    connect(edit, &QPlainTextEdit::selectionChanged, this, &CDocumentFrame::CommandStateChanged);
    connect(edit, &QPlainTextEdit::undoAvailable, this, &CDocumentFrame::CommandStateChanged);
    connect(edit, &QPlainTextEdit::textChanged, this, &CDocumentFrame::CommandStateChanged);
    connect(scriptBar_, &QDockWidget::visibilityChanged, this, &CDocumentFrame::CommandStateChanged);
    connect(this, &CDocumentFrame::CommandStateChanged, this, [this] {
        // Once, after the burst of changes one edit makes, and never while the frame goes away.
        if (toolBarUpdatePending_) return;
        toolBarUpdatePending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                toolBarUpdatePending_ = false;
                UpdateToolBar();
            },
            Qt::QueuedConnection);
    });
    UpdateToolBar();
    return true;
}

void CDocumentFrame::UpdateToolBar() {
    if (!isVisible()) return;  // a hidden frame's buttons are read again when it shows
    for (QAction* a : toolBar_->actions()) {
        const int id = a->data().toInt();
        if (id == 0) continue;
        a->setEnabled(context_.router->Update(id).enabled);
    }
}

void CDocumentFrame::SyncScriptToDocument() { doc_.results_file().script_text = ScriptEdit()->GetText(); }

CTranscriptionEdit* CDocumentFrame::ScriptEdit() const { return scriptBar_ ? scriptBar_->Editor() : nullptr; }

CTranscriptionView& CDocumentFrame::ScriptView() const { return ScriptEdit()->View(); }

int CDocumentFrame::GetAlignmentMode() const {
    const int mode = alignList_ ? alignList_->currentIndex() : -1;
    return mode < 0 ? 0 : mode;
}

void CDocumentFrame::SelectLanguageInCombo(const std::string& name) {
    if (!languageList_) return;
    const int index = languageList_->findText(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) languageList_->setCurrentIndex(index);
}

void CDocumentFrame::SelectCurrentLanguageInCombo() {
    if (!languageList_) return;
    const auto& records = context_.languages->GetRecords();
    for (size_t i = 0; i < records.size() && static_cast<int>(i) < languageList_->count(); ++i) {
        if (records[i].id == context_.languages->GetCurrentLanguageId()) {
            languageList_->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    SelectLanguageInCombo(context_.languages->GetCurrentLanguageName());
}

void CDocumentFrame::OnSelectLanguage(int index) {
    // By record, not by name: two lexicons may carry the same name, and each must be choosable.
    const auto& records = context_.languages->GetRecords();
    if (index >= 0 && static_cast<size_t>(index) < records.size())
        context_.languages->SelectLanguage(records[static_cast<size_t>(index)].id);
}

void CDocumentFrame::notify(publisher* sender, pub_message* message) {
    (void)sender;
    if (static_cast<int>(message->type) == context_.languages->SelChangeMessage() && languageList_)
        SelectCurrentLanguageInCombo();
    message->release();
}

void CDocumentFrame::OnShowTranscriptionEditor() {
    const bool show = !scriptBar_->isVisible();
    scriptBar_->setVisible(show);
    toolBar_->setVisible(show);
    context_.profile->WriteInt("UI", "ShowTranscribeBar", show ? 1 : 0);
}

void CDocumentFrame::RunCommand(int id) { context_.router->Execute(id); }

void CDocumentFrame::OnAddCutMarker() {
    // Tags for the timeline selection at the script selection: the end's first, so the start's
    // position stays valid.
    int s = 0;
    int e = 0;
    if (!doc_.GetSelectionMs(&s, &e)) return;
    CTranscriptionView& view = ScriptView();
    int32_t p = 0;
    int32_t q = 0;
    view.GetSel(&p, &q);
    if (p != q && s != e) view.InsertCutTagAt(e, q);
    view.InsertCutTagAt(s, p);
}

void CDocumentFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateToolBar();
}

void CDocumentFrame::closeEvent(QCloseEvent* event) {
    if (!CanClose()) {
        event->ignore();
        return;
    }
    // Only a frame that really closes leaves its bar's state for the next one.
    if (scriptBar_) context_.profile->WriteInt("UI", "ShowTranscribeBar", scriptBar_->isVisible() ? 1 : 0);
    QMainWindow::closeEvent(event);
}

const std::vector<command_row<CDocumentFrame>>& CDocumentFrame::CommandRows() {
    using F = CDocumentFrame;
    // The editor's commands of one frame; Undo and Redo are the document's.
    const auto view = [](void (CTranscriptionView::*f)()) { return [f](F& frame) { (frame.ScriptView().*f)(); }; };
    const auto has_selection = [](F& f) { return EnabledIf(f.ScriptView().HasSelection()); };
    static const std::vector<command_row<F>> rows = {
        {cmd::ShowTranscriptionEditor, [](F& f) { f.OnShowTranscriptionEditor(); },
         [](F& f) { return CheckedIf(f.scriptBar_->isVisible()); }},
        {cmd::OpenTextTranscription, [](F& f) { f.ScriptView().OnOpenTextTranscription(); }},
        {cmd::SaveTextTranscription, [](F& f) { f.ScriptView().OnSaveTextTranscription(); }},
        {cmd::SaveTextTranscriptionAs, [](F& f) { f.ScriptView().OnSaveTextTranscriptionAs(); }},
        {cmd::HilightCutMarker, view(&CTranscriptionView::HilightCutMarker),
         [](F& f) { return EnabledIf(f.scriptBar_->isVisible()); }},
        {cmd::AddCutMarker, [](F& f) { f.OnAddCutMarker(); }, {}, kNeedSelection},
        {cmd::EditCut, view(&CTranscriptionView::OnEditCut), has_selection},
        {cmd::EditCopy, [](F& f) { f.ScriptEdit()->copy(); }, has_selection},
        {cmd::EditPaste, view(&CTranscriptionView::OnEditPaste),
         [](F& f) { return EnabledIf(!f.ScriptEdit()->GetClipboardText().empty()); }},
        {cmd::EditClear, view(&CTranscriptionView::OnEditClear), has_selection},
        {cmd::EditFind, [](F& f) { f.ScriptEdit()->ShowFindReplace(false); }},
        {cmd::EditReplace, [](F& f) { f.ScriptEdit()->ShowFindReplace(true); }},
    };
    return rows;
}

void CDocumentFrame::ShowFlashGesturesBar(bool show) { flashBar_->setVisible(show); }
