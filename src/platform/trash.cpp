#include "platform/trash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace camtrove::platform {

bool MoveToTrash(const QString& path)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    return QFile::moveToTrash(path);
}

} // namespace camtrove::platform
