// The document frame.
#include "app/ui/document_frame.h"


#include "app/core/document_summary.h"
#include "app/core/phonarc_doc.h"
#include "views/timeline/phonarc_view.h"

namespace {
child_frame_context WithDocument(child_frame_context context, CPhonarcDoc& doc) {
    context.doc = &doc;
    return context;
}
}  // namespace

CDocumentFrame::CDocumentFrame(CPhonarcDoc& doc, child_frame_context context, QWidget* parent)
    : CChildFrame(WithDocument(context, doc), parent), doc_(doc) {
    // The view joins the document first: the document asks its first view for the selection.
    view_ = new CPhonarcView(doc_, this);
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

bool CDocumentFrame::CanClose() { return closeQuery_ ? closeQuery_() : doc_.SaveModified(); }
