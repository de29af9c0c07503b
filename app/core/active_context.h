// What the commands of the program act on: the active document and whether a recognition runs.
// The shell's document manager is one; the rows of a feature find their target in it
// (TargetOf) and the router asks it for the rows' named conditions (command_rows.h).
#pragma once

#include <vector>

#include "app/core/command_rows.h"

class CPhonarcDoc;
class CPhonarcDocFlash;
class document_settings;

// User-interface thread only.
class active_context {
public:
    virtual ~active_context() = default;
    // The active document; null when none is open.
    virtual CPhonarcDoc* Document() const = 0;
    // Whether a recognition runs (its progress dialog is up).
    virtual bool Recognising() const { return false; }

    // Whether the named conditions hold (command_need bits).
    bool Meets(unsigned needs) const;
};

// The target of a row in the context: the document, its settings, the Flash document.
CPhonarcDoc* TargetOf(const active_context& context, CPhonarcDoc*);
document_settings* TargetOf(const active_context& context, document_settings*);
CPhonarcDocFlash* TargetOf(const active_context& context, CPhonarcDocFlash*);

// Installs rows over the target the context holds active (found by TargetOf, at every call).
// The context outlives the router's use of the rows.
template <class Context, class Target>
void InstallActiveRows(CCommandRouter& router, const Context& context, const std::vector<command_row<Target>>& rows) {
    InstallCommandRows<Target>(
        router, rows, [&context] { return TargetOf(context, static_cast<Target*>(nullptr)); },
        [&context](unsigned needs) { return context.Meets(needs); });
}

// Rows over one object that outlives the router's use of them, under the context's conditions.
template <class Context, class Target>
void InstallActiveRows(CCommandRouter& router, const Context& context, const std::vector<command_row<Target>>& rows,
                       Target& target) {
    InstallCommandRows<Target>(
        router, rows, [&target] { return &target; }, [&context](unsigned needs) { return context.Meets(needs); });
}
