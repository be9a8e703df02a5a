#include "platform/registry_types.h"

#include <QStringList>

#include <algorithm>

namespace camtrove::platform {

namespace {
bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

QString RootName(RegRoot root)
{
    switch (root) {
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return {};
}

RegKey* RegKey::FindSubkey(const QString& keyName) const
{
    for (const auto& key : subkeys) {
        if (SameName(key->name, keyName))
            return key.get();
    }
    return nullptr;
}

const RegValue* RegKey::FindValue(const QString& valueName) const
{
    for (const RegValue& value : values) {
        if (SameName(value.name, valueName))
            return &value;
    }
    return nullptr;
}

RegValue* RegKey::FindValue(const QString& valueName)
{
    return const_cast<RegValue*>(std::as_const(*this).FindValue(valueName));
}

RegKey& RegKey::AddSubkey(const QString& keyName)
{
    if (RegKey* existing = FindSubkey(keyName))
        return *existing;
    auto key = std::make_unique<RegKey>();
    key->name = keyName;
    subkeys.push_back(std::move(key));
    return *subkeys.back();
}

void RegKey::SetValue(const QString& valueName, std::uint32_t type, const QByteArray& data)
{
    // A rewritten value keeps its place and the letter case of its first writer, as the registry does.
    if (RegValue* existing = FindValue(valueName)) {
        existing->type = type;
        existing->data = data;
        return;
    }
    values.push_back(RegValue{valueName, type, data});
}

bool RegKey::RemoveValue(const QString& valueName)
{
    const auto it = std::find_if(values.begin(), values.end(),
                                 [&](const RegValue& value) { return SameName(value.name, valueName); });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

bool RegKey::RemoveSubkey(const QString& keyName)
{
    const auto it = std::find_if(subkeys.begin(), subkeys.end(),
                                 [&](const auto& key) { return SameName(key->name, keyName); });
    if (it == subkeys.end())
        return false;
    subkeys.erase(it);
    return true;
}

std::vector<QString> SplitKeyPath(const QString& path)
{
    std::vector<QString> names;
    for (const QString& part : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        names.push_back(part);
    return names;
}

bool IsValidKeyName(const QString& keyName)
{
    if (keyName.isEmpty())
        return false;
    return std::none_of(keyName.begin(), keyName.end(), [](QChar c) {
        return c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f;
    });
}

} // namespace camtrove::platform
