// Printing the timeline through Qt's print support.
#include "app/ui/timeline_print.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/core/command_ids.h"
#include "app/core/phonarc_doc.h"
#include "app/ui/document_frame.h"
#include "app/ui/main_frame.h"
#include "views/timeline/phonarc_view.h"

bool PrintTimelinePage(CPhonarcView& view, QPrinter& printer) {
    const QImage picture = view.Grab();
    if (picture.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The picture keeps its proportions: as wide as the printable area, or as high when a tall
    // view would run off the page. Smooth scaling keeps thin marker lines visible.
    const QRect page = painter.viewport();
    QSizeF size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(page.left(), page.top()), size), picture);
    return painter.end();
}

CTimelinePrinter::CTimelinePrinter(CMainFrame& frame)
    : QObject(&frame), frame_(frame), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    // A timeline is wide: landscape until the user chooses otherwise in Print Setup.
    printer_->setPageOrientation(QPageLayout::Landscape);
}

CTimelinePrinter::~CTimelinePrinter() = default;

std::vector<command_row<CTimelinePrinter>> CTimelinePrinter::SetupRows() {
    return {{cmd::PrintSetup, [](CTimelinePrinter& p) { p.OnPrintSetup(); }}};
}

std::vector<command_row<CDocumentFrame>> CTimelinePrinter::PrintRows() {
    return {
        {cmd::Print,
         [this](CDocumentFrame& f) {
             if (f.View()) OnPrint(*f.View(), f.Document().path_name());
         }},
        {cmd::PrintPreview,
         [this](CDocumentFrame& f) {
             if (f.View()) OnPrintPreview(*f.View(), f.Document().path_name());
         }},
    };
}

void CTimelinePrinter::OnPrintSetup() {
    QPageSetupDialog dialog(printer_.get(), &frame_);
    dialog.exec();
}

void CTimelinePrinter::NameAfter(const std::string& documentPath) {
    const QFileInfo document(QString::fromStdString(documentPath));
    printer_->setDocName(document.fileName());
    if (printer_->outputFormat() != QPrinter::PdfFormat) return;  // a printer, no file
    const QString file = printer_->outputFileName();
    if (!file.isEmpty() && (fileFor_.empty() || fileFor_ == documentPath)) return;
    const QString folder = file.isEmpty() ? document.absolutePath() : QFileInfo(file).absolutePath();
    printer_->setOutputFileName(folder + '/' + document.completeBaseName() + QStringLiteral(".pdf"));
}

void CTimelinePrinter::OnPrint(CPhonarcView& view, const std::string& documentPath) {
    NameAfter(documentPath);
    QPrintDialog dialog(printer_.get(), &frame_);
    // One page: there is no range to choose.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!printer_->outputFileName().isEmpty()) fileFor_ = documentPath;
    PrintTimelinePage(view, *printer_);
}

void CTimelinePrinter::OnPrintPreview(CPhonarcView& view, const std::string& documentPath) {
    NameAfter(documentPath);
    QPrintPreviewDialog dialog(printer_.get(), &frame_);
    dialog.setWindowTitle(tr("Print Preview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&view](QPrinter* printer) {
        PrintTimelinePage(view, *printer);
    });
    if (dialog.exec() == QDialog::Accepted && !printer_->outputFileName().isEmpty()) fileFor_ = documentPath;
}
