// The command router.
#include "app/core/command_router.h"

#include <string>

duplicate_command::duplicate_command(int id)
    : std::logic_error("command " + std::to_string(id) + " has a handler already"), id_(id) {}

void CCommandRouter::Add(int id, Handler handler, Updater update) {
    if (entries_.count(id) != 0) throw duplicate_command(id);
    entries_.emplace(id, Entry{std::move(handler), std::move(update)});
}

bool CCommandRouter::Has(int id) const { return entries_.count(id) != 0; }

CommandState CCommandRouter::Update(int id) const {
    CommandState state;
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.handler) {
        state.enabled = false;
        return state;
    }
    if (it->second.update) it->second.update(state);
    return state;
}

bool CCommandRouter::Execute(int id) {
    if (!Update(id).enabled) return false;
    entries_.at(id).handler();
    return true;
}
