// What a document frame adds for the Flash document: the "Flash Gestures" bar with one thumbnail
// per clip of the template, the timeline's gesture channel shown on request, and the Flash
// document's commands.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "app/core/phonarc_doc_flash.h"

class CCommandRouter;
class CMainFrame;
class FlashCharacterBar;
class QMainWindow;

// Lives as a child of the frame; the document outlives it. GUI thread only.
class CFlashDocumentBinding : public QObject, public flash_document_frame {
    Q_OBJECT
public:
    // The bar is docked in frame, hidden until a template is loaded; a click on the empty bar
    // runs command 32956 through run_command.
    CFlashDocumentBinding(CPhonarcDocFlash& doc, QMainWindow* frame, std::function<void(int)> run_command);
    ~CFlashDocumentBinding() override;

    void ShowFlashGesturesBar(bool show) override;
    void ShowChannel(uint32_t bit) override;
    flash_gesture_selection* FindFlashGesturesView() override;

    // The timeline view's way to show a channel; until it is set nothing is shown.
    void SetShowChannel(std::function<void(uint32_t)> show) { showChannel_ = std::move(show); }
    FlashCharacterBar* Bar() const { return bar_; }
    CPhonarcDocFlash& Document() const { return doc_; }
    // The binding of a frame, or null.
    static CFlashDocumentBinding* Of(QObject* frame);

private:
    CPhonarcDocFlash& doc_;
    FlashCharacterBar* bar_;
    std::function<void(uint32_t)> showChannel_;
};

// The Flash document's commands for the active document, and "Extract Gestures" in the Lipsync
// menu.
void InstallFlashDocumentCommands(CMainFrame& frame, CCommandRouter& router,
                                  std::function<CPhonarcDocFlash*()> active);
