// The program's version as the About box shows it.
#pragma once

#include <string>

// "%d.%d%d%d" of the four parts, most significant first: 1.2.3.4 gives "1.234".
std::string FormatFileVersion(int major, int minor, int patch, int tweak);
