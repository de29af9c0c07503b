// The main frame.
#include "app/ui/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <sstream>

#include "app/core/command_router.h"
#include "app/core/profile_store.h"
#include "app/core/string_table.h"
#include "app/ui/app_icons.h"
#include "app/ui/command_ids.h"
#include "app/ui/output_bar.h"
#include "app/ui/sizing_control_bar.h"

namespace {
constexpr int kLayoutVersion = 1;
constexpr int kViewerBarId = 123;
constexpr const char* kLayoutKey = "Layout";
constexpr const char* kBarsKey = "Bars";

int ToolBarId(const QToolBar* bar) { return bar->property("barId").toInt(); }

int VisemeMessageType() {
    static const int type = pub_register_message("MainFrame::Viseme");
    return type;
}

// One mouth shape on its way from the viseme thread to the GUI thread.
class viseme_message : public pub_message {
public:
    explicit viseme_message(const ArticulationKey* k)
        : pub_message(static_cast<uint32_t>(VisemeMessageType())), isMix(true), keyNull(k == nullptr) {
        if (k) key = *k;
    }
    viseme_message(const char* text, int32_t value)
        : pub_message(static_cast<uint32_t>(VisemeMessageType())), label(text ? text : ""), amount(value) {}

    bool isMix = false;
    bool keyNull = false;
    ArticulationKey key{};
    std::string label;
    int32_t amount = 0;
};
}  // namespace

CMainFrame::CMainFrame(CCommandRouter& router, IProfileStore& profile) : router_(router), profile_(profile) {
    setWindowTitle(QString::fromUtf8(LoadProgramString(kIdsMainTitle)));
    setWindowIcon(ProgramIcon());
    setObjectName(QStringLiteral("MainFrame"));
    subscribe(this);
    SetVisemeHandler(this);
}

CMainFrame::~CMainFrame() {
    // Waits for a viseme thread's call in progress; shapes still queued go with the subscriber.
    if (GetVisemeHandler() == this) SetVisemeHandler(nullptr);
}

