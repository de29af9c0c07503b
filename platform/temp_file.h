// Temporary files: the user's temporary folder, uniquely named new files, and files that vanish
// from the folder as soon as they are open, so nothing is left behind after use or a crash.
#pragma once

#include <string>

// $TMPDIR when it names a folder, else "/tmp"; always with a trailing '/'.
std::string GetTempFolder();
// Creates a new empty file "<temp folder><prefix>XXXXXX" with a unique name and returns its
// path; empty when none can be made.
std::string CreateUniqueTempFile(const std::string& prefix);
// Makes a new empty file at path, read-write and exclusively (whatever held the name before is
// removed first; a link put there is never followed), then removes its name: the data lives until
// the descriptor is closed. Returns the descriptor, or -1 with errno set; on failure the name is
// removed too.
int OpenTemporaryFile(const char* path);
