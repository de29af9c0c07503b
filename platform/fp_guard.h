// Floating-point guard around numeric engine entry points: the caller's floating-point
// environment is saved, every exception is masked while the engine runs, and the saved
// environment comes back with no exception flag pending.
#pragma once

#include <cfenv>

// Use on the stack in each guarded entry point; one thread.
class CFloatingPointGuard {
public:
    CFloatingPointGuard();
    ~CFloatingPointGuard();
    CFloatingPointGuard(const CFloatingPointGuard&) = delete;
    CFloatingPointGuard& operator=(const CFloatingPointGuard&) = delete;

private:
    std::fenv_t saved_;
};
