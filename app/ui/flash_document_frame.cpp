// The Flash document's bar, channel requests and commands.
#include "app/ui/flash_document_frame.h"

#include <QMainWindow>
#include <QMenu>

#include "app/core/command_router.h"
#include "app/ui/main_frame.h"
#include "flash/ui/flash_gestures_view.h"

CFlashDocumentBinding::CFlashDocumentBinding(CPhonarcDocFlash& doc, QMainWindow* frame,
                                             std::function<void(int)> run_command)
    : QObject(frame), doc_(doc), bar_(new FlashCharacterBar(frame)) {
    setObjectName(QStringLiteral("FlashDocumentBinding"));
    bar_->SetDocument(&doc_);
    frame->addDockWidget(Qt::RightDockWidgetArea, bar_);
    bar_->hide();
    if (run_command) {
        connect(bar_->View(), &FlashGesturesView::SelectCharacterRequested, this,
                [run_command] { run_command(kCmdSelectCharacter); });
    }
    doc_.SetFrame(this);
    // The document was read before its frame existed.
    if (doc_.HasTemplate()) {
        ShowFlashGesturesBar(true);
        bar_->RefreshCharacter();
    }
}

CFlashDocumentBinding::~CFlashDocumentBinding() {
    if (doc_.frame() == this) doc_.SetFrame(nullptr);
}

void CFlashDocumentBinding::ShowFlashGesturesBar(bool show) { bar_->setVisible(show); }

void CFlashDocumentBinding::ShowChannel(uint32_t bit) {
    if (showChannel_) showChannel_(bit);
}

flash_gesture_selection* CFlashDocumentBinding::FindFlashGesturesView() { return bar_->View(); }

CFlashDocumentBinding* CFlashDocumentBinding::Of(QObject* frame) {
    return frame ? frame->findChild<CFlashDocumentBinding*>(QStringLiteral("FlashDocumentBinding"),
                                                            Qt::FindDirectChildrenOnly)
                 : nullptr;
}

void InstallFlashDocumentCommands(CMainFrame& frame, CCommandRouter& router,
                                  std::function<CPhonarcDocFlash*()> active) {
    router.Add(
        kCmdExtractGestures,
        [active] {
            if (CPhonarcDocFlash* d = active()) d->OnExtractGestures();
        },
        [active](CommandState& s) { s.enabled = active() != nullptr; });
    // Choosing a template is not a command of this program: the results file names it.
    router.Add(kCmdSelectCharacter, [] {}, [active](CommandState& s) { s.enabled = active() != nullptr; });
    router.Add(kCmdPreviewCharacter, [] {}, [active](CommandState& s) {
        CPhonarcDocFlash* d = active();
        s.enabled = d && d->UpdatePreviewCharacter().enabled;
    });
    for (int id : {kCmdExportLipsync, kCmdPublishSettings, kCmdPublishSwf})
        router.Add(id, [] {}, [](CommandState& s) { s.enabled = false; });
    QAction* extract = frame.AddCommand(kCmdExtractGestures, QObject::tr("Extract Gestures"));
    if (QMenu* lipsync = frame.MenuOf(QStringLiteral("Lipsync"))) {
        lipsync->addSeparator();
        lipsync->addAction(extract);
    }
}
