// New unique identifiers in the usual text form; the actors manager names imported actors by them.
#pragma once

#include <string>

// A new random identifier as 36 characters: five groups of 8, 4, 4, 4 and 12 lower-case
// hexadecimal digits joined by hyphens. Any thread.
std::string CreateUuidString();
