#pragma once
// The data of the registry store: roots, typed values with their exact bytes, and keys whose
// subkeys and values keep the order in which they were created (the enumeration order).

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace camtrove::platform {

enum class RegRoot : std::uint8_t
{
    CurrentUser,
    LocalMachine,
    ClassesRoot,
};

inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;
inline constexpr RegRoot HKEY_CLASSES_ROOT = RegRoot::ClassesRoot;

[[nodiscard]] QString RootName(RegRoot root); // "HKEY_CURRENT_USER" ...

// The published type codes.
enum RegDataType : std::uint32_t
{
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

struct RegValue
{
    QString name;
    std::uint32_t type = REG_NONE;
    QByteArray data;
};

struct RegKey
{
    QString name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<RegKey>> subkeys;

    // Names compare without letter case.
    [[nodiscard]] RegKey* FindSubkey(const QString& keyName) const;
    [[nodiscard]] const RegValue* FindValue(const QString& valueName) const;
    [[nodiscard]] RegValue* FindValue(const QString& valueName);
    RegKey& AddSubkey(const QString& keyName);
    void SetValue(const QString& valueName, std::uint32_t type, const QByteArray& data);
    bool RemoveValue(const QString& valueName);
    bool RemoveSubkey(const QString& keyName);
};

// Splits "a\b\c" into its key names; empty names (doubled or leading separators) are dropped.
[[nodiscard]] std::vector<QString> SplitKeyPath(const QString& path);
// True when a key name can be stored: not empty, no backslash, no control character.
[[nodiscard]] bool IsValidKeyName(const QString& keyName);

} // namespace camtrove::platform
