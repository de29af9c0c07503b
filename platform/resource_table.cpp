// Lookup in the embedded resource table. The generated entries all sit in the linker section
// "murmurex_res"; the linker marks its bounds, so the table needs no registration at start-up.
#include "platform/resource_table.h"

#include <cstring>

static_assert(sizeof(void*) == 8 && sizeof(murmurex_resource_entry) == 40,
              "the generated table is laid out for 64-bit pointers");

// Weak: a program without resources has no such section, and the bounds are then null.
extern "C" {
extern const murmurex_resource_entry __start_murmurex_res[] __attribute__((weak, visibility("hidden")));
extern const murmurex_resource_entry __stop_murmurex_res[] __attribute__((weak, visibility("hidden")));
}

namespace {

template <typename Match>
ResourceBytes Find(const char* type, Match match) {
    ResourceBytes result;
    if (!type || !__start_murmurex_res) return result;
    for (const murmurex_resource_entry* e = __start_murmurex_res; e < __stop_murmurex_res; ++e) {
        if (std::strcmp(e->type, type) == 0 && match(*e)) {
            result.data = e->begin;
            result.size = static_cast<std::size_t>(e->end - e->begin);
            return result;
        }
    }
    return result;
}

}  // namespace

ResourceBytes FindEmbeddedResource(const char* type, const char* name) {
    if (!name) return {};
    return Find(type, [name](const murmurex_resource_entry& e) { return e.name && std::strcmp(e.name, name) == 0; });
}

ResourceBytes FindEmbeddedResourceById(const char* type, std::uint16_t id) {
    return Find(type, [id](const murmurex_resource_entry& e) { return !e.name && e.id == id; });
}

std::size_t EmbeddedResourceCount() {
    if (!__start_murmurex_res) return 0;
    return static_cast<std::size_t>(__stop_murmurex_res - __start_murmurex_res);
}
