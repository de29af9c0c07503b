// The "Output Window" bar: a read-only log that any part of the program writes to through the
// process-wide output log, and that shows itself when written to.
#pragma once

#include "app/core/output_log.h"
#include "app/ui/sizing_control_bar.h"

class QPlainTextEdit;

// GUI thread only. Becomes the process-wide log while it exists.
class COutputBar : public CSizingControlBar, public COutputLog {
    Q_OBJECT
public:
    explicit COutputBar(QWidget* parent);
    ~COutputBar() override;

    bool IsVisible() const override;
    QString Text() const;

protected:
    void ShowBar() override;
    bool AppendToLog(const std::string& text) override;

private:
    QPlainTextEdit* log_;
};
