// The document frame's bars: the script editor, the script toolbar and the Flash gestures bar.
#include "app/ui/child_frame.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QToolBar>

#include "app/core/command_ids.h"
#include "app/core/command_router.h"
#include "app/core/command_table.h"
#include "app/core/lexicon_mgr.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/ui/command_menus.h"
#include "app/ui/transcription_edit.h"
#include "views/timeline/phonarc_view.h"

const char* const kAlignmentTexts[3] = {"Align All Text with All Audio", "Align Selected Text with Selected Audio",
                                         "Align Current Cue Point"};

// ---- CTranscriptionBar ----

CTranscriptionBar::CTranscriptionBar(QWidget* parent)
    : CSizingControlBar(tr("Script Editor"), parent, QSize(110, 120), bar_id::ScriptEditor), edit_(new CTranscriptionEdit(this)) {
    setObjectName(QStringLiteral("ScriptEditorBar"));
    setWidget(edit_);
    UseFocusCaption();
}

// ---- CChildFrame ----

CChildFrame::CChildFrame(const child_frame_context& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    context_.languages->subscribe(this);
}

CChildFrame::~CChildFrame() {
    context_.languages->unsubscribe(this);
    // The widgets underneath hide the bars and the editor as they tear down, when this is no longer
    // a frame: nothing of theirs may call back into it.
    if (scriptBar_) {
        disconnect(scriptBar_, nullptr, this, nullptr);
        disconnect(scriptBar_->Editor(), nullptr, this, nullptr);
    }
    if (languageList_) disconnect(languageList_, nullptr, this, nullptr);
}

bool CChildFrame::Create() {
    toolBar_ = new QToolBar(tr("Script"), this);
    toolBar_->setObjectName(QStringLiteral("ScriptToolbar"));
    toolBar_->setProperty("barId", toolbar_id::Script);
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The document's views take the middle; the script bar docks below them.
    if (!centralWidget()) SetCentralView(new QWidget(this));
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
            connect(languageList_, &QComboBox::activated, this, &CChildFrame::OnSelectLanguage);
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
    CPhonarcDoc* doc = context_.doc;
    view.SetOwner(static_cast<sync_track_target*>(doc));
    host.audio_path = [doc] { return doc->results_file().audio_path; };
    SetRecordingTimes(&host, [doc] { return doc->audio(); });
    // A cue segment's audio is selected in this frame's timeline, so aligning the current cue
    // point takes the segment's own stretch of the recording.
    host.select_audio = [this](int64_t start, int64_t end) {
        if (auto* timeline = qobject_cast<CPhonarcView*>(centralWidget()))
            timeline->SetSelection(static_cast<int>(start), static_cast<int>(end), false);
    };
    view.SetInitialText(doc->results_file().script_text);
    // The document saves and aligns the script it holds: keep it the editor's text.
    connect(edit, &QPlainTextEdit::textChanged, this, &CChildFrame::SyncScriptToDocument);
    view.SetHost(host);

    if (!show) {
        toolBar_->hide();
        scriptBar_->hide();
    }
    // The buttons follow the script's selection, its history and the bar's visibility; the main
    // window's update step refreshes them for the rest.
    connect(edit, &QPlainTextEdit::selectionChanged, this, &CChildFrame::CommandStateChanged);
    connect(edit, &QPlainTextEdit::undoAvailable, this, &CChildFrame::CommandStateChanged);
    connect(edit, &QPlainTextEdit::textChanged, this, &CChildFrame::CommandStateChanged);
    connect(scriptBar_, &QDockWidget::visibilityChanged, this, &CChildFrame::CommandStateChanged);
    connect(this, &CChildFrame::CommandStateChanged, this, [this] {
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

void CChildFrame::UpdateToolBar() {
    if (!isVisible()) return;  // a hidden frame's buttons are read again when it shows
    for (QAction* a : toolBar_->actions()) {
        const int id = a->data().toInt();
        if (id == 0) continue;
        a->setEnabled(context_.router->Update(id).enabled);
    }
}

void CChildFrame::SyncScriptToDocument() { context_.doc->results_file().script_text = ScriptEdit()->GetText(); }

void CChildFrame::SetCentralView(QWidget* view) {
    view->setObjectName(view->objectName().isEmpty() ? QStringLiteral("DocumentView") : view->objectName());
    setCentralWidget(view);
}

CTranscriptionEdit* CChildFrame::ScriptEdit() const { return scriptBar_ ? scriptBar_->Editor() : nullptr; }

CTranscriptionView& CChildFrame::ScriptView() const { return ScriptEdit()->View(); }

int CChildFrame::GetAlignmentMode() const {
    const int mode = alignList_ ? alignList_->currentIndex() : -1;
    return mode < 0 ? 0 : mode;
}

void CChildFrame::SelectLanguageInCombo(const std::string& name) {
    if (!languageList_) return;
    const int index = languageList_->findText(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) languageList_->setCurrentIndex(index);
}

void CChildFrame::SelectCurrentLanguageInCombo() {
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

void CChildFrame::OnSelectLanguage(int index) {
    // By record, not by name: two lexicons may carry the same name, and each must be choosable.
    const auto& records = context_.languages->GetRecords();
    if (index >= 0 && static_cast<size_t>(index) < records.size())
        context_.languages->SelectLanguage(records[static_cast<size_t>(index)].id);
}

void CChildFrame::notify(publisher* sender, pub_message* message) {
    (void)sender;
    if (static_cast<int>(message->type) == context_.languages->SelChangeMessage() && languageList_)
        SelectCurrentLanguageInCombo();
    message->release();
}

void CChildFrame::OnShowTranscriptionEditor() {
    const bool show = !scriptBar_->isVisible();
    scriptBar_->setVisible(show);
    toolBar_->setVisible(show);
    context_.profile->WriteInt("UI", "ShowTranscribeBar", show ? 1 : 0);
}

void CChildFrame::RunCommand(int id) { context_.router->Execute(id); }

void CChildFrame::OnAddCutMarker() {
    // Tags for the timeline selection at the script selection: the end's first, so the start's
    // position stays valid.
    int s = 0;
    int e = 0;
    if (!context_.doc->GetSelectionMs(&s, &e)) return;
    CTranscriptionView& view = ScriptView();
    int32_t p = 0;
    int32_t q = 0;
    view.GetSel(&p, &q);
    if (p != q && s != e) view.InsertCutTagAt(e, q);
    view.InsertCutTagAt(s, p);
}

void CChildFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateToolBar();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!CanClose()) {
        event->ignore();
        return;
    }
    // Only a frame that really closes leaves its bar's state for the next one.
    if (scriptBar_) context_.profile->WriteInt("UI", "ShowTranscribeBar", scriptBar_->isVisible() ? 1 : 0);
    QMainWindow::closeEvent(event);
}

const std::vector<command_row<CChildFrame>>& CChildFrame::CommandRows() {
    using F = CChildFrame;
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

// ---- the Flash gestures bar ----

void CChildFrame::ShowFlashGesturesBar(bool show) { flashBar_->setVisible(show); }
