// QSettings back end of the profile.
#include "app/ui/qt_profile_store.h"

#include "app/core/string_table.h"

namespace {
QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
}  // namespace

CQtProfileStore::CQtProfileStore()
    : settings_(QStringLiteral("Zuvotrix"), QString::fromUtf8(LoadProgramString(kIdsAppName))) {}

CQtProfileStore::CQtProfileStore(const QString& iniPath) : settings_(iniPath, QSettings::IniFormat) {}

std::string CQtProfileStore::GetString(const std::string& section, const std::string& key,
                                       const std::string& fallback) const {
    const QVariant v = settings_.value(Key(section, key));
    return v.isValid() ? v.toString().toStdString() : fallback;
}

void CQtProfileStore::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    settings_.setValue(Key(section, key), QString::fromStdString(value));
}

int CQtProfileStore::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const QVariant v = settings_.value(Key(section, key));
    int value = 0;
    return v.isValid() && ParseProfileInt(v.toString().trimmed().toStdString(), &value) ? value : fallback;
}

void CQtProfileStore::WriteInt(const std::string& section, const std::string& key, int value) {
    settings_.setValue(Key(section, key), value);
}

bool CQtProfileStore::GetBinary(const std::string& section, const std::string& key, std::string* bytes) const {
    const QVariant v = settings_.value(Key(section, key));
    if (!v.isValid()) return false;
    const QByteArray b = v.toByteArray();
    bytes->assign(b.constData(), static_cast<size_t>(b.size()));
    return true;
}

void CQtProfileStore::WriteBinary(const std::string& section, const std::string& key, const std::string& bytes) {
    settings_.setValue(Key(section, key), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool CQtProfileStore::Has(const std::string& section, const std::string& key) const {
    return settings_.contains(Key(section, key));
}
