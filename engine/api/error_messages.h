// The texts of the engine's error codes: every entry point returns 0 or one of these, and the
// application shows the text of GetErrorMessage (never for kErrCancelled).
#pragma once

#include "engine/util/error_codes.h"

// Never fails: codes without a text of their own give the internal-error text.
const char* GetErrorMessage(int code);
