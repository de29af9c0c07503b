// The frame of one document inside the main window's document area: the document's views in the
// middle, the "Script Editor" bar docked at the bottom, and the script toolbar with the alignment
// choice and the language list. The language list follows the program's current language in
// every frame through the post queue.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

#include "app/ui/sizing_control_bar.h"
#include "model/messaging.h"

class CCommandRouter;
class CPhonarcDoc;
class CTranscriptionEdit;
class CTranscriptionView;
class IProfileStore;
class IPrompts;
class QComboBox;
class QMdiArea;
class QToolBar;
class lexicon_mgr;
class undo_owner;

// The texts of the alignment list; its selection is the alignment mode.
extern const char* const kAlignmentTexts[3];

// The bar that hosts the script editor.
class CTranscriptionBar : public CSizingControlBar {
    Q_OBJECT
public:
    explicit CTranscriptionBar(QWidget* parent);
    CTranscriptionEdit* Editor() const { return edit_; }

private:
    CTranscriptionEdit* edit_;
};

// What a frame works with; every pointer is borrowed and outlives the frame. Without a document
// the script editor keeps a history of its own.
struct child_frame_context {
    CPhonarcDoc* doc = nullptr;
    lexicon_mgr* languages = nullptr;  // required
    IProfileStore* profile = nullptr;  // required
    IPrompts* prompts = nullptr;       // required
    CCommandRouter* router = nullptr;  // the toolbar's buttons go through it when set
};

// GUI thread only.
class CChildFrame : public QMainWindow, public subscriber {
    Q_OBJECT
public:
    explicit CChildFrame(const child_frame_context& context, QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Builds the bars and lists; false when one of them can't be made.
    bool Create();

    // The document's view in the middle of the frame (the frame takes it over).
    void SetCentralView(QWidget* view);

    int GetAlignmentMode() const;
    void SelectLanguageInCombo(const std::string& name);
    // The frame's own commands and those of its script editor; false when neither has the id.
    bool OnCmdMsg(int id);
    // Enabled, checked and text of the frame's commands; false for an id it does not have.
    bool OnUpdateCmd(int id, bool* enabled, bool* checked) const;
    void OnShowTranscriptionEditor();
    // Enables the script toolbar's buttons as their commands say; called when CommandStateChanged
    // and by the main window's update step.
    void UpdateToolBar();

    CPhonarcDoc* Document() const { return context_.doc; }
    CTranscriptionBar* ScriptBar() const { return scriptBar_; }
    CTranscriptionEdit* ScriptEdit() const;
    CTranscriptionView& ScriptView() const;
    QToolBar* ScriptToolBar() const { return toolBar_; }
    QComboBox* AlignmentList() const { return alignList_; }
    QComboBox* LanguageList() const { return languageList_; }

    void notify(publisher* sender, pub_message* message) override;

signals:
    // The script's selection, its history or the bars changed: command states may have changed.
    void CommandStateChanged();

public:

    // Adds the script commands to the router: each runs in the active frame of the area. Ids that
    // another part of the program registered already stay its own.
    static void RegisterCommands(CCommandRouter& router, std::function<CChildFrame*()> active);
    // The frame of the area's active window, if it is one of these frames.
    static CChildFrame* ActiveIn(QMdiArea* area);

protected:
    virtual void CreateExtraBars() {}
    virtual void DockExtraBars() {}
    // Whether the frame may close (a modified document asks first); true here.
    virtual bool CanClose() { return true; }
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnSelectLanguage(int index);
    // Selects the current language's entry of the language list.
    void SelectCurrentLanguageInCombo();
    void RunCommand(int id);
    void SyncScriptToDocument();

    child_frame_context context_;
    CTranscriptionBar* scriptBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* alignList_ = nullptr;
    QComboBox* languageList_ = nullptr;
    bool toolBarUpdatePending_ = false;
};

// The frame of the program's document template: adds the "Flash Gestures" bar, hidden until the
// Flash document shows it.
class CChildFrameFla : public CChildFrame {
    Q_OBJECT
public:
    using CChildFrame::CChildFrame;
    void ShowFlashGesturesBar(bool show);
    CSizingControlBar* FlashBar() const { return flashBar_; }

protected:
    void CreateExtraBars() override;
    void DockExtraBars() override;

private:
    CSizingControlBar* flashBar_ = nullptr;
};
