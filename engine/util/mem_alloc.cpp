// The engine's heap functions over the runtime library heap.
#include "engine/util/mem_alloc.h"

#include <cstdlib>
#include <cstring>

void* MemAlloc(std::size_t n, int zero) {
    void* p = std::malloc(n);
    if (p && zero) std::memset(p, 0, n);
    return p;
}

void* MemRealloc(void* p, std::size_t n) { return p ? std::realloc(p, n) : std::malloc(n); }

int MemFree(void* p) {
    if (p) std::free(p);
    return 0;
}

char* MemStrDup(const char* text) {
    if (!text) return nullptr;
    const std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(MemAlloc(n, 0));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}
