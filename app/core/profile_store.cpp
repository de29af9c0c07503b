// The in-memory profile store.
#include "app/core/profile_store.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

bool ParseProfileInt(const std::string& text, int* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

std::string CMemoryProfileStore::GetString(const std::string& section, const std::string& key,
                                           const std::string& fallback) const {
    const auto it = values_.find({section, key});
    return it == values_.end() ? fallback : it->second;
}

void CMemoryProfileStore::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    values_[{section, key}] = value;
}

int CMemoryProfileStore::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const auto it = values_.find({section, key});
    int v = 0;
    return it != values_.end() && ParseProfileInt(it->second, &v) ? v : fallback;
}

void CMemoryProfileStore::WriteInt(const std::string& section, const std::string& key, int value) {
    values_[{section, key}] = std::to_string(value);
}

bool CMemoryProfileStore::GetBinary(const std::string& section, const std::string& key, std::string* bytes) const {
    const auto it = values_.find({section, key});
    if (it == values_.end()) return false;
    *bytes = it->second;
    return true;
}

void CMemoryProfileStore::WriteBinary(const std::string& section, const std::string& key, const std::string& bytes) {
    values_[{section, key}] = bytes;
}

bool CMemoryProfileStore::Has(const std::string& section, const std::string& key) const {
    return values_.count({section, key}) != 0;
}
