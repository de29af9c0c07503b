// Diagnostic lines of the data model (records it had to repair or skip). They go to the standard
// log stream, which a test or the application may redirect.
#pragma once

void debug_output(const char* text);
