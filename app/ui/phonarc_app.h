// The application: starts the program in a fixed order, sets the post queue's wake-up (one
// queued call on the GUI thread per batch posted, no polling), owns the application-level
// commands and stores the language and actor choices when the program ends.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/core/actor_mgr.h"
#include "app/core/command_router.h"
#include "app/core/command_rows.h"
#include "app/core/lexicon_mgr.h"
#include "app/ui/help_file.h"  // ExtractHelpFile, once declared here

class CDocManager;
class CMainFrame;
class IProfileStore;
class IPrompts;

// GUI thread only.
class CPhonarcApp : public QObject {
    Q_OBJECT
public:
    // The profile and the prompts outlive the application. programFolder holds "dicts".
    CPhonarcApp(IProfileStore& profile, IPrompts& prompts, std::string programFolder);
    ~CPhonarcApp() override;

    // Languages, recent files, audio readers, actors, the main frame, the command line (files to
    // open; options starting with "--" are the caller's), then shows the window. False when the
    // main frame cannot be made.
    bool InitInstance(const QStringList& arguments);
    // Writes the language and actor choices and removes the post queue. Returns the exit code.
    int ExitInstance();
    // Delivers what other threads posted. The post queue's wake-up does this on its own; tests
    // that wait in a loop of their own call it.
    void OnIdle();

    // Opens a recording or results file as a document; false when it does not open.
    bool OpenDocumentFile(const std::string& path);
    // Open documents (none until documents exist).
    int DocumentCount() const;

    lexicon_mgr& Languages() { return languages_; }
    actor_mgr& Actors() { return actors_; }
    CCommandRouter& Router() { return router_; }
    CMainFrame* MainFrame() const { return frame_.get(); }
    CDocManager* Documents() const { return docs_.get(); }
    const std::vector<std::string>& RecentFiles() const { return recentFiles_; }

private:
    void LoadLanguages();
    // The application's commands: New, Open, About, the help, the language.
    std::vector<command_row<CPhonarcApp>> CommandRows();
    void OnFileOpen();
    // A recent file that does not open leaves the list.
    void OnOpenRecentFile(const std::string& path);
    void OnShowHelpFile();

    IProfileStore& profile_;
    IPrompts& prompts_;
    std::string programFolder_;
    lexicon_mgr languages_;
    actor_mgr actors_;
    CCommandRouter router_;
    std::vector<std::string> recentFiles_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CDocManager> docs_;
};
