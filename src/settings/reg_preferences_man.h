#pragma once
// The component's store in the registry: values under HKEY_CURRENT_USER\<root path>\<path>.

#include "platform/registry.h"
#include "settings/preferences_man.h"

namespace camtrove::settings {

class TRegPreferencesMan final : public TPreferencesMan
{
public:
    // rootPath without a leading backslash ("Software\Dorn Vesk\Camtrove").
    TRegPreferencesMan(const QString& registryFolder, QString rootPath, bool create);

    bool GetValueNames(QStringList& list) override;
    bool GetKeyNames(QStringList& list) override;
    bool OpenKey(const QString& name, bool create) override;
    bool CloseKey() override;
    // REG_SZ of twice the length plus one bytes: the text and the first byte of its terminator.
    bool WriteString(const QString& name, const QString& value) override;
    bool ReadString(const QString& name, QString& value) override;
    bool DeleteValue(const QString& name) override;
    bool WriteBool(const QString& name, bool value) override;
    // 0 false, 1 true; another number is found but leaves value unchanged.
    bool ReadBool(const QString& name, bool& value) override;
    bool WriteInteger(const QString& name, std::int32_t value) override;
    // The data of any type that fits in 4 bytes.
    bool ReadInteger(const QString& name, std::int32_t& value) override;
    bool WriteFloat(const QString& name, double value) override;
    bool ReadFloat(const QString& name, double& value) override;

private:
    [[nodiscard]] bool Open(const QString& path, bool create);

    platform::Registry m_registry;
    QString m_rootPath;
    bool m_open = false;
};

} // namespace camtrove::settings
