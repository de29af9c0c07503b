// Root of the engine's reference-counted objects (PCM stream stages): created with one
// reference, deleted by the Release that drops the last one.
#pragma once

#include <cstdint>

// Not thread-safe: each object is used by one thread at a time.
class CRefCounted {
public:
    CRefCounted() = default;
    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;
    virtual ~CRefCounted() = default;

    virtual int AddRef() { return ++refCount; }
    // Deletes the object when the count reaches 0 or less and returns 0.
    virtual int Release() {
        if (--refCount <= 0) {
            delete this;
            return 0;
        }
        return refCount;
    }

protected:
    int32_t refCount = 1;
};
