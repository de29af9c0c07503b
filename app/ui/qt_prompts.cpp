// Qt prompts.
#include "app/ui/qt_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/core/string_table.h"

QString QtFileFilter(const std::string& filter) {
    QStringList parts;
    for (const auto& [name, patterns] : SplitFileFilter(filter)) {
        // Qt reads the patterns from the parentheses, separated by blanks.
        QString label = QString::fromStdString(name).trimmed();
        label.remove(QRegularExpression(QStringLiteral("\\s*\\(.*\\)$")));
        QStringList globs = QString::fromStdString(patterns).split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                                                   Qt::SkipEmptyParts);
        globs.replaceInStrings(QStringLiteral("*.*"), QStringLiteral("*"));
        parts << QStringLiteral("%1 (%2)").arg(label, globs.join(QLatin1Char(' ')));
    }
    return parts.join(QStringLiteral(";;"));
}

PromptAnswer CQtPrompts::MessageBox(const std::string& text, PromptButtons buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    switch (buttons) {
        case PromptButtons::Ok: b = QMessageBox::Ok; break;
        case PromptButtons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
        case PromptButtons::YesNo: b = QMessageBox::Yes | QMessageBox::No; break;
        case PromptButtons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    // A lone OK reports a problem (every such message of the program does); the others ask.
    const QString title = QString::fromUtf8(LoadProgramString(kIdsMainTitle));
    const auto answer = buttons == PromptButtons::Ok
                            ? QMessageBox::warning(parent_, title, QString::fromStdString(text), b)
                            : QMessageBox::question(parent_, title, QString::fromStdString(text), b);
    switch (answer) {
        case QMessageBox::Yes: return PromptAnswer::Yes;
        case QMessageBox::No: return PromptAnswer::No;
        case QMessageBox::Ok: return PromptAnswer::Ok;
        default: return PromptAnswer::Cancel;
    }
}

std::optional<std::string> CQtPrompts::ChooseFile(const FileDialogRequest& request) {
    const QString filter = QtFileFilter(request.filter);
    const QString title = QString::fromStdString(request.title);
    const QString start = QString::fromStdString(request.initialPath);
    const QString path = request.open ? QFileDialog::getOpenFileName(parent_, title, start, filter)
                                      : QFileDialog::getSaveFileName(parent_, title, start, filter);
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}
