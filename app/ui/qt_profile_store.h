// The profile in a QSettings file: organisation "Zuvotrix", application "Murmurex".
#pragma once

#include <QSettings>

#include "app/core/profile_store.h"

// GUI thread only.
class CQtProfileStore : public IProfileStore {
public:
    // The user's settings file.
    CQtProfileStore();
    // A settings file of the caller's (tools and tests).
    explicit CQtProfileStore(const QString& iniPath);

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback) const override;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    int GetInt(const std::string& section, const std::string& key, int fallback) const override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    bool GetBinary(const std::string& section, const std::string& key, std::string* bytes) const override;
    void WriteBinary(const std::string& section, const std::string& key, const std::string& bytes) override;
    bool Has(const std::string& section, const std::string& key) const override;
    void Sync() { settings_.sync(); }

private:
    mutable QSettings settings_;
};
