// What the recognition commands (RecognitionCommandRows) need of the main window: the runner that
// recognises on a worker thread under the progress dialog, so the window repaints and Cancel
// answers at once, the languages and the active script editor.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "app/core/recognition_commands.h"

class CMainFrame;
class lexicon_mgr;

// GUI thread only.
class CRecognitionUi : public QObject {
    Q_OBJECT
public:
    CRecognitionUi(CMainFrame& frame, lexicon_mgr& languages);

    // The script editor of the active document; without one the document's script is aligned whole.
    void SetScriptSource(std::function<script_alignment_source*()> source) { script_ = std::move(source); }
    // What a command run works with: the languages, the script editor, the runner below.
    recognition_context Context();
    // Whether a recognition is running (its progress dialog is up).
    bool Running() const { return running_; }

    // Runs the recognition on a worker thread; the GUI thread shows its progress until it ends.
    void RunWithProgress(const std::string& status, RecognitionParams& params, RecognitionResult* result);

private:
    CMainFrame& frame_;
    lexicon_mgr& languages_;
    std::function<script_alignment_source*()> script_;
    bool running_ = false;
};
