#pragma once
// Writes the parameter list's values to the store of one mode, for the length of one save.
// Each write swallows its own error (the value is not stored and the save goes on); Failed()
// tells the caller afterwards. In mode 1 the lines reach the file only at Commit().

#include "platform/registry.h"
#include "settings/incrust_rec.h"
#include "settings/save_preferences.h"
#include "settings/store_location.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace camtrove::settings {

class TWritePreferences
{
public:
    TWritePreferences(QString keyPath, TSavePreferences mode, const TStoreLocation& location);

    void WriteBoolean(const QString& key, bool value);
    void WriteInteger(const QString& key, std::int32_t value);
    void WriteReal(const QString& key, double value);
    void WriteWideString(const QString& key, const QString& value);
    void WriteFontRecord(const QString& key, const TfontRecord& value);
    void WriteIncrustRec(const QString& key, const TincrustRec& value);

    // Mode 1: writes the whole file atomically. False when it cannot be written (the old file
    // stays) or when any value could not be stored.
    [[nodiscard]] bool Commit();
    [[nodiscard]] bool Failed() const { return m_failed; }

private:
    void Store(const QString& key, const QString& iniText, const std::function<bool()>& registryWrite);
    template <typename Fill> void InRegistrySubkey(const QString& key, Fill fill);

    QString m_keyPath;
    QString m_sectionHeader;
    TSavePreferences m_mode;
    QString m_iniPath;
    std::unique_ptr<platform::Registry> m_registry;
    bool m_keyOpen = false;
    bool m_failed = false;
    QStringList m_lines;
};

} // namespace camtrove::settings
