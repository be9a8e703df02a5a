#pragma once
// One registry root kept in its text file. Reads bring the tree up to date with the file when
// another program has replaced it; every change re-reads the file under a lock file, applies the
// change and writes the whole file atomically, so two programs never undo each other's writes.
// A file that cannot be parsed is reported once, renamed aside with a ".damaged" suffix and read
// as empty. Not thread-safe; the UI thread owns it.

#include "platform/registry_types.h"

#include <QString>

#include <functional>

namespace camtrove::platform {

// Receives the one-line report of a damaged file; the default handler writes a warning.
using RegistryDamageHandler = std::function<void(const QString& message)>;
void SetRegistryDamageHandler(RegistryDamageHandler handler);

class RegistryHive
{
public:
    RegistryHive(QString filePath, RegRoot root);
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    [[nodiscard]] const QString& FilePath() const { return m_filePath; }

    // The tree as the file holds it now.
    [[nodiscard]] const RegKey& Tree();

    // change returns false to leave the store as it was. False when it does, or when the file
    // cannot be written (the store then keeps the file's content).
    [[nodiscard]] bool Modify(const std::function<bool(RegKey& root)>& change);

private:
    struct FileIdentity
    {
        bool exists = false;
        long long inode = 0;
        long long size = 0;
        long long mtimeNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    [[nodiscard]] FileIdentity CurrentIdentity() const;
    void Refresh(bool force);
    void SetAsideDamagedFile(const QString& reason);

    QString m_filePath;
    RegRoot m_root;
    RegKey m_tree;
    FileIdentity m_loaded;
    bool m_loadedOnce = false;
    bool m_damagedInPlace = false; // a damaged file that could not be renamed: never overwrite it
};

} // namespace camtrove::platform
