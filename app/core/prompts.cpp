// Scripted prompts and the file-filter splitting that both dialog kinds share.
#include "app/core/prompts.h"

PromptAnswer CScriptedPrompts::MessageBox(const std::string& text, PromptButtons) {
    messages.push_back(text);
    if (answers.empty()) return PromptAnswer::Cancel;
    const PromptAnswer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<std::string> CScriptedPrompts::ChooseFile(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (files.empty()) return std::nullopt;
    std::optional<std::string> f = files.front();
    files.pop_front();
    return f;
}

std::vector<std::pair<std::string, std::string>> SplitFileFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    while (from <= filter.size()) {
        const auto bar = filter.find('|', from);
        parts.push_back(filter.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
        if (bar == std::string::npos) break;
        from = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the "||" that ends the list
        pairs.emplace_back(parts[i], parts[i + 1]);
    }
    return pairs;
}
