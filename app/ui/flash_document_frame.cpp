// The Flash document's bar, channel requests, gesture channel and commands.
#include "app/ui/flash_document_frame.h"

#include "app/core/command_ids.h"

#include <QMenu>

#include "app/ui/character_preview_dlg.h"
#include "app/ui/document_frame.h"
#include "app/ui/main_frame.h"
#include "flash/ui/flash_gestures_view.h"
#include "views/flash_channel/flash_gesture_channel.h"
#include "views/timeline/marker_channels.h"
#include "views/timeline/phonarc_view.h"

namespace {

// The Flash gesture channel of the Flash document's timeline view.
std::unique_ptr<CPhonarcChannelView> MakeFlashChannel(CPhonarcDocFlash& doc, CPhonarcView* view,
                                                      const ChannelBand& band, const TimelineState* state) {
    auto channel = std::make_unique<CMXChannelSWFGestures>(state, &doc, view);
    channel->band = band.band;
    channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
    return channel;
}

}  // namespace

CFlashDocumentBinding::CFlashDocumentBinding(CPhonarcDocFlash& doc, CDocumentFrame* frame,
                                             std::function<void(int)> run_command)
    : QObject(frame), doc_(doc), frame_(frame), view_(new FlashGesturesView(frame->FlashBar())) {
    setObjectName(QStringLiteral("FlashDocumentBinding"));
    view_->SetDocument(&doc_);
    frame->FlashBar()->setWidget(view_);
    view_->OnInitialUpdate();
    if (run_command) {
        connect(view_, &FlashGesturesView::SelectCharacterRequested, this,
                [run_command] { run_command(cmd::SelectCharacter); });
    }
    doc_.SetFrame(this);
    // The view's own marker channels, and the Flash gesture channel on this document.
    if (CPhonarcView* timeline = frame->View()) {
        CPhonarcDocFlash* document = &doc_;
        timeline->SetChannelFactory([document, timeline](const ChannelBand& band, const TimelineState* state) {
            if (band.bit == kShowFlashGestures) return MakeFlashChannel(*document, timeline, band, state);
            return CreateTimelineMarkerChannel(band, state);
        });
    }
    // The document was read before its frame existed.
    if (doc_.HasTemplate()) {
        ShowFlashGesturesBar(true);
        view_->OnCharacterChanged(true);
    }
}

CFlashDocumentBinding::~CFlashDocumentBinding() {
    if (doc_.frame() == this) doc_.SetFrame(nullptr);
}

void CFlashDocumentBinding::ShowFlashGesturesBar(bool show) { frame_->ShowFlashGesturesBar(show); }

void CFlashDocumentBinding::ShowChannel(uint32_t bit) {
    CPhonarcView* view = frame_->View();
    if (view && (view->DisplayMode() & bit) == 0) view->SetDisplayMode(view->DisplayMode() | bit);
}

flash_gesture_selection* CFlashDocumentBinding::FindFlashGesturesView() { return view_; }

CFlashDocumentBinding* CFlashDocumentBinding::Of(QObject* frame) {
    return frame ? frame->findChild<CFlashDocumentBinding*>(QStringLiteral("FlashDocumentBinding"),
                                                            Qt::FindDirectChildrenOnly)
                 : nullptr;
}

std::vector<command_row<CPhonarcDocFlash>> PreviewCharacterRows(CMainFrame& frame) {
    return {{cmd::PreviewCharacter,
             [&frame](CPhonarcDocFlash& d) {
                 if (!d.HasTemplate()) return;
                 CCharacterPreviewDlg dialog(d.character_path(), *d.GetCharacter(), &frame);
                 dialog.exec();
             },
             [](CPhonarcDocFlash& d) { return d.UpdatePreviewCharacter(); }, kNeedDocument}};
}
