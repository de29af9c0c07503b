// The progress dialog of long commands (opening a file, recognition): a bar, a status text, the
// percentage and Cancel. It is the engine's progress interface, and handles waiting events at
// every report so the windows repaint and Cancel can be pressed while the command runs.
#pragma once

#include <QDialog>

#include "app/core/dialog_values.h"
#include "app/core/document_host.h"

class QLabel;
class QProgressBar;

// GUI thread only. Modeless, but blocks input to the other windows while it is shown.
class CProgressDlg : public QDialog, public document_progress {
    Q_OBJECT
public:
    // The caption defaults to "Progress".
    explicit CProgressDlg(const QString& caption = QString(), QWidget* owner = nullptr);

    // Shows the dialog over its owner.
    bool CreateModeless();

    void SetStatusText(const char* text) override;
    bool Progress(int done, int total) override;
    void PumpWaitingMessages();
    bool TakeCancelRequest();
    void ShowPercent();

    QString StatusText() const;
    QString PercentShown() const;
    int Position() const { return meter_.position(); }

signals:
    // Cancel (or Escape) was pressed: for a command whose work runs on another thread and may not
    // report for a while, so the request reaches it at once.
    void cancelRequested();

protected:
    // Cancel (and Escape) asks the command to stop; the dialog stays until the command ends.
    void reject() override;

private:
    progress_meter meter_;
    QProgressBar* bar_;
    QLabel* status_;
    QLabel* percent_;
};
