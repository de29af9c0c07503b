// The document frame.
#include "app/ui/document_frame.h"

#include <QFontDatabase>
#include <QPlainTextEdit>

#include "app/core/document_summary.h"
#include "app/core/phonarc_doc.h"

namespace {
child_frame_context WithDocument(child_frame_context context, CPhonarcDoc& doc) {
    context.doc = &doc;
    return context;
}
}  // namespace

CDocumentFrame::CDocumentFrame(CPhonarcDoc& doc, child_frame_context context, QWidget* parent)
    : CChildFrameFla(WithDocument(context, doc), parent), doc_(doc) {
    summary_ = new QPlainTextEdit(this);
    summary_->setReadOnly(true);
    summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    SetCentralView(summary_);
    doc_.AddView(this);
    Refresh();
}

CDocumentFrame::~CDocumentFrame() { doc_.RemoveView(this); }

QString CDocumentFrame::SummaryText() const { return summary_->toPlainText(); }

void CDocumentFrame::SetTracks(const app_sync_results*) { Refresh(); }
void CDocumentFrame::SetAudioStream(CMemoryPCMStream*) { Refresh(); }
void CDocumentFrame::RedrawChannels(bool) {}

void CDocumentFrame::DocumentChanged() {
    setWindowTitle(QString::fromStdString(doc_.title()) + (doc_.IsModified() ? QStringLiteral(" *") : QString()));
    emit TitleChanged();
}

void CDocumentFrame::Refresh() {
    QString text = QString::fromStdString(DocumentSummary(doc_));
    if (!doc_.logged().empty()) text += QStringLiteral("\nOutput:\n") + QString::fromStdString(doc_.logged());
    summary_->setPlainText(text);
    DocumentChanged();
}

bool CDocumentFrame::CanClose() { return closeQuery_ ? closeQuery_() : doc_.SaveModified(); }
