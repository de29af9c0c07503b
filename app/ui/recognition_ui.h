// The recognition commands in the main window: the model menu, Lipsync With Text and Textless
// Lipsync in the Lipsync menu and on the recognition toolbar, and the runner that recognises on a
// worker thread under the progress dialog, so the window repaints and Cancel answers at once.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "app/core/recognition_commands.h"

class CCommandRouter;
class CMainFrame;
class CPhonarcDoc;
class lexicon_mgr;

// GUI thread only.
class CRecognitionUi : public QObject {
    Q_OBJECT
public:
    CRecognitionUi(CMainFrame& frame, CCommandRouter& router, lexicon_mgr& languages,
                   std::function<CPhonarcDoc*()> active_document);

    // The script editor of the active document; without one the document's script is aligned whole.
    void SetScriptSource(std::function<script_alignment_source*()> source) { script_ = std::move(source); }
    // Adds the commands to the router and their items to the Lipsync menu and the toolbar.
    void Install();
    // Whether a recognition is running (its progress dialog is up).
    bool Running() const { return running_; }

    // Runs the recognition on a worker thread; the GUI thread shows its progress until it ends.
    void RunWithProgress(const std::string& status, RecognitionParams& params, RecognitionResult* result);

private:
    recognition_context Context();
    void Align();
    void Textless();

    CMainFrame& frame_;
    CCommandRouter& router_;
    lexicon_mgr& languages_;
    std::function<CPhonarcDoc*()> active_;
    std::function<script_alignment_source*()> script_;
    bool running_ = false;
};
