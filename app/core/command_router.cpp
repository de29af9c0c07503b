// The command router.
#include "app/core/command_router.h"

void CCommandRouter::Add(int id, Handler handler, Updater update) {
    entries_[id] = Entry{std::move(handler), std::move(update)};
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
    // A copy: the handler may register commands again.
    const Handler handler = entries_.at(id).handler;
    handler();
    return true;
}
