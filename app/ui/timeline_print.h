// Printing the timeline: Print Setup, Print and Print Preview of the active document's view. The
// page is the view's composed picture, as the window shows it, fitted to the printable area.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class CCommandRouter;
class CMainFrame;
class CPhonarcView;
class QPrinter;

// Draws the view's composed picture on one page of the printer; false when the view has nothing
// to show (no recording) or the printer cannot be painted on.
bool PrintTimelinePage(CPhonarcView& view, QPrinter& printer);

// Keeps the printer settings between commands (so Print Setup's choices reach Print) and runs the
// dialogs. GUI thread only; a child of the main frame.
class CTimelinePrinter : public QObject {
    Q_OBJECT
public:
    CTimelinePrinter(CMainFrame& frame, std::function<CPhonarcView*()> activeView);
    ~CTimelinePrinter() override;

    // Registers the three commands' handlers with the router (the command table places them).
    void Install(CCommandRouter& router);

    void OnPrintSetup();
    void OnPrint();
    void OnPrintPreview();

    // The printer the commands use; tests point it at a PDF file.
    QPrinter& Printer() { return *printer_; }

private:
    CMainFrame& frame_;
    std::function<CPhonarcView*()> activeView_;
    std::unique_ptr<QPrinter> printer_;
};

// Makes the frame's printer object and installs its commands; returns it (owned by the frame).
CTimelinePrinter* InstallPrintCommands(CMainFrame& frame, CCommandRouter& router,
                                       std::function<CPhonarcView*()> activeView);
