// The main frame.
#include "app/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <sstream>

#include "app/core/command_router.h"
#include "app/core/command_rows.h"
#include "app/core/command_table.h"
#include "app/ui/app_icons.h"
#include "app/ui/command_menus.h"
#include "app/core/profile_store.h"
#include "app/core/string_table.h"
#include "app/core/command_ids.h"
#include "app/ui/output_bar.h"
#include "app/ui/sizing_control_bar.h"

namespace {
constexpr int kLayoutVersion = 1;
constexpr const char* kLayoutKey = "Layout";
constexpr const char* kPlacementKey = "WindowPlacement";
constexpr const char* kBarsKey = "Bars";

int ToolBarId(const QToolBar* bar) { return bar->property("barId").toInt(); }

}  // namespace

CMainFrame::CMainFrame(CCommandRouter& router, IProfileStore& profile) : router_(router), profile_(profile) {
    setWindowTitle(QString::fromUtf8(LoadProgramString(kIdsMainTitle)));
    setWindowIcon(ProgramIcon());
    setObjectName(QStringLiteral("MainFrame"));
    SetVisemeHandler(this);
}

CMainFrame::~CMainFrame() {
    // The window's own teardown moves the focus and may touch the clipboard: by then this is only a
    // QWidget, so nothing may call back into the frame.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    if (mdi_) disconnect(mdi_, nullptr, this, nullptr);
    // Shapes the players still have on their way find no handler.
    if (GetVisemeHandler() == this) SetVisemeHandler(nullptr);
}

void CMainFrame::MakeActions() {
    for (const CommandInfo& info : CommandTable()) {
        QAction* action = MakeCommandAction(info, this);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] {
            router_.Execute(id);
            UpdateCommands();
        });
        actions_[id] = action;
    }
    // Accelerators without a menu item or a button work through the window itself.
    for (int id : AcceleratorOnlyCommands()) addAction(Action(id));
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
    MakeActions();
    for (const int barId : {toolbar_id::Standard, toolbar_id::Recognition, toolbar_id::Playback}) {
        const ToolBarTree* tree = FindToolBarTree(barId);
        auto* bar = new QToolBar(tr(tree->title), this);
        bar->setObjectName(QStringLiteral("ToolBar-%1").arg(barId));
        bar->setProperty("barId", barId);
        bar->setIconSize(QSize(24, 24));
        addToolBar(Qt::TopToolBarArea, bar);
        for (int id : tree->items) {
            if (id == 0) {
                bar->addSeparator();
            } else if (id == cmd::LipsyncRange) {
                rangeList_ = new QComboBox(bar);
                rangeList_->setObjectName(QStringLiteral("RecognitionRange"));
                rangeList_->addItems({tr("Lipsync All Audio"), tr("Lipsync Selection Only")});
                rangeList_->setMinimumWidth(135);
                rangeList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);  // "Lipsync Selection Only" whole
                rangeList_->setMaxVisibleItems(8);
                rangeList_->setCurrentIndex(0);
                connect(rangeList_, &QComboBox::activated, this, [this](int index) {
                    emit LipsyncRangeChosen(index);
                    RequestCommandUpdate();
                });
                bar->addWidget(rangeList_);
            } else if (QAction* action = Action(id)) {
                bar->addAction(action);
                // Without an icon of the theme or our own the button would be blank: it shows its text.
                auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
                if (button && action->icon().pixmap(QSize(24, 24)).isNull())
                    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            }
        }
        if (barId == toolbar_id::Standard) mainBar_ = bar;
        if (barId == toolbar_id::Recognition) recognitionBar_ = bar;
        if (barId == toolbar_id::Playback) playbackBar_ = bar;
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
    viewerBar_ = new CSizingControlBar(tr("View"), this, QSize(210, 120), bar_id::Viewer);
    viewerBar_->UseFocusCaption();
    viewerBar_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    outputBar_->setAllowedAreas(Qt::AllDockWidgetAreas);
    addDockWidget(Qt::BottomDockWidgetArea, outputBar_);
    addDockWidget(Qt::RightDockWidgetArea, viewerBar_);
    outputBar_->setVisible(profile_.GetInt("UI", "ShowOutputBar", 0) != 0);

    AddMenus();
    InstallCommandRows(router_, CommandRows(), *this);

    if (VerifyBarState("BarState")) {
        CSizingControlBar::LoadBarSizes(this, profile_, "BarState");
        std::string layout;
        profile_.GetBinary("BarState", kLayoutKey, &layout);
        restoreState(QByteArray(layout.data(), static_cast<qsizetype>(layout.size())), kLayoutVersion);
    }

    // States follow what changes them (the document, the selection, the clipboard, the focus)
    // and are read again before a menu shows; nothing polls.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::RequestCommandUpdate);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::RequestCommandUpdate);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::RequestCommandUpdate);
    UpdateCommands();
    return true;
}

void CMainFrame::AddMenus() {
    const auto shared = [this](const MenuItem& item) { return Action(item.id); };
    const auto made = [this](QMenu* menu) { connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands); };
    for (const MenuItem& top : FindMenuTree(menu_id::MainMenu)->items) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(top.text));
        menu->setObjectName(QStringLiteral("Menu-") + MenuTitle(top.text));
        made(menu);
        FillMenu(menu, top.items, shared, &lists_, made);
    }
    recentMenu_ = lists_[cmd::FileMru1];
    recentMenu_->setEnabled(false);
    windowMenu_ = lists_[cmd::WindowFirstDocument];
    connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillWindowList);
}

