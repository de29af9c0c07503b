// The open documents of the main window: opening files (menu, recent list, drag and drop,
// command line) into a document and its frame, asking to save each modified document before the
// program closes, and the active context the commands act on: it installs every feature's rows
// over the active document, its frame or its view (the main frame's own over the main frame).
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/active_context.h"
#include "app/core/document_host.h"
#include "app/ui/frame_script_source.h"
#include "app/ui/marker_commands_ui.h"

class CCommandRouter;
class CDocumentFrame;
class CMainFrame;
class CPhonarcDoc;
class CPhonarcView;
class CRecognitionUi;
class IProfileStore;
class IPrompts;
class lexicon_mgr;

// GUI thread only.
class CDocManager : public QObject, public active_context {
    Q_OBJECT
public:
    CDocManager(CMainFrame& frame, CCommandRouter& router, IProfileStore& profile, IPrompts& prompts,
                lexicon_mgr& languages);
    ~CDocManager() override;

    // Installs every feature's rows into the router; once, after the main frame is created.
    void Install();
    CPhonarcDoc* Document() const override { return ActiveDocument(); }
    bool Recognising() const override;
    // A path already open activates its frame. False when the file does not open.
    bool OpenDocumentFile(const std::string& path);
    int DocumentCount() const { return static_cast<int>(docs_.size()); }
    CPhonarcDoc* ActiveDocument() const;
    CDocumentFrame* ActiveFrame() const;
    // Asks for each modified document; false when the user cancelled (nothing was closed then
    // that was not saved or discarded).
    bool CloseAll();
    // Called with the path of every file opened or saved under a new name (the recent list).
    void SetPathUsed(std::function<void(const std::string&)> f) { pathUsed_ = std::move(f); }
    // Opens without a progress dialog (tests).
    void SetShowProgress(bool show) { showProgress_ = show; }
    CRecognitionUi* Recognition() const { return recognition_.get(); }

private:
    struct entry {
        std::unique_ptr<CPhonarcDoc> doc;
        CDocumentFrame* frame;
    };
    document_host Host();
    // File Close, Save, Save As and the phoneme test dialog.
    std::vector<command_row<CDocManager>> CommandRows();
    void UpdateTitle();
    // The title, the status panes and the head follow the active document (empty panes and the
    // head at rest with none).
    void ActiveFrameChanged();
    // The head shows the active document's mouth at its cursor, at the next turn of the event
    // loop: a head draws at once, and a drawing now would paint a frame being made at a size it
    // does not keep.
    void ShowActiveMouth();
    void FrameDestroyed(QObject* frame);
    void SaveActive(bool save_as);
    // The document's save question; a save under a new name joins the recent list.
    bool SaveModified(CPhonarcDoc& doc);

    CMainFrame& frame_;
    CCommandRouter& router_;
    IProfileStore& profile_;
    IPrompts& prompts_;
    lexicon_mgr& languages_;
    std::vector<entry> docs_;
    // Documents whose frames are being destroyed; deleted at the next turn of the event loop.
    std::vector<std::unique_ptr<CPhonarcDoc>> retired_;
    std::function<void(const std::string&)> pathUsed_;
    bool showProgress_ = true;
    bool mouthPending_ = false;
    std::unique_ptr<CRecognitionUi> recognition_;
    CFrameScriptSource scriptSource_;
    CMarkerCommandDialogs markerDialogs_;
};

// The targets of the frame's and the view's rows: the active document's frame and its view.
CDocumentFrame* TargetOf(const CDocManager& docs, CDocumentFrame*);
CPhonarcView* TargetOf(const CDocManager& docs, CPhonarcView*);
