// Commands by id: each has a handler and an update step that says whether it is enabled, checked
// and what its text is, run before a menu shows and when what it looks at changes. Handlers come
// as rows installed by InstallCommandRows (command_rows.h); menus and toolbars, built from the
// command table, only forward.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>

#include "app/core/command_state.h"

// A second handler for an id already taken: two owners of one command would leave one of them
// silently dead.
class duplicate_command : public std::logic_error {
public:
    explicit duplicate_command(int id);
    int id() const { return id_; }

private:
    int id_;
};

// User-interface thread only.
class CCommandRouter {
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CommandState&)>;

    // Each id has one handler: a second registration of an id throws duplicate_command and
    // leaves the first in place.
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