QAction* CMainFrame::MakeAction(int id, const QString& text, const char* icon) {
    auto* action = new QAction(text, this);
    action->setData(id);
    if (icon) action->setIcon(ThemeIcon(icon));
    connect(action, &QAction::triggered, this, [this, id] {
        router_.Execute(id);
        UpdateCommands();
    });
    actions_[id] = action;
    return action;
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const char* icon) {
    if (QAction* existing = Action(id)) return existing;
    return MakeAction(id, text, icon);
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool CMainFrame::Create() {
    playRewind_ = profile_.GetInt("UI", "Play_Rewind", 1) != 0;
    playLoop_ = profile_.GetInt("UI", "PlayLoop", 0) != 0;

    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);
    setAcceptDrops(true);

    outputBar_ = new COutputBar(this);

    // Actions first: menus and toolbars share them.
    MakeAction(cmd::FileNew, tr("&New"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MakeAction(cmd::FileOpen, tr("&Open..."), "document-open")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    MakeAction(cmd::FileSave, tr("&Save"), "document-save");
    MakeAction(cmd::EditCut, tr("Cu&t"), "edit-cut");
    MakeAction(cmd::EditCopy, tr("&Copy"), "edit-copy");
    MakeAction(cmd::EditPaste, tr("&Paste"), "edit-paste");
    MakeAction(cmd::EditUndo, tr("&Undo"), "edit-undo");
    MakeAction(cmd::EditRedo, tr("&Redo"), "edit-redo");
    MakeAction(cmd::TextlessLipsync, tr("Textless Lipsync"), "textless-lipsync");
    MakeAction(cmd::Play, tr("Play"), "media-playback-start");
    MakeAction(cmd::PlayOrStop, tr("Play or Stop"), "media-playback-pause");
    MakeAction(cmd::Rewind, tr("Rewind"), "media-skip-backward");
    MakeAction(cmd::PlayRewindMode, tr("Play/Rewind"), "media-playlist-repeat")->setCheckable(true);
    MakeAction(cmd::Loop, tr("Loop"))->setCheckable(true);
    MakeAction(cmd::ShowOutputBar, tr("&Output Bar"))->setCheckable(true);
    MakeAction(cmd::ShowCharacterView, tr("&Character View"))->setCheckable(true);
    MakeAction(cmd::ViewToolbar, tr("&Toolbar"))->setCheckable(true);
    MakeAction(cmd::ViewStatusBar, tr("&Status Bar"))->setCheckable(true);
    MakeAction(cmd::PrintSetup, tr("P&rint Setup..."));
    MakeAction(cmd::AppExit, tr("E&xit"));
    MakeAction(cmd::About, tr("&About The Phonarc"));
    MakeAction(cmd::HelpFile, tr("Phonarc Help..."));
    MakeAction(cmd::CharacterSetup, tr("New 3d Character..."));
    MakeAction(cmd::Preferences, tr("&Preferences..."));
    MakeAction(cmd::SaveCompiledCharacter, tr("Save Compiled Character..."));
    MakeAction(cmd::CurrentLanguage, tr("Default - English"))->setCheckable(true);
    MakeAction(cmd::SelectLanguage, tr("Select Language..."));
    addAction(Action(cmd::FileNew));  // an accelerator without a menu item

    auto makeToolBar = [this](int id, const QString& title) {
        auto* bar = new QToolBar(title, this);
        bar->setObjectName(QStringLiteral("ToolBar-%1").arg(id));
        bar->setProperty("barId", id);
        bar->setIconSize(QSize(24, 24));
        addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    mainBar_ = makeToolBar(59400, tr("Standard"));
    for (int id : {cmd::FileOpen, cmd::FileSave, 0, cmd::EditCut, cmd::EditCopy, cmd::EditPaste, 0, cmd::EditUndo,
                   cmd::EditRedo}) {
        if (id) mainBar_->addAction(Action(id));
        else mainBar_->addSeparator();
    }
    recognitionBar_ = makeToolBar(59508, tr("Recognition"));
    rangeList_ = new QComboBox(recognitionBar_);
    rangeList_->setObjectName(QStringLiteral("RecognitionRange"));
    rangeList_->addItems({tr("Lipsync All Audio"), tr("Lipsync Selection Only")});
    rangeList_->setFixedWidth(135);
    rangeList_->setMaxVisibleItems(8);
    rangeList_->setCurrentIndex(0);
    recognitionBar_->addWidget(rangeList_);
    recognitionBar_->addSeparator();
    recognitionBar_->addAction(Action(cmd::TextlessLipsync));
    playbackBar_ = makeToolBar(59509, tr("Playback"));
    for (int id : {cmd::Play, cmd::PlayOrStop, cmd::Rewind, 0, cmd::PlayRewindMode}) {
        if (id) playbackBar_->addAction(Action(id));
        else playbackBar_->addSeparator();
    }

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    const int widths[3] = {70, 70, 30};
    for (int i = 0; i < 3; ++i) {
        panes_[i] = new QLabel(status);
        panes_[i]->setObjectName(QStringLiteral("Pane%1").arg(114 + i));
        panes_[i]->setMinimumWidth(widths[i]);
        panes_[i]->setFrameShape(QFrame::Panel);
        panes_[i]->setFrameShadow(QFrame::Sunken);
        status->addPermanentWidget(panes_[i]);
    }
    status->showMessage(tr("Ready"));

    // Its contents, the head and the actor list, are put in by InstallVisemeBar.
    viewerBar_ = new CSizingControlBar(tr("View"), this, QSize(210, 120), kViewerBarId);
    viewerBar_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    outputBar_->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::BottomDockWidgetArea, outputBar_);
    addDockWidget(Qt::RightDockWidgetArea, viewerBar_);
    outputBar_->setVisible(profile_.GetInt("UI", "ShowOutputBar", 0) != 0);

    AddMenus();
    RegisterCommands();

    if (VerifyBarState("BarState")) {
        CSizingControlBar::LoadBarSizes(this, profile_, "BarState");
        std::string layout;
        profile_.GetBinary("BarState", kLayoutKey, &layout);
        restoreState(QByteArray(layout.data(), static_cast<qsizetype>(layout.size())), kLayoutVersion);
    }

    updateTimer_ = new QTimer(this);
    connect(updateTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommands);
    updateTimer_->start(250);
    UpdateCommands();
    return true;
}

void CMainFrame::AddMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(Action(cmd::FileOpen));
    file->addSeparator();
    file->addAction(Action(cmd::PrintSetup));
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Recent File"));
    recentMenu_->setEnabled(false);
    file->addSeparator();
    file->addAction(Action(cmd::AppExit));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (int id : {cmd::ViewToolbar, cmd::ViewStatusBar, cmd::ShowOutputBar, cmd::ShowCharacterView})
        view->addAction(Action(id));

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->addAction(Action(cmd::CurrentLanguage));
    options->addAction(Action(cmd::SelectLanguage));
    options->addSeparator();
    options->addAction(Action(cmd::PlayRewindMode));
    options->addAction(Action(cmd::Loop));
    options->addSeparator();
    options->addAction(Action(cmd::CharacterSetup));
    options->addAction(Action(cmd::SaveCompiledCharacter));
    options->addAction(Action(cmd::Preferences));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(cmd::HelpFile));
    help->addSeparator();
    help->addAction(Action(cmd::About));

    for (QMenu* menu : {file, view, options, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
}

QMenu* CMainFrame::MenuOf(const QString& title) const {
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove('&') == title) return a->menu();
    return nullptr;
}

void CMainFrame::RegisterCommands() {
    router_.Add(cmd::ShowOutputBar,
                [this] {
                    const bool show = outputBar_->isHidden();
                    outputBar_->setVisible(show);
                    profile_.WriteInt("UI", "ShowOutputBar", show ? 1 : 0);
                },
                [this](CommandState& s) { s.checked = !outputBar_->isHidden(); });
    router_.Add(cmd::ShowCharacterView, [this] { viewerBar_->setVisible(viewerBar_->isHidden()); },
                [this](CommandState& s) { s.checked = !viewerBar_->isHidden(); });
    router_.Add(cmd::PlayRewindMode,
                [this] {
                    playRewind_ = !playRewind_;
                    profile_.WriteInt("UI", "Play_Rewind", playRewind_ ? 1 : 0);
                },
                [this](CommandState& s) { s.checked = playRewind_; });
    router_.Add(cmd::Loop,
                [this] {
                    playLoop_ = !playLoop_;
                    profile_.WriteInt("UI", "PlayLoop", playLoop_ ? 1 : 0);
                },
                [this](CommandState& s) { s.checked = playLoop_; });
    router_.Add(cmd::ViewToolbar, [this] { mainBar_->setVisible(mainBar_->isHidden()); },
                [this](CommandState& s) { s.checked = !mainBar_->isHidden(); });
    router_.Add(cmd::ViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); },
                [this](CommandState& s) { s.checked = !statusBar()->isHidden(); });
    router_.Add(cmd::AppExit, [this] { close(); });
}

