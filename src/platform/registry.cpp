#include "platform/registry.h"

#include <QStandardPaths>

#include <cstring>

namespace camtrove::platform {

namespace {

const RegKey* FindPath(const RegKey& root, const std::vector<QString>& names)
{
    const RegKey* key = &root;
    for (const QString& name : names) {
        key = key->FindSubkey(name);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

RegKey* FindPath(RegKey& root, const std::vector<QString>& names)
{
    return const_cast<RegKey*>(FindPath(std::as_const(root), names));
}

QString JoinNames(const std::vector<QString>& names)
{
    QStringList list;
    for (const QString& name : names)
        list << name;
    return list.join(QLatin1Char('\\'));
}

} // namespace

Registry::Registry(QString folder, RegRoot root) : m_folder(std::move(folder)), m_root(root) {}

Registry::~Registry() = default;

QString Registry::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/camtrove");
}

QString Registry::FileNameOf(RegRoot root)
{
    switch (root) {
    case RegRoot::CurrentUser:
        return QStringLiteral("current_user.reg");
    case RegRoot::LocalMachine:
        return QStringLiteral("local_machine.reg");
    case RegRoot::ClassesRoot:
        return QStringLiteral("classes_root.reg");
    }
    return {};
}

RegistryHive& Registry::Hive()
{
    auto& hive = m_hives[static_cast<int>(m_root)];
    if (!hive)
        hive = std::make_unique<RegistryHive>(m_folder + QLatin1Char('/') + FileNameOf(m_root), m_root);
    return *hive;
}

void Registry::SetRootKey(RegRoot root)
{
    CloseKey();
    m_root = root;
}

std::optional<std::vector<QString>> Registry::AbsoluteNames(const QString& key) const
{
    std::vector<QString> names;
    if (!key.startsWith(QLatin1Char('\\')) && m_hasCurrentKey)
        names = SplitKeyPath(m_currentPath);
    for (const QString& name : key.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (!IsValidKeyName(name))
            return std::nullopt;
        names.push_back(name);
    }
    return names;
}

bool Registry::OpenKey(const QString& key, bool canCreate)
{
    const auto names = AbsoluteNames(key);
    if (!names)
        return false;
    bool found = FindPath(Hive().Tree(), *names) != nullptr;
    if (!found && canCreate) {
        found = Hive().Modify([&](RegKey& root) {
            RegKey* node = &root;
            for (const QString& name : *names)
                node = &node->AddSubkey(name);
            return true;
        });
    }
    if (!found)
        return false;
    m_currentPath = JoinNames(*names);
    m_hasCurrentKey = true;
    return true;
}

void Registry::CloseKey()
{
    m_currentPath.clear();
    m_hasCurrentKey = false;
}

bool Registry::KeyExists(const QString& key)
{
    const auto names = AbsoluteNames(key);
    return names && FindPath(Hive().Tree(), *names) != nullptr;
}

const RegKey* Registry::CurrentKeyNode()
{
    return FindPath(Hive().Tree(), SplitKeyPath(m_currentPath));
}

bool Registry::ModifyCurrentKey(const std::function<bool(RegKey& key)>& change)
{
    const auto names = SplitKeyPath(m_currentPath);
    return Hive().Modify([&](RegKey& root) {
        // The key may have been deleted by another program since it was opened.
        RegKey* key = FindPath(root, names);
        return key != nullptr && change(*key);
    });
}

bool Registry::ValueExists(const QString& name)
{
    const RegKey* key = CurrentKeyNode();
    return key != nullptr && key->FindValue(name) != nullptr;
}

std::optional<std::uint32_t> Registry::GetDataType(const QString& name)
{
    const auto data = ReadData(name);
    if (!data)
        return std::nullopt;
    return data->type;
}

std::optional<RegData> Registry::ReadData(const QString& name)
{
    const RegKey* key = CurrentKeyNode();
    const RegValue* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr)
        return std::nullopt;
    return RegData{value->type, value->data};
}

bool Registry::WriteData(const QString& name, std::uint32_t type, const QByteArray& bytes)
{
    return ModifyCurrentKey([&](RegKey& key) {
        key.SetValue(name, type, bytes);
        return true;
    });
}

QByteArray Registry::Utf16Bytes(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QString Registry::TextOfStringData(const QByteArray& bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = QChar(char16_t(lo | (hi << 8)));
    }
    if (!text.isEmpty() && text.back().unicode() == 0)
        text.chop(1);
    return text;
}

bool Registry::WriteString(const QString& name, const QString& value)
{
    return WriteData(name, REG_SZ, Utf16Bytes(value) + QByteArray(2, '\0'));
}

bool Registry::WriteExpandString(const QString& name, const QString& value)
{
    return WriteData(name, REG_EXPAND_SZ, Utf16Bytes(value) + QByteArray(2, '\0'));
}

std::optional<QString> Registry::ReadString(const QString& name)
{
    const auto data = ReadData(name);
    if (!data || (data->type != REG_SZ && data->type != REG_EXPAND_SZ))
        return std::nullopt;
    return TextOfStringData(data->bytes);
}

bool Registry::WriteInteger(const QString& name, std::int32_t value)
{
    QByteArray bytes(4, '\0');
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((u >> (8 * i)) & 0xff);
    return WriteData(name, REG_DWORD, bytes);
}

std::optional<std::int32_t> Registry::ReadInteger(const QString& name)
{
    const auto data = ReadData(name);
    if (!data || data->type != REG_DWORD || data->bytes.size() != 4)
        return std::nullopt;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(data->bytes[i]);
    return static_cast<std::int32_t>(u);
}

bool Registry::WriteBinaryData(const QString& name, const QByteArray& bytes)
{
    return WriteData(name, REG_BINARY, bytes);
}

std::optional<QByteArray> Registry::ReadBinaryData(const QString& name)
{
    const auto data = ReadData(name);
    if (!data || data->type != REG_BINARY)
        return std::nullopt;
    return data->bytes;
}

QStringList Registry::GetValueNames()
{
    QStringList names;
    if (const RegKey* key = CurrentKeyNode()) {
        for (const RegValue& value : key->values)
            names << value.name;
    }
    return names;
}

QStringList Registry::GetKeyNames()
{
    QStringList names;
    if (const RegKey* key = CurrentKeyNode()) {
        for (const auto& subkey : key->subkeys)
            names << subkey->name;
    }
    return names;
}

bool Registry::DeleteValue(const QString& name)
{
    return ModifyCurrentKey([&](RegKey& key) { return key.RemoveValue(name); });
}

bool Registry::DeleteKey(const QString& key)
{
    auto names = AbsoluteNames(key);
    if (!names || names->empty())
        return false;
    const QString last = names->back();
    names->pop_back();
    return Hive().Modify([&](RegKey& root) {
        RegKey* parent = FindPath(root, *names);
        return parent != nullptr && parent->RemoveSubkey(last);
    });
}

} // namespace camtrove::platform
