// Resource loading over the embedded resource table.
#include "engine/util/resource_data.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/util/mem_alloc.h"
#include "platform/resource_table.h"

namespace {

const void* Deliver(const ResourceBytes& found, int* size, bool copy) {
    if (!found.data || found.size > static_cast<std::size_t>(INT_MAX)) return nullptr;
    if (size) *size = static_cast<int>(found.size);
    if (!copy) return found.data;
    void* p = MemAlloc(found.size + 1, 0);
    if (!p) return nullptr;
    std::memcpy(p, found.data, found.size);
    static_cast<char*>(p)[found.size] = '\0';
    return p;
}

// "#123" names the numeric id 123, as resource names do.
bool ParseIdName(const char* name, std::uint16_t* id) {
    if (name[0] != '#' || name[1] == '\0') return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(name + 1, &end, 10);
    if (*end != '\0' || v > 65535 || name[1] < '0' || name[1] > '9') return false;
    *id = static_cast<std::uint16_t>(v);
    return true;
}

}  // namespace

const void* LoadResourceData(ResourceModule, const char* type, const char* name, int* size, bool copy) {
    if (!type || !name) return nullptr;
    std::uint16_t id = 0;
    if (ParseIdName(name, &id)) return Deliver(FindEmbeddedResourceById(type, id), size, copy);
    return Deliver(FindEmbeddedResource(type, name), size, copy);
}

const void* LoadResourceDataById(ResourceModule, const char* type, std::uint16_t id, int* size, bool copy) {
    if (!type) return nullptr;
    return Deliver(FindEmbeddedResourceById(type, id), size, copy);
}
