// The one owner of engine objects inside a scope: a unique_ptr whose deleter is the object's own way
// back to the engine (its Destroy entry point, or Release for the reference-counted streams).
#pragma once

#include <memory>

template <auto Destroy>
struct call_destroy {
    template <typename T>
    void operator()(T* p) const {
        Destroy(p);
    }
};

// Gives back the one reference the owner holds.
template <typename T>
void ReleaseReference(T* p) {
    p->Release();
}

// engine_guard<CAccousticHMM, DestroyAccHMM> model(raw); engine_guard<CZuvoStream> zuvo(new CZuvoStream);
template <typename T, auto Destroy = ReleaseReference<T>>
using engine_guard = std::unique_ptr<T, call_destroy<Destroy>>;
