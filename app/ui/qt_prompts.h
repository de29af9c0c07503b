// Message boxes and file dialogs on Qt, owned by the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/core/prompts.h"

// GUI thread only.
class CQtPrompts : public IPrompts {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    PromptAnswer MessageBox(const std::string& text, PromptButtons buttons) override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

// Qt's filter text for a "name|patterns|...||" filter: "Name (*.a *.b);;All Files (*)".
QString QtFileFilter(const std::string& filter);
