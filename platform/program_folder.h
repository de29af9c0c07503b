// The folder that holds the program file; the application finds its "dicts" and "help" folders
// beside it.
#pragma once

#include <string>

// The program's path cut at its last '/', without a trailing separator; empty when the path
// cannot be read.
std::string GetProgramFolder();
