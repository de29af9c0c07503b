// Floating-point guard: save, mask, restore with pending exceptions cleared.
#include "platform/fp_guard.h"

// feholdexcept saves the environment, clears the flags and installs non-stop mode, which masks
// every exception that can be masked. Doubles already compute with 53-bit precision on the
// SSE unit, so there is no precision control to set.
CFloatingPointGuard::CFloatingPointGuard() { std::feholdexcept(&saved_); }

CFloatingPointGuard::~CFloatingPointGuard() {
    std::fesetenv(&saved_);
    std::feclearexcept(FE_ALL_EXCEPT);
}
