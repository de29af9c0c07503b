// Identifiers from libuuid.
#include "platform/uuid.h"

#include <uuid/uuid.h>

std::string CreateUuidString() {
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return std::string(text, 36);
}
