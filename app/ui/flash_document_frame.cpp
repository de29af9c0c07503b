// The Flash document's bar, channel requests, gesture channel and commands.
#include "app/ui/flash_document_frame.h"

#include "app/core/command_ids.h"

#include <QMenu>

#include "app/ui/character_preview_dlg.h"
#include "app/ui/document_frame.h"
#include "app/ui/main_frame.h"
#include "flash/ui/flash_gestures_view.h"
#include "views/flash_channel/flash_gesture_channel.h"
#include "views/timeline/phonarc_view.h"

MarkerChannelFactory MakeFlashChannelFactory(CPhonarcDocFlash& doc) {
    CPhonarcDocFlash* document = &doc;
    return [document](const ChannelBand& band, const TimelineState* state) -> std::unique_ptr<CPhonarcChannelView> {
        if (band.bit != kShowFlashGestures) return nullptr;
        auto channel = std::make_unique<CMXChannelSWFGestures>(state, document, state->host);
        channel->band = band.band;
        channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
        return channel;
    };
}

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
