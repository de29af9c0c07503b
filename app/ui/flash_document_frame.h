// What a document frame adds for the Flash document: the gestures view in the frame's "Flash
// Gestures" bar, the timeline channels shown on request, the timeline's Flash gesture channel and
// the Preview command's window.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/core/command_rows.h"
#include "app/core/phonarc_doc_flash.h"
#include "views/timeline/timeline_host.h"

class CDocumentFrame;
class CMainFrame;
class FlashGesturesView;

// Lives as a child of the frame; the document outlives it. GUI thread only.
class CFlashDocumentBinding : public QObject, public flash_document_frame {
    Q_OBJECT
public:
    // The view goes into the frame's bar, which stays hidden until a template is loaded; a click on
    // the empty view runs command 32956 through run_command.
    CFlashDocumentBinding(CPhonarcDocFlash& doc, CDocumentFrame* frame, std::function<void(int)> run_command);
    ~CFlashDocumentBinding() override;

    void ShowFlashGesturesBar(bool show) override;
    // Adds the bit to the timeline view's display mode when it is not there.
    void ShowChannel(uint32_t bit) override;
    flash_gesture_selection* FindFlashGesturesView() override;

    FlashGesturesView* View() const { return view_; }
    CPhonarcDocFlash& Document() const { return doc_; }
    // The binding of a frame, or null.
    static CFlashDocumentBinding* Of(QObject* frame);

private:
    CPhonarcDocFlash& doc_;
    CDocumentFrame* frame_;
    FlashGesturesView* view_;
};

// The channels a Flash document's timeline view is made with: the Flash gesture channel on doc.
MarkerChannelFactory MakeFlashChannelFactory(CPhonarcDocFlash& doc);

// "Preview the character in Flash": a window over frame showing the template's character.
std::vector<command_row<CPhonarcDocFlash>> PreviewCharacterRows(CMainFrame& frame);
