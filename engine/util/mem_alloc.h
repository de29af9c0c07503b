// The engine's heap functions: every buffer that crosses a component boundary (records' texts,
// file buffers, resource copies) is allocated and freed through these, so owners agree.
#pragma once

#include <cstddef>

// malloc (n); when zero is non-zero and the block exists it is filled with 0.
void* MemAlloc(std::size_t n, int zero);
// realloc (p, n) when p is not null, else malloc (n).
void* MemRealloc(void* p, std::size_t n);
// free (p) when p is not null; always 0.
int MemFree(void* p);

// A NUL-terminated copy of text made with MemAlloc, or null when text is null or memory runs out.
char* MemStrDup(const char* text);
