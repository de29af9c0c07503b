// Finding the files a character names when it was made on Windows: its character files, models
// and material libraries write backslashes between folders and may spell a name in another case
// than the file on disk.
#pragma once

#include <string>

// The name with every backslash turned into a forward slash.
std::string WithForwardSlashes(const std::string& name);

// The path as it is on disk: the path itself when it exists; otherwise each part that is missing
// is matched case-insensitively among the entries of its folder (the first match in name order
// wins when several differ only in case). When some part has no match, the path with forward
// slashes is returned, so that the caller's error names what was asked for.
std::string FindFileIgnoringCase(const std::string& path);
