// The frame of one document inside the main window's document area: the document's timeline view
// in the middle, the "Script Editor" bar docked at the bottom, the script toolbar with the
// alignment choice and the language list, and the "Flash Gestures" bar, hidden until the Flash
// document shows it. The language list follows the program's current language in every frame
// through the post queue.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "app/core/command_rows.h"
#include "app/core/document_host.h"
#include "app/ui/sizing_control_bar.h"
#include "model/messaging.h"

class CCommandRouter;
class CPhonarcDoc;
class CPhonarcView;
class CTranscriptionEdit;
class CTranscriptionView;
class IProfileStore;
class IPrompts;
class QComboBox;
class QToolBar;
class lexicon_mgr;
struct timeline_view_setup;

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

// What a frame works with beside its document; every pointer is borrowed, required, and outlives
// the frame.
struct document_frame_context {
    lexicon_mgr* languages = nullptr;
    IProfileStore* profile = nullptr;
    IPrompts* prompts = nullptr;
    CCommandRouter* router = nullptr;  // the toolbar's buttons and the editor's menu go through it
};

// GUI thread only. Views its document; closing asks to save a modified document first.
class CDocumentFrame : public QMainWindow, public subscriber, public document_view {
    Q_OBJECT
public:
    // The view is made with the setup; the commands it runs and its context menu make this frame
    // the active one first, so that they act on this frame's document. Create() builds the bars.
    CDocumentFrame(CPhonarcDoc& doc, const document_frame_context& context, timeline_view_setup setup,
                   QWidget* parent = nullptr);
    ~CDocumentFrame() override;

    // Builds the bars and lists; false when one of them can't be made.
    bool Create();

    CPhonarcDoc& Document() const { return doc_; }
    CPhonarcView* View() const { return view_; }
    // The document in words (audio, script, the three tracks' counts and extent) and what it wrote
    // to the output log.
    QString SummaryText() const;
    // Asked when the frame closes; true lets it close. Without one the document is asked directly.
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

    int GetAlignmentMode() const;
    void SelectLanguageInCombo(const std::string& name);
    void OnShowTranscriptionEditor();
    // Enables the script toolbar's buttons as their commands say; called when CommandStateChanged
    // and by the main window's update step.
    void UpdateToolBar();
    void ShowFlashGesturesBar(bool show);
    CSizingControlBar* FlashBar() const { return flashBar_; }

    CTranscriptionBar* ScriptBar() const { return scriptBar_; }
    CTranscriptionEdit* ScriptEdit() const;
    CTranscriptionView& ScriptView() const;
    QToolBar* ScriptToolBar() const { return toolBar_; }
    QComboBox* AlignmentList() const { return alignList_; }
    QComboBox* LanguageList() const { return languageList_; }

    void notify(publisher* sender, pub_message* message) override;

    void SetTracks(const app_sync_results* tracks) override;
    void SetAudioStream(CMemoryPCMStream* audio) override;
    void RedrawChannels(bool all) override;
    void DocumentChanged() override;

    // The frame's own commands and those of its script editor (Undo and Redo are the document's),
    // as rows over the active frame.
    static const std::vector<command_row<CDocumentFrame>>& CommandRows();

signals:
    // The script's selection, its history or the bars changed: command states may have changed.
    void CommandStateChanged();
    void TitleChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Whether the frame may close (a modified document asks first).
    bool CanClose();
    void Refresh();
    // Makes the frame's window the active one of its document area, as a click into it would.
    void Activate();
    void OnSelectLanguage(int index);
    // Selects the current language's entry of the language list.
    void SelectCurrentLanguageInCombo();
    void RunCommand(int id);
    void SyncScriptToDocument();
    void OnAddCutMarker();

    CPhonarcDoc& doc_;
    document_frame_context context_;
    CPhonarcView* view_ = nullptr;
    std::function<bool()> closeQuery_;
    CTranscriptionBar* scriptBar_ = nullptr;
    CSizingControlBar* flashBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* alignList_ = nullptr;
    QComboBox* languageList_ = nullptr;
    bool toolBarUpdatePending_ = false;
};
