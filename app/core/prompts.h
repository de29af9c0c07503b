// Questions to the user: message boxes and file dialogs. The program shows Qt dialogs; tests
// script the answers.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string title;             // empty: the toolkit's own
    std::string filter;            // "Text (*.a; *.b)|*.a; *.b|All Files (*.*)|*.*||"
    std::string defaultExtension;  // may be empty
    bool open = true;
    std::string initialPath;       // the folder or file the dialog starts at; may be empty
};

// User-interface thread only.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    virtual PromptAnswer MessageBox(const std::string& text, PromptButtons buttons) = 0;
    // The chosen path; none when cancelled.
    virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
};

// Answers from lists given in advance, and a record of what was asked. An empty answer list
// cancels (file dialogs) or answers Cancel (message boxes).
class CScriptedPrompts : public IPrompts {
public:
    PromptAnswer MessageBox(const std::string& text, PromptButtons buttons) override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;

    std::deque<PromptAnswer> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<std::string> messages;           // texts of the message boxes shown
    std::vector<FileDialogRequest> fileRequests;  // the file dialogs shown
};

// The filter's pairs ("Text (*.a)", "*.a") from the "name|patterns|...||" form; an unpaired
// tail is dropped.
std::vector<std::pair<std::string, std::string>> SplitFileFilter(const std::string& filter);
