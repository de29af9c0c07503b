// Whole-file and stream reading helpers; they report failure by null, false or an empty string
// and never throw.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <istream>
#include <string>

// The largest files the program reads whole, each well above any valid file of its kind, so that a
// wrong path (a device such as /dev/zero, an unrelated huge file) fails at once instead of filling
// the memory.
constexpr std::size_t kMaxModelFileBytes = std::size_t{256} << 20;     // acoustic models, lexicons
constexpr std::size_t kMaxScriptFileBytes = std::size_t{16} << 20;     // scripts
constexpr std::size_t kMaxTrigramFileBytes = std::size_t{64} << 20;    // phone trigram counts
constexpr std::size_t kMaxConstraintFileBytes = std::size_t{1} << 20;  // phone constraints

// The whole file at path, when it holds at most maxBytes; works on pipes and devices too, reading
// no more than maxBytes + 1 bytes. False with error (when given) naming the file and the reason:
// it does not open, is a folder, is larger than maxBytes, or a read failed. Never throws.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* out, std::string* error = nullptr);
// The same for files a user names in a document (models, textures, material libraries, character
// files): only a regular file is read; a folder, device, pipe or socket fails without blocking or
// reading a byte, as does a missing file or a dangling link. Never throws (out of memory fails too).
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* out, std::string* error = nullptr);

// 0 when path names an ordinary file or nothing at all (its reader then says it is missing); else
// what it names instead: kErrIsFolder, kErrIsDevice, kErrIsPipe or kErrNotOrdinaryFile. Checked
// before a reader opens a file the user named: a pipe would block it and a folder would read as a
// damaged file.
int NotOrdinaryFileCode(const char* path);
// The reason of a reader's error above without the quoted path it starts with, for a message that
// names the file itself: "it is a folder, not a file", "No such file or directory". Texts that do
// not start with the quoted path are returned as they are.
std::string ReasonWithoutPath(const std::string& error, const std::string& path);

// The whole file (opened "rb") in a buffer from MemAlloc, NUL-terminated behind the data when
// terminate is true; size gets the bytes read. Null when the file does not open, is not a regular
// seekable file, is larger than an int can count, or memory runs out. The caller frees with MemFree.
char* ReadFileToBuffer(const char* path, int* size, bool terminate);
// The whole file read in binary mode up to its first NUL byte; empty when it cannot be opened.
std::string ReadTextFile(const std::string& path);
// True when the file opens for reading.
bool FileExists(const char* path);
// Reads characters until the collected text ends with delimiter (found = true, delimiter removed)
// or the input ends (found = false). Returns the text read.
std::string ReadUntilDelimiter(std::istream& in, const std::string& delimiter, bool* found);

// Saves a file made by a stdio writer through the safe save: write fills an in-memory FILE and
// returns false when it could not; the old file at path is kept on any failure (the writer's, a
// full disk). False with error (when given) saying why.
bool SaveFileThroughStdio(const std::string& path, const std::function<bool(std::FILE*)>& write,
                          std::string* error = nullptr);
