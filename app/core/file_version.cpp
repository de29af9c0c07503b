// Version text.
#include "app/core/file_version.h"

#include <cstdio>

std::string FormatFileVersion(int major, int minor, int patch, int tweak) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d%d%d", major, minor, patch, tweak);
    return text;
}
