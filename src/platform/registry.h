#pragma once
// The stand-in for the Windows registry: three roots, each kept by a RegistryHive in its own text
// file in one folder. The API follows the usual registry wrapper: a root, an optional current
// key, and value operations on the current key (or on the root itself when no key is open).
// A key path starting with a backslash is taken from the root, any other from the current key.
// Key and value names compare without letter case; values keep their exact bytes.

#include "platform/registry_hive.h"
#include "platform/registry_types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace camtrove::platform {

struct RegData
{
    std::uint32_t type = REG_NONE;
    QByteArray bytes;
};

class Registry
{
public:
    // folder holds one file per root; by default $XDG_CONFIG_HOME/camtrove.
    explicit Registry(QString folder = DefaultFolder(), RegRoot root = HKEY_CURRENT_USER);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    [[nodiscard]] static QString DefaultFolder();
    [[nodiscard]] static QString FileNameOf(RegRoot root);
    [[nodiscard]] const QString& Folder() const { return m_folder; }

    [[nodiscard]] RegRoot RootKey() const { return m_root; }
    void SetRootKey(RegRoot root); // closes the current key

    // The key must exist unless canCreate (parents are created too). On success it is current.
    [[nodiscard]] bool OpenKey(const QString& key, bool canCreate);
    [[nodiscard]] bool OpenKeyReadOnly(const QString& key) { return OpenKey(key, false); }
    void CloseKey();
    // Without a leading backslash, empty at the root.
    [[nodiscard]] const QString& CurrentPath() const { return m_currentPath; }
    [[nodiscard]] bool HasCurrentKey() const { return m_hasCurrentKey; }

    [[nodiscard]] bool KeyExists(const QString& key);
    [[nodiscard]] bool ValueExists(const QString& name);
    [[nodiscard]] std::optional<std::uint32_t> GetDataType(const QString& name);
    [[nodiscard]] std::optional<RegData> ReadData(const QString& name);
    [[nodiscard]] bool WriteData(const QString& name, std::uint32_t type, const QByteArray& bytes);

    // REG_SZ of the text and its two-byte terminator.
    [[nodiscard]] bool WriteString(const QString& name, const QString& value);
    [[nodiscard]] bool WriteExpandString(const QString& name, const QString& value);
    // REG_SZ or REG_EXPAND_SZ: (bytes / 2) characters, a final null character dropped.
    [[nodiscard]] std::optional<QString> ReadString(const QString& name);
    [[nodiscard]] bool WriteInteger(const QString& name, std::int32_t value);
    [[nodiscard]] std::optional<std::int32_t> ReadInteger(const QString& name); // REG_DWORD only
    [[nodiscard]] bool WriteBinaryData(const QString& name, const QByteArray& bytes);
    [[nodiscard]] std::optional<QByteArray> ReadBinaryData(const QString& name); // REG_BINARY only

    // Names under the current key, in index order.
    [[nodiscard]] QStringList GetValueNames();
    [[nodiscard]] QStringList GetKeyNames();

    [[nodiscard]] bool DeleteValue(const QString& name);
    // Removes the key with all its subkeys. Refused for the root itself.
    [[nodiscard]] bool DeleteKey(const QString& key);

    // Text codings shared with the stores that write REG_SZ data of their own byte counts.
    [[nodiscard]] static QByteArray Utf16Bytes(const QString& text);
    [[nodiscard]] static QString TextOfStringData(const QByteArray& bytes);

private:
    [[nodiscard]] RegistryHive& Hive();
    [[nodiscard]] std::optional<std::vector<QString>> AbsoluteNames(const QString& key) const;
    [[nodiscard]] const RegKey* CurrentKeyNode();
    [[nodiscard]] bool ModifyCurrentKey(const std::function<bool(RegKey& key)>& change);

    QString m_folder;
    RegRoot m_root;
    QString m_currentPath;
    bool m_hasCurrentKey = false;
    std::unique_ptr<RegistryHive> m_hives[3];
};

} // namespace camtrove::platform
