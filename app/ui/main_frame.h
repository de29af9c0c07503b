// The main window: the document area, the menus and three toolbars, the recognition-range list,
// the status bar, the "View" bar docked right and the "Output Window" bar; keeps the two
// playback options and the docking layout, and is the process-wide viseme handler, which passes
// mouth shapes on to the viewer bar.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/core/command_rows.h"
#include "views/playback/viseme_handler.h"

class CCommandRouter;
class COutputBar;
class CSizingControlBar;
class IProfileStore;
class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

// GUI thread only. The viseme player's shapes reach it through the player's viseme_relay; once
// the destructor has begun the frame is no longer the process-wide viseme handler.
class CMainFrame : public QMainWindow, public IVisemeHandler {
    Q_OBJECT
public:
    // Becomes the process-wide viseme handler.
    CMainFrame(CCommandRouter& router, IProfileStore& profile);
    ~CMainFrame() override;

    // Builds the bars and menus, installs the frame's own rows into the router, reads the playback
    // options and applies a saved layout that passes VerifyBarState. False when a part cannot be
    // made.
    bool Create();

    void SetStatusPanes(const QString& a, const QString& b, const QString& c);
    int GetLipsyncRangeSelection() const;
    void SetLipsyncRangeSelection(int index);
    bool PlayRewind() const { return playRewind_; }
    bool PlayLoop() const { return playLoop_; }

    // Whether the layout saved under the name lists only bars this frame has.
    bool VerifyBarState(const std::string& name) const;
    // Saves the bar sizes and the layout under the name.
    void SaveBarState(const std::string& name);
    // Shows the window as the last session left it (maximised or its size and place); the
    // first time, it fills most of the screen.
    void ShowWithSavedPlacement();

    // Pass the shape on to the viseme target at once.
    void SetVisemeMix(const ArticulationKey* key) override;
    void SetViseme(const char* label, int32_t amount) override;
    // Where shapes go (the viewer bar); null drops them.
    void SetVisemeTarget(IVisemeHandler* target) { visemeTarget_ = target; }

    // The menu entry or toolbar button of a command; null when the frame has none.
    QAction* Action(int id) const;
    // A pop-up menu of the command tree (the timeline's context menu...) whose items run through the
    // frame's router; the caller owns it.
    QMenu* BuildPopup(int menuId, QWidget* parent = nullptr);
    // Asked before the window closes; false keeps it open (a modified document was not let go).
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }
    // A menu of the menu bar, or a sub-menu, by its title without '&' (for tests and screenshots).
    QMenu* MenuOf(const QString& title) const;
    static QMenu* SubMenuOf(QMenu* menu, const QString& title);
    QMdiArea* MdiArea() const { return mdi_; }
    COutputBar* OutputBar() const { return outputBar_; }
    CSizingControlBar* ViewerBar() const { return viewerBar_; }
    // Asks the router for every action's state, then tells CommandsUpdated.
    void UpdateCommands();
    // Something a command's state depends on changed: one update once the event loop is free.
    void RequestCommandUpdate();
    // Fills the recent-file entries of the File menu; choosing one runs open.
    void SetRecentFiles(const std::vector<std::string>& paths, std::function<void(const std::string&)> open);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

signals:
    void FileDropped(const QString& path);
    // After every update of the commands' states (the document frames' toolbars follow it).
    void CommandsUpdated();
    // The user chose an item of the recognition-range list (not when a document sets it).
    void LipsyncRangeChosen(int index);

private:
    void MakeActions();
    void AddMenus();
    void FillWindowList();
    // The frame's own commands: its bars, the playback options, Exit and the window layouts.
    std::vector<command_row<CMainFrame>> CommandRows();
    QList<int> BarIds() const;

    CCommandRouter& router_;
    IProfileStore& profile_;
    std::map<int, QAction*> actions_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* mainBar_ = nullptr;
    QToolBar* recognitionBar_ = nullptr;
    QToolBar* playbackBar_ = nullptr;
    QComboBox* rangeList_ = nullptr;
    QLabel* panes_[3] = {};
    CSizingControlBar* viewerBar_ = nullptr;
    COutputBar* outputBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::vector<QAction*> windowActions_;
    std::map<int, QMenu*> lists_;  // the menus that hold run-time lists, by the list's first id
    bool updatePending_ = false;
    std::function<bool()> closeQuery_;
    bool playRewind_ = true;
    bool playLoop_ = false;

    IVisemeHandler* visemeTarget_ = nullptr;
};
