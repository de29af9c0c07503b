// Access to the program's embedded data (models, dictionary, language model, heads) by resource
// type and name or numeric id.
#pragma once

#include <cstdint>

// Only the program's own resource table exists; the module argument is kept for callers that
// name one and is ignored (null means the program's own).
using ResourceModule = const void*;

// Embedded data of type and name ("#123" names the numeric id 123). Without copy the bytes are
// read-only and live as long as the program; with copy they are a MemAlloc copy that the caller
// frees with MemFree. Null, with size unchanged, when there is no such resource.
const void* LoadResourceData(ResourceModule module, const char* type, const char* name, int* size, bool copy);
const void* LoadResourceDataById(ResourceModule module, const char* type, std::uint16_t id, int* size, bool copy);
