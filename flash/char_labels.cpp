// Frame-label grammar of character templates.
#include "flash/char_labels.h"

#include <climits>
#include <cstdlib>

#include "engine/util/string_utils.h"

std::vector<std::string> SplitLabelArgs(const std::string& text) {
    std::vector<std::string> args;
    size_t pos = 1;
    while (pos <= text.size()) {
        size_t at = text.find(',', pos);
        if (at == std::string::npos) at = text.find(')', pos);
        if (at == std::string::npos) break;
        args.push_back(TrimAndUnquote(text.substr(pos, at - pos)));
        pos = at + 1;
    }
    return args;
}

bool ParseCharLabel(const std::string& label, std::string& name, std::vector<std::string>& args) {
    size_t open = label.find('(');
    if (open == std::string::npos) {
        name.assign(1, 'G');
        args = {label, label};
        return false;
    }
    name = TrimRight(TrimLeft(label.substr(0, open)));
    ToUpperInPlace(name);
    args = SplitLabelArgs(label.substr(open));
    return true;
}

int LabelToInt(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}
