#include "platform/registry_hive.h"

#include "platform/atomic_file.h"
#include "platform/registry_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QtDebug>

#include <sys/stat.h>

namespace camtrove::platform {

namespace {

constexpr int kLockTimeoutMs = 10000;

RegistryDamageHandler& DamageHandler()
{
    static RegistryDamageHandler handler = [](const QString& message) { qWarning().noquote() << message; };
    return handler;
}

} // namespace

void SetRegistryDamageHandler(RegistryDamageHandler handler)
{
    DamageHandler() =
        handler ? std::move(handler) : [](const QString& message) { qWarning().noquote() << message; };
}

RegistryHive::RegistryHive(QString filePath, RegRoot root) : m_filePath(std::move(filePath)), m_root(root) {}

RegistryHive::FileIdentity RegistryHive::CurrentIdentity() const
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(m_filePath).constData(), &st) != 0)
        return {};
    return FileIdentity{true, static_cast<long long>(st.st_ino), static_cast<long long>(st.st_size),
                        static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

const RegKey& RegistryHive::Tree()
{
    Refresh(false);
    return m_tree;
}

void RegistryHive::Refresh(bool force)
{
    const FileIdentity identity = CurrentIdentity();
    if (!force && m_loadedOnce && identity == m_loaded)
        return;
    m_loadedOnce = true;
    m_loaded = identity;
    m_tree.values.clear();
    m_tree.subkeys.clear();
    if (!identity.exists)
        return;
    if (m_damagedInPlace)
        return;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable is not damaged: keep the file and refuse to write over it.
        m_damagedInPlace = true;
        DamageHandler()(
            QStringLiteral("The registry file \"%1\" cannot be read; it is left as it is.").arg(m_filePath));
        return;
    }
    const QByteArray text = file.readAll();
    file.close();
    if (const auto error = ParseRegistry(text, m_tree)) {
        m_tree.values.clear();
        m_tree.subkeys.clear();
        SetAsideDamagedFile(error->line > 0
                                ? QStringLiteral("line %1: %2").arg(error->line).arg(error->message)
                                : error->message);
    }
}

void RegistryHive::SetAsideDamagedFile(const QString& reason)
{
    QString aside = m_filePath + QStringLiteral(".damaged");
    for (int n = 1; QFile::exists(aside); ++n)
        aside = m_filePath + QStringLiteral(".damaged.%1").arg(n);
    if (QFile::rename(m_filePath, aside)) {
        m_loaded = CurrentIdentity();
        DamageHandler()(
            QStringLiteral("The registry file \"%1\" is damaged (%2); it was kept as \"%3\" and the "
                           "store starts empty.")
                .arg(m_filePath, reason, aside));
    } else {
        m_damagedInPlace = true;
        DamageHandler()(
            QStringLiteral("The registry file \"%1\" is damaged (%2) and could not be set aside; it is "
                           "read as empty and left as it is.")
                .arg(m_filePath, reason));
    }
}

bool RegistryHive::Modify(const std::function<bool(RegKey& root)>& change)
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    // Without the lock (a read-only folder) the write below fails as well; going on keeps the
    // one failure path.
    const bool locked = lock.tryLock(kLockTimeoutMs);
    Refresh(true);
    if (m_damagedInPlace || !change(m_tree))
        return false;
    const bool written = WriteFileAtomically(m_filePath, SerializeRegistry(m_tree, RootName(m_root)));
    if (locked)
        lock.unlock();
    if (!written) {
        Refresh(true); // back to what the file holds
        return false;
    }
    m_loaded = CurrentIdentity();
    return true;
}

} // namespace camtrove::platform
