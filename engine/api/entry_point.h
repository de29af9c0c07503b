// Conventions shared by the engine's entry points: no exception crosses the boundary, and an
// out-parameter is nulled before anything can fail.
#pragma once

#include <exception>
#include <new>

#include "engine/api/error_messages.h"

// Runs body (returning an engine code) and turns an escaping exception into a code: a thrown int
// is that code, failed allocation 1, anything else otherCode.
template <typename F>
int RunEntryPoint(F&& body, int otherCode = kErrException) noexcept {
    try {
        return body();
    } catch (int code) {
        return code;
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    } catch (...) {
        return otherCode;
    }
}

template <typename T>
inline void ClearOut(T** out) {
    if (out) *out = nullptr;
}
