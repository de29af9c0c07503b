// The embedded resource table: files that cmake/MurmurexResources.cmake links into the program,
// found by type and name or numeric id. The table is read-only and complete before main runs.
#pragma once

#include <cstddef>
#include <cstdint>

// One table entry as the generated code lays it out (C layout, shared with generated C files).
extern "C" {
struct murmurex_resource_entry {
    const char* type;
    const char* name;  // null for a numeric id
    std::uint32_t id;
    std::uint32_t reserved;
    const unsigned char* begin;
    const unsigned char* end;
};
}

// The bytes of a resource; data null and size 0 when there is none. Types and names compare
// exactly; the bytes stay valid and unchanged for the life of the process.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

ResourceBytes FindEmbeddedResource(const char* type, const char* name);
ResourceBytes FindEmbeddedResourceById(const char* type, std::uint16_t id);
// Number of entries linked into the program (for diagnostics and tests).
std::size_t EmbeddedResourceCount();
