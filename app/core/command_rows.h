// Commands as rows {id, run, state} over the thing they act on. Each feature exports its rows
// beside its logic; the shell installs them into the router against what is active, and the
// named conditions a row needs are checked there, once, instead of in each handler.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "app/core/command_router.h"
#include "app/core/command_state.h"

// Conditions a row needs before its own state is asked; without them the item is disabled and
// the command does not run.
enum command_need : unsigned {
    kNeedNothing = 0,
    kNeedDocument = 1u << 0,   // a document is active (every row over a document has it)
    kNeedSelection = 1u << 1,  // its timeline has a selection
    kNeedIdle = 1u << 2,       // no recognition is running
    kNeedAudio = 1u << 3,      // it holds a recording
};

template <class Target>
struct command_row {
    command_row(int row_id, std::function<void(Target&)> row_run, std::function<CommandState(Target&)> row_state = {},
                unsigned row_needs = kNeedNothing)
        : id(row_id), run(std::move(row_run)), state(std::move(row_state)), needs(row_needs) {}

    int id;
    std::function<void(Target&)> run;
    std::function<CommandState(Target&)> state;  // empty: enabled, no check mark, its own text
    unsigned needs;
};

// A state that only says whether the item is enabled.
inline CommandState EnabledIf(bool enabled) { return {enabled, false, {}}; }
// A check mark on an enabled item.
inline CommandState CheckedIf(bool checked) { return {true, checked, {}}; }

// Installs rows over the target find() gives (none: disabled); meets(needs) says whether the
// row's conditions hold (empty: they always do). Throws duplicate_command for an id taken already.
template <class Target>
void InstallCommandRows(CCommandRouter& router, std::span<const command_row<Target>> rows,
                        std::function<Target*()> find, std::function<bool(unsigned)> meets = {}) {
    for (const command_row<Target>& row : rows) {
        const auto ready = [find, meets, needs = row.needs]() -> Target* {
            Target* target = find();
            return target && (needs == kNeedNothing || !meets || meets(needs)) ? target : nullptr;
        };
        router.Add(
            row.id,
            [ready, run = row.run] {
                if (Target* target = ready(); target && run) run(*target);
            },
            [ready, state = row.state](CommandState& s) {
                Target* target = ready();
                if (!target) {
                    s.enabled = false;
                } else if (state) {
                    s = state(*target);
                }
            });
    }
}

template <class Target>
void InstallCommandRows(CCommandRouter& router, const std::vector<command_row<Target>>& rows,
                        std::function<Target*()> find, std::function<bool(unsigned)> meets = {}) {
    InstallCommandRows(router, std::span<const command_row<Target>>(rows), std::move(find), std::move(meets));
}

// Rows over one object that lives as long as the router's use of them.
template <class Target>
void InstallCommandRows(CCommandRouter& router, const std::vector<command_row<Target>>& rows, Target& target) {
    InstallCommandRows<Target>(router, rows, [&target] { return &target; });
}
