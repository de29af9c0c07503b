// The progress dialog.
#include "app/ui/progress_dlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxStatusText = 256;
}

CProgressDlg::CProgressDlg(const QString& caption, QWidget* owner) : QDialog(owner) {
    setWindowTitle(caption.isEmpty() ? tr("Progress") : caption);
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(tr("Please Wait..."), this);
    bar_ = new QProgressBar(this);
    bar_->setRange(progress_meter::kLower, progress_meter::kUpper);
    bar_->setValue(progress_meter::kLower);
    bar_->setTextVisible(false);
    percent_ = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CProgressDlg::reject);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addWidget(percent_);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

bool CProgressDlg::CreateModeless() {
    setWindowModality(Qt::ApplicationModal);
    show();
    PumpWaitingMessages();
    return true;
}

void CProgressDlg::SetStatusText(const char* text) {
    QString s = QString::fromUtf8(text ? text : "");
    s.truncate(kMaxStatusText);
    status_->setText(s);
}

bool CProgressDlg::Progress(int done, int total) {
    const bool moved = meter_.Report(done, total);
    PumpWaitingMessages();
    if (moved) {
        bar_->setValue(meter_.position());
        ShowPercent();
    }
    return TakeCancelRequest();
}

void CProgressDlg::PumpWaitingMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool CProgressDlg::TakeCancelRequest() {
    PumpWaitingMessages();
    return meter_.TakeCancelRequest();
}

void CProgressDlg::ShowPercent() {
    if (const std::optional<std::string> text = meter_.PercentTextToShow()) percent_->setText(QString::fromStdString(*text));
}

QString CProgressDlg::StatusText() const { return status_->text(); }
QString CProgressDlg::PercentShown() const { return percent_->text(); }

void CProgressDlg::reject() {
    meter_.RequestCancel();
    emit cancelRequested();
}