void CMainFrame::FillWindowList() {
    for (QAction* a : windowActions_) {
        windowMenu_->removeAction(a);
        delete a;
    }
    windowActions_.clear();
    int n = 0;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        QAction* a = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        a->setData(cmd::WindowFirstDocument + n - 1);
        a->setCheckable(true);
        a->setChecked(sub == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] {
            if (mdi_->subWindowList().contains(sub)) mdi_->setActiveSubWindow(sub);
        });
        windowActions_.push_back(a);
    }
}

QMenu* CMainFrame::BuildPopup(int menuId, QWidget* parent) {
    UpdateCommands();
    PopupRouting routing;
    routing.state = [this](int id) { return router_.Update(id); };
    routing.run = [this](int id) {
        router_.Execute(id);
        UpdateCommands();
    };
    return BuildPopupMenu(menuId, parent ? parent : this, routing);
}

void CMainFrame::RequestCommandUpdate() {
    if (updatePending_) return;
    updatePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePending_ = false;
            UpdateCommands();
        },
        Qt::QueuedConnection);
}

QMenu* CMainFrame::MenuOf(const QString& title) const {
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove('&') == title) return a->menu();
    return nullptr;
}

QMenu* CMainFrame::SubMenuOf(QMenu* menu, const QString& title) {
    for (QAction* a : menu ? menu->actions() : QList<QAction*>())
        if (a->menu() && a->text().remove('&') == title) return a->menu();
    return nullptr;
}

std::vector<command_row<CMainFrame>> CMainFrame::CommandRows() {
    using F = CMainFrame;
    const auto has_documents = [](F& f) { return EnabledIf(!f.mdi_->subWindowList().isEmpty()); };
    return {
        {cmd::ShowOutputBar,
         [](F& f) {
             const bool show = f.outputBar_->isHidden();
             f.outputBar_->setVisible(show);
             f.profile_.WriteInt("UI", "ShowOutputBar", show ? 1 : 0);
         },
         [](F& f) { return CheckedIf(!f.outputBar_->isHidden()); }},
        {cmd::ShowCharacterView, [](F& f) { f.viewerBar_->setVisible(f.viewerBar_->isHidden()); },
         [](F& f) { return CheckedIf(!f.viewerBar_->isHidden()); }},
        {cmd::PlayRewindMode,
         [](F& f) {
             f.playRewind_ = !f.playRewind_;
             f.profile_.WriteInt("UI", "Play_Rewind", f.playRewind_ ? 1 : 0);
         },
         [](F& f) { return CheckedIf(f.playRewind_); }},
        {cmd::Loop,
         [](F& f) {
             f.playLoop_ = !f.playLoop_;
             f.profile_.WriteInt("UI", "PlayLoop", f.playLoop_ ? 1 : 0);
         },
         [](F& f) { return CheckedIf(f.playLoop_); }},
        {cmd::ViewToolbar, [](F& f) { f.mainBar_->setVisible(f.mainBar_->isHidden()); },
         [](F& f) { return CheckedIf(!f.mainBar_->isHidden()); }},
        {cmd::ViewStatusBar, [](F& f) { f.statusBar()->setVisible(f.statusBar()->isHidden()); },
         [](F& f) { return CheckedIf(!f.statusBar()->isHidden()); }},
        {cmd::AppExit, [](F& f) { f.close(); }},
        {cmd::WindowCascade, [](F& f) { f.mdi_->cascadeSubWindows(); }, has_documents},
        {cmd::WindowTile, [](F& f) { f.mdi_->tileSubWindows(); }, has_documents},
    };
}

void CMainFrame::UpdateCommands() {
    for (const auto& [id, action] : actions_) {
        const CommandState s = router_.Update(id);
        action->setEnabled(s.enabled);
        if (action->isCheckable()) action->setChecked(s.checked);
        // Without a text of the moment the item takes its own back (Undo no longer names an action).
        const CommandInfo* info = FindCommand(id);
        if (s.text) action->setText(QString::fromUtf8(s.text->c_str()));
        else if (info) action->setText(QString::fromStdString(info->text));
    }
    emit CommandsUpdated();
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
    // The frame's own bars only: the document frames' bars come and go with the documents.
    for (const CSizingControlBar* bar : CSizingControlBar::BarsOf(this)) ids << bar->BarId();
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
    const QByteArray placement = saveGeometry();
    profile_.WriteBinary("UI", kPlacementKey, std::string(placement.constData(), static_cast<size_t>(placement.size())));
    event->accept();
}

void CMainFrame::ShowWithSavedPlacement() {
    std::string saved;
    if (profile_.GetBinary("UI", kPlacementKey, &saved) &&
        restoreGeometry(QByteArray(saved.data(), static_cast<qsizetype>(saved.size())))) {
        show();  // maximised again when it was
        activateWindow();
        return;
    }
    // A timeline wants width and the bars want height: nine tenths of the screen, centred.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 9 / 10, available.height() * 9 / 10);
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    // Without a window manager nobody else activates it, and the menus' Alt keys reach only an
    // active window.
    activateWindow();
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
    if (visemeTarget_) visemeTarget_->SetVisemeMix(key);
}

void CMainFrame::SetViseme(const char* label, int32_t amount) {
    if (visemeTarget_) visemeTarget_->SetViseme(label, amount);
}
