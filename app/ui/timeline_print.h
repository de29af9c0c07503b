// Printing the timeline: Print Setup, Print and Print Preview of the active document's view. The
// page is the view's composed picture, as the window shows it, fitted to the printable area.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "app/core/command_rows.h"

class CDocumentFrame;
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
    // Print and Print Preview, over the active document's view; the printer outlives them.
    std::vector<command_row<CDocumentFrame>> PrintRows();

    void OnPrintSetup();
    // The document's path names the print job and the file a print to a file proposes.
    void OnPrint(CPhonarcView& view, const std::string& documentPath);
    void OnPrintPreview(CPhonarcView& view, const std::string& documentPath);

    // The printer the commands use; tests point it at a PDF file.
    QPrinter& Printer() { return *printer_; }

private:
    // The job takes the document's file name, so the print dialog proposes "<name>.pdf"; a print
    // to a file proposes that file beside the document, or in the folder of the file printed
    // last for another document. A file chosen for this document stays.
    void NameAfter(const std::string& documentPath);

    CMainFrame& frame_;
    std::unique_ptr<QPrinter> printer_;
    std::string fileFor_;  // the document the printer's output file was last printed for
};
