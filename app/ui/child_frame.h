// The bars of a document's frame inside the main window's document area: the document's views in
// the middle, the "Script Editor" bar docked at the bottom, the script toolbar with the alignment
// choice and the language list, and the "Flash Gestures" bar, hidden until the Flash document
// shows it. The language list follows the program's current language in every frame through the
// post queue. The program's frame, CDocumentFrame (document_frame.h), is built on it.
#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "app/core/command_rows.h"
#include "app/ui/sizing_control_bar.h"
#include "model/messaging.h"

class CCommandRouter;
class CPhonarcDoc;
class CTranscriptionEdit;
class CTranscriptionView;
class IProfileStore;
class IPrompts;
class QComboBox;
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

// What a frame works with; every pointer is borrowed, required, and outlives the frame.
struct child_frame_context {
    CPhonarcDoc* doc = nullptr;
    lexicon_mgr* languages = nullptr;
    IProfileStore* profile = nullptr;
    IPrompts* prompts = nullptr;
    CCommandRouter* router = nullptr;  // the toolbar's buttons and the editor's menu go through it
};

// GUI thread only.
class CChildFrame : public QMainWindow, public subscriber {
    Q_OBJECT
public:
    ~CChildFrame() override;

    // Builds the bars and lists; false when one of them can't be made.
    bool Create();

    // The document's view in the middle of the frame (the frame takes it over).
    void SetCentralView(QWidget* view);

    int GetAlignmentMode() const;
    void SelectLanguageInCombo(const std::string& name);
    void OnShowTranscriptionEditor();
    // Enables the script toolbar's buttons as their commands say; called when CommandStateChanged
    // and by the main window's update step.
    void UpdateToolBar();
    void ShowFlashGesturesBar(bool show);
    CSizingControlBar* FlashBar() const { return flashBar_; }

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
    // The frame's own commands and those of its script editor (Undo and Redo are the document's),
    // as rows over the active frame.
    static const std::vector<command_row<CChildFrame>>& CommandRows();

protected:
    // Only the document frame is made: it gives the document's view and its close question.
    explicit CChildFrame(const child_frame_context& context, QWidget* parent = nullptr);
    // Whether the frame may close (a modified document asks first).
    virtual bool CanClose() = 0;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnSelectLanguage(int index);
    // Selects the current language's entry of the language list.
    void SelectCurrentLanguageInCombo();
    void RunCommand(int id);
    void SyncScriptToDocument();
    void OnAddCutMarker();

    child_frame_context context_;
    CTranscriptionBar* scriptBar_ = nullptr;
    CSizingControlBar* flashBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* alignList_ = nullptr;
    QComboBox* languageList_ = nullptr;
    bool toolBarUpdatePending_ = false;
};
