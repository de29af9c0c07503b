// Diagnostic output of the data model.
#include "model/debug_output.h"

#include <iostream>

void debug_output(const char* text) { std::clog << text << std::flush; }