void CMainFrame::UpdateCommands() {
    for (const auto& [id, action] : actions_) {
        const CommandState s = router_.Update(id);
        action->setEnabled(s.enabled);
        if (action->isCheckable()) action->setChecked(s.checked);
        if (s.text) action->setText(QString::fromUtf8(s.text->c_str()));
    }
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths, std::function<void(const std::string&)> open) {
    recentMenu_->clear();
    int n = 0;
    for (const std::string& path : paths) {
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QString::fromStdString(path)));
        connect(a, &QAction::triggered, this, [open, path] { open(path); });
    }
    recentMenu_->setEnabled(n > 0);
}

void CMainFrame::SetStatusPanes(const QString& a, const QString& b, const QString& c) {
    panes_[0]->setText(a);
    panes_[1]->setText(b);
    panes_[2]->setText(c);
}

int CMainFrame::GetLipsyncRangeSelection() const {
    if (!rangeList_) return 0;
    const int index = rangeList_->currentIndex();
    return index < 0 ? 0 : index;
}

void CMainFrame::SetLipsyncRangeSelection(int index) {
    if (rangeList_) rangeList_->setCurrentIndex(index);
}

QList<int> CMainFrame::BarIds() const {
    QList<int> ids;
    for (const QToolBar* bar : {mainBar_, recognitionBar_, playbackBar_})
        if (bar) ids << ToolBarId(bar);
    for (const CSizingControlBar* bar : findChildren<CSizingControlBar*>()) ids << bar->BarId();
    return ids;
}

bool CMainFrame::VerifyBarState(const std::string& name) const {
    std::string layout;
    if (!profile_.GetBinary(name, kLayoutKey, &layout) || layout.empty()) return false;
    std::istringstream bars(profile_.GetString(name, kBarsKey, ""));
    const QList<int> known = BarIds();
    int count = 0;
    std::string token;
    while (bars >> token) {
        int id = 0;
        if (!ParseProfileInt(token, &id)) return false;
        if (id == 0) continue;  // a row break
        if (!known.contains(id & 0xFFFF)) return false;
        ++count;
    }
    return count > 0;
}

void CMainFrame::SaveBarState(const std::string& name) {
    CSizingControlBar::SaveBarSizes(this, profile_, name);
    const QByteArray state = saveState(kLayoutVersion);
    profile_.WriteBinary(name, kLayoutKey, std::string(state.constData(), static_cast<size_t>(state.size())));
    std::string ids;
    for (int id : BarIds()) ids += (ids.empty() ? "" : " ") + std::to_string(id);
    profile_.WriteString(name, kBarsKey, ids);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeQuery_ && !closeQuery_()) {
        event->ignore();
        return;
    }
    profile_.WriteInt("UI", "ShowOutputBar", outputBar_ && !outputBar_->isHidden() ? 1 : 0);
    SaveBarState("BarState");
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) emit FileDropped(url.toLocalFile());
    event->acceptProposedAction();
}

void CMainFrame::SetVisemeMix(const ArticulationKey* key) {
    if (QThread::currentThread() == thread()) ApplyViseme(true, key, nullptr, 0);
    else post(new viseme_message(key));
}

void CMainFrame::SetViseme(const char* label, int32_t amount) {
    if (QThread::currentThread() == thread()) ApplyViseme(false, nullptr, label, amount);
    else post(new viseme_message(label, amount));
}

void CMainFrame::notify(publisher*, pub_message* message) {
    if (static_cast<int>(message->type) == VisemeMessageType()) {
        const auto* m = static_cast<const viseme_message*>(message);
        ApplyViseme(m->isMix, m->keyNull ? nullptr : &m->key, m->label.c_str(), m->amount);
    }
    message->release();
}

void CMainFrame::ApplyViseme(bool isMix, const ArticulationKey* key, const char* label, int32_t amount) {
    if (!visemeTarget_) return;
    if (isMix) visemeTarget_->SetVisemeMix(key);
    else visemeTarget_->SetViseme(label, amount);
}
