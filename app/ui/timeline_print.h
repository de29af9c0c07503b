// Printing the timeline: Print Setup, Print and Print Preview of the active document's view. The
// page is the view's composed picture, as the window shows it, fitted to the printable area.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "app/core/command_rows.h"

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
    explicit CTimelinePrinter(CMainFrame& frame);
    ~CTimelinePrinter() override;

    // Print Setup, over this printer.
    std::vector<command_row<CTimelinePrinter>> SetupRows();
    // Print and Print Preview, over the active view; the printer outlives them.
    std::vector<command_row<CPhonarcView>> PrintRows();

    void OnPrintSetup();
    void OnPrint(CPhonarcView& view);
    void OnPrintPreview(CPhonarcView& view);

    // The printer the commands use; tests point it at a PDF file.
    QPrinter& Printer() { return *printer_; }

private:
    CMainFrame& frame_;
    std::unique_ptr<QPrinter> printer_;
};
