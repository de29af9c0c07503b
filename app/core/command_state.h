// What a menu item or toolbar button of a command shows: whether it can run, its check mark and,
// when set, a new text. The command rows, the document and the command router all speak it.
#pragma once

#include <optional>
#include <string>

struct CommandState {
    bool enabled = true;
    bool checked = false;
    std::optional<std::string> text;  // a new item text; none keeps the item's own
};
