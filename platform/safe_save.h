// Replacing a file without ever losing it: the new contents go to a temporary file beside the
// target, are flushed to the disk, and only then renamed over the old file. Every writer of a
// user's file (results files, SWF movies, lexicons, models, scripts) saves through here.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

// Writes the new contents of `path` through `write`, which returns false when it could not
// produce them. On success the old file (if any) is replaced at once and its permission bits are
// kept. On any failure (the writer's, a full disk, a folder without write access) the temporary
// file is removed, the old file is left byte for byte, and `error` (when given) says why. A save
// that is killed cannot remove its temporary; the next save of the same path, in any process,
// removes those whose writer is gone (never one a running save is writing).
bool SaveFileSafely(const std::string& path, const std::function<bool(std::ostream&)>& write,
                    std::string* error = nullptr);

// The same for contents already in memory.
bool SaveBytesSafely(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// True when a later SaveFileSafely(path) can create its temporary file: the folder exists and is
// writable, and path is not a folder. Lets a long job refuse a bad output path before it starts.
bool CanSaveFile(const std::string& path, std::string* error = nullptr);

// True when both paths name the same existing file (through links or different spellings).
bool IsSameFile(const std::string& a, const std::string& b);
