// Commands by id: each has a handler and an update step that says whether it is enabled, checked
// and what its text is, run before a menu shows and when what it looks at changes. The frames
// register their commands; menus and toolbars, built from the command table, only forward.
#pragma once

#include <functional>
#include <map>

#include "app/core/command_state.h"

// User-interface thread only.
class CCommandRouter {
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CommandState&)>;

    // A later registration of the same id replaces the earlier one.
    void Add(int id, Handler handler, Updater update = nullptr);
    bool Has(int id) const;
    // Runs the handler; false when the id has none or the update step disables it.
    bool Execute(int id);
    // The command's state: enabled with no check by default, disabled when the id has no handler.
    CommandState Update(int id) const;

private:
    struct Entry {
        Handler handler;
        Updater update;
    };
    std::map<int, Entry> entries_;
};
