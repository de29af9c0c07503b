// The document frame.
#include "app/ui/document_frame.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/core/document_summary.h"
#include "app/core/phonarc_doc.h"
#include "views/timeline/phonarc_view.h"

namespace {
child_frame_context WithDocument(child_frame_context context, CPhonarcDoc& doc) {
    context.doc = &doc;
    return context;
}
}  // namespace

CDocumentFrame::CDocumentFrame(CPhonarcDoc& doc, child_frame_context context, timeline_view_setup setup,
                               QWidget* parent)
    : CChildFrame(WithDocument(context, doc), parent), doc_(doc) {
    // The main window's commands act on the active document: a command or the context menu of
    // this frame's view, which may not be the active frame's (a right-click does not focus it),
    // first makes this frame the active one.
    TimelineViewHooks& hooks = setup.hooks;
    if (hooks.runCommand) {
        hooks.runCommand = [this, run = std::move(hooks.runCommand)](int id) {
            Activate();
            run(id);
        };
    }
    if (hooks.contextMenu) {
        hooks.contextMenu = [this, menu = std::move(hooks.contextMenu)](const QPoint& global) {
            Activate();
            menu(global);
        };
    }
    // The view is made first: its selection map makes itself the document's selection source.
    view_ = new CPhonarcView(doc_, std::move(setup), this);
    SetCentralView(view_);
    doc_.AddView(this);
    Refresh();
}

CDocumentFrame::~CDocumentFrame() {
    // The view goes before the frame's destroyed signal lets the manager delete the document.
    delete view_;
    doc_.RemoveView(this);
}

QString CDocumentFrame::SummaryText() const {
    QString text = QString::fromStdString(DocumentSummary(doc_));
    if (!doc_.logged().empty()) text += QStringLiteral("\nOutput:\n") + QString::fromStdString(doc_.logged());
    return text;
}

void CDocumentFrame::SetTracks(const app_sync_results*) { Refresh(); }
void CDocumentFrame::SetAudioStream(CMemoryPCMStream*) { Refresh(); }
void CDocumentFrame::RedrawChannels(bool) {}

void CDocumentFrame::DocumentChanged() {
    setWindowTitle(QString::fromStdString(doc_.title()) + (doc_.IsModified() ? QStringLiteral(" *") : QString()));
    emit TitleChanged();
}

void CDocumentFrame::Refresh() { DocumentChanged(); }

void CDocumentFrame::Activate() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (QMdiArea* area = sub ? sub->mdiArea() : nullptr) area->setActiveSubWindow(sub);
}

bool CDocumentFrame::CanClose() { return closeQuery_ ? closeQuery_() : doc_.SaveModified(); }
