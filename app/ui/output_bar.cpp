// The output bar.
#include "app/ui/output_bar.h"

#include "app/core/command_ids.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>

COutputBar::COutputBar(QWidget* parent)
    : CSizingControlBar(QStringLiteral("Output Window"), parent, QSize(110, 120), bar_id::OutputWindow), log_(new QPlainTextEdit(this)) {
    log_->setReadOnly(true);
    log_->setUndoRedoEnabled(false);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setWidget(log_);
    SetOutputLog(this);
}

COutputBar::~COutputBar() {
    if (GetOutputLog() == this) SetOutputLog(nullptr);
}

// Shown as far as the bar is concerned: the log is visible once its frame is.
bool COutputBar::IsVisible() const { return !isHidden(); }

void COutputBar::ShowBar() { show(); }

bool COutputBar::AppendToLog(const std::string& text) {
    if (!log_) return false;
    QTextCursor cursor = log_->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    log_->setTextCursor(cursor);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    return true;
}

QString COutputBar::Text() const { return log_->toPlainText(); }
