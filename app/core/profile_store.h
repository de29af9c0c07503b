// The user's settings: sections and keys of strings, integers and byte blocks. The program keeps
// them in a QSettings file; tests use the in-memory store.
#pragma once

#include <map>
#include <string>
#include <utility>

// User-interface thread only.
class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& fallback) const = 0;
    virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
    // A missing value or one that is not a whole number gives the fallback.
    virtual int GetInt(const std::string& section, const std::string& key, int fallback) const = 0;
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    // Bytes of any value (the docking layout); false when there is none.
    virtual bool GetBinary(const std::string& section, const std::string& key, std::string* bytes) const = 0;
    virtual void WriteBinary(const std::string& section, const std::string& key, const std::string& bytes) = 0;
    virtual bool Has(const std::string& section, const std::string& key) const = 0;
};

// Every value kept as its text (integers in decimal), nothing stored.
class CMemoryProfileStore : public IProfileStore {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback) const override;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    int GetInt(const std::string& section, const std::string& key, int fallback) const override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    bool GetBinary(const std::string& section, const std::string& key, std::string* bytes) const override;
    void WriteBinary(const std::string& section, const std::string& key, const std::string& bytes) override;
    bool Has(const std::string& section, const std::string& key) const override;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Parses a whole decimal number with an optional sign; false for anything else or out of range.
bool ParseProfileInt(const std::string& text, int* value);
