#include "settings/reg_preferences_man.h"

#include <cstring>

namespace camtrove::settings {

TRegPreferencesMan::TRegPreferencesMan(const QString& registryFolder, QString rootPath, bool create)
    : m_registry(registryFolder), m_rootPath(std::move(rootPath))
{
    m_open = Open(QString(), create);
}

bool TRegPreferencesMan::Open(const QString& path, bool create)
{
    const QString full =
        QLatin1Char('\\') + m_rootPath + (path.isEmpty() ? QString() : QLatin1Char('\\') + path);
    return m_registry.OpenKey(full, create);
}

bool TRegPreferencesMan::GetValueNames(QStringList& list)
{
    if (!m_open)
        return false;
    list << m_registry.GetValueNames();
    return true;
}

bool TRegPreferencesMan::GetKeyNames(QStringList& list)
{
    if (!m_open)
        return false;
    list << m_registry.GetKeyNames();
    return true;
}

bool TRegPreferencesMan::OpenKey(const QString& name, bool create)
{
    const QString path = ChildPath(name);
    if (!Open(path, create))
        return false;
    m_path = path;
    m_open = true;
    return true;
}

bool TRegPreferencesMan::CloseKey()
{
    m_path = ParentPath();
    m_open = Open(m_path, false);
    return m_open;
}

bool TRegPreferencesMan::WriteString(const QString& name, const QString& value)
{
    return m_open && m_registry.WriteData(name, platform::REG_SZ,
                                          platform::Registry::Utf16Bytes(value) + QByteArray(1, '\0'));
}

bool TRegPreferencesMan::ReadString(const QString& name, QString& value)
{
    if (!m_open)
        return false;
    const auto data = m_registry.ReadData(name);
    if (!data || (data->type != platform::REG_SZ && data->type != platform::REG_EXPAND_SZ))
        return false;
    value = data->bytes.size() == 1 ? QString() : platform::Registry::TextOfStringData(data->bytes);
    return true;
}

bool TRegPreferencesMan::DeleteValue(const QString& name)
{
    return m_open && m_registry.DeleteValue(name);
}

bool TRegPreferencesMan::WriteBool(const QString& name, bool value)
{
    return WriteInteger(name, value ? 1 : 0);
}

bool TRegPreferencesMan::ReadBool(const QString& name, bool& value)
{
    std::int32_t number = 0;
    if (!ReadInteger(name, number))
        return false;
    if (number == 0 || number == 1)
        value = number == 1;
    return true;
}

bool TRegPreferencesMan::WriteInteger(const QString& name, std::int32_t value)
{
    return m_open && m_registry.WriteInteger(name, value);
}

bool TRegPreferencesMan::ReadInteger(const QString& name, std::int32_t& value)
{
    if (!m_open)
        return false;
    const auto data = m_registry.ReadData(name);
    if (!data || data->bytes.size() > 4)
        return false;
    std::uint32_t number = 0;
    std::memcpy(&number, data->bytes.constData(), data->bytes.size());
    value = static_cast<std::int32_t>(number);
    return true;
}

bool TRegPreferencesMan::WriteFloat(const QString& name, double value)
{
    QByteArray bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return m_open && m_registry.WriteBinaryData(name, bytes);
}

bool TRegPreferencesMan::ReadFloat(const QString& name, double& value)
{
    if (!m_open)
        return false;
    const auto data = m_registry.ReadData(name);
    if (!data || data->bytes.size() > 8)
        return false;
    double number = 0;
    std::memcpy(&number, data->bytes.constData(), data->bytes.size());
    value = number;
    return true;
}

} // namespace camtrove::settings
