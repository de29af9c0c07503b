// The recent-file list of the File menu: most recent first, each path once, at most 16, kept in
// the profile section "Recent File List" as "File1" to "File16".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class IProfileStore;

// How many files the list keeps.
constexpr size_t kRecentFileCount = 16;

void AddRecentFile(std::vector<std::string>* list, const std::string& path, size_t max_count);
// Takes a path out of the list (a recent file that no longer opens).
void RemoveRecentFile(std::vector<std::string>* list, const std::string& path);
// The list as the profile keeps it, empty slots skipped.
std::vector<std::string> ReadRecentFiles(const IProfileStore& profile, size_t max_count);
void WriteRecentFiles(IProfileStore& profile, const std::vector<std::string>& list, size_t max_count);
