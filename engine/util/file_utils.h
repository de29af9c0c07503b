// Whole-file and stream reading helpers; they report failure by null, false or an empty string
// and never throw.
#pragma once

#include <istream>
#include <string>

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
