#pragma once
// Reads the parameter list's values from the store of one mode, for the length of one load.
// Reads never fail outward: a value missing or of the wrong form gives its default (in the ini
// file, numbers that do not parse give 0).

#include "platform/registry.h"
#include "settings/incrust_rec.h"
#include "settings/save_preferences.h"
#include "settings/store_location.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace camtrove::settings {

class TReadPreferences
{
public:
    TReadPreferences(QString keyPath, TSavePreferences mode, const TStoreLocation& location);
    // False when the ini file of mode 1 cannot be read: every read then gives its default.
    [[nodiscard]] bool IsOpen() const { return m_open; }

    [[nodiscard]] bool ReadBoolean(const QString& key, bool defaultValue);
    [[nodiscard]] std::int32_t ReadInteger(const QString& key, std::int32_t defaultValue);
    [[nodiscard]] double ReadReal(const QString& key, double defaultValue);
    [[nodiscard]] QString ReadWideString(const QString& key, const QString& defaultValue);
    [[nodiscard]] TfontRecord ReadFontRecord(const QString& key, const TfontRecord& defaultValue);
    [[nodiscard]] TincrustRec ReadIncrustRec(const QString& key, const TincrustRec& defaultValue);

private:
    [[nodiscard]] std::optional<QString> IniValue(const QString& key) const;
    // Reads a record's fields inside subkey key of the registry, then reopens the key it left.
    template <typename Fill> [[nodiscard]] bool InRegistrySubkey(const QString& key, Fill fill);
    [[nodiscard]] TfontRecord ReadFontFields(const QString& key, const TfontRecord& defaultValue);

    QString m_keyPath;
    QString m_sectionHeader;
    TSavePreferences m_mode;
    bool m_open = true;
    std::unique_ptr<platform::Registry> m_registry;
    bool m_keyOpen = false;
    QStringList m_lines;
};

} // namespace camtrove::settings
