// Printing the timeline through Qt's print support.
#include "app/ui/timeline_print.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/core/command_ids.h"
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
    printer_->setDocName(QStringLiteral("The Phonarc!"));
}

CTimelinePrinter::~CTimelinePrinter() = default;

std::vector<command_row<CTimelinePrinter>> CTimelinePrinter::SetupRows() {
    return {{cmd::PrintSetup, [](CTimelinePrinter& p) { p.OnPrintSetup(); }}};
}

std::vector<command_row<CPhonarcView>> CTimelinePrinter::PrintRows() {
    return {
        {cmd::Print, [this](CPhonarcView& v) { OnPrint(v); }},
        {cmd::PrintPreview, [this](CPhonarcView& v) { OnPrintPreview(v); }},
    };
}

void CTimelinePrinter::OnPrintSetup() {
    QPageSetupDialog dialog(printer_.get(), &frame_);
    dialog.exec();
}

void CTimelinePrinter::OnPrint(CPhonarcView& view) {
    QPrintDialog dialog(printer_.get(), &frame_);
    // One page: there is no range to choose.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintTimelinePage(view, *printer_);
}

void CTimelinePrinter::OnPrintPreview(CPhonarcView& view) {
    QPrintPreviewDialog dialog(printer_.get(), &frame_);
    dialog.setWindowTitle(tr("Print Preview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&view](QPrinter* printer) {
        PrintTimelinePage(view, *printer);
    });
    dialog.exec();
}
