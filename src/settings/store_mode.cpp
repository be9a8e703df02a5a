#include "settings/store_mode.h"

#include "platform/registry.h"

#include <QFile>

namespace camtrove::settings {

TSavePreferences DecideStoreMode(const TStoreLocation& location)
{
    if (QFile::exists(location.IniFilePath(kTitre)))
        return spPortable;
    platform::Registry registry(location.registryFolder);
    QString stored;
    if (registry.OpenKey(kKeyPath, false))
        stored = registry.ReadString(QStringLiteral("Exename")).value_or(QString());
    if (!stored.isEmpty() && stored.toLower() == location.exeName.toLower())
        return spRegistre;
    return spNone;
}

QString RebaseFolder(const QString& value, const QString& oldBase, const QString& newBase)
{
    if (value.isEmpty() || oldBase.isEmpty() || newBase.isEmpty())
        return value;
    if (!value.startsWith(oldBase, Qt::CaseInsensitive))
        return value;
    return newBase + value.mid(oldBase.size());
}

} // namespace camtrove::settings
