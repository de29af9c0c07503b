// The recent-file list.
#include "app/core/recent_files.h"

#include <algorithm>

#include "app/core/profile_store.h"

void AddRecentFile(std::vector<std::string>* list, const std::string& path, size_t max_count) {
    if (path.empty()) return;
    list->erase(std::remove(list->begin(), list->end(), path), list->end());
    list->insert(list->begin(), path);
    if (list->size() > max_count) list->resize(max_count);
}

void RemoveRecentFile(std::vector<std::string>* list, const std::string& path) {
    list->erase(std::remove(list->begin(), list->end(), path), list->end());
}

std::vector<std::string> ReadRecentFiles(const IProfileStore& profile, size_t max_count) {
    std::vector<std::string> list;
    for (size_t i = 0; i < max_count; ++i) {
        std::string path = profile.GetString("Recent File List", "File" + std::to_string(i + 1), "");
        if (!path.empty()) list.push_back(std::move(path));
    }
    return list;
}

void WriteRecentFiles(IProfileStore& profile, const std::vector<std::string>& list, size_t max_count) {
    for (size_t i = 0; i < max_count; ++i)
        profile.WriteString("Recent File List", "File" + std::to_string(i + 1), i < list.size() ? list[i] : "");
}
