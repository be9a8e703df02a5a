#include "app/panels/data_fichier.h"

#include <QDateTime>
#include <QFileInfo>

namespace camtrove::app {
namespace {

TDateTime ToDateTime(const QDateTime& at)
{
    if (!at.isValid())
        return 0;
    const QDateTime local = at.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    return TryEncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(),
                             time.msec())
        .value_or(0);
}

} // namespace

TDataFichier TDataFichier::FromFile(const QString& path)
{
    TDataFichier item;
    item.path = path;
    const QFileInfo info(path);
    item.name = info.fileName();
    item.folder = info.path();
    item.extension = info.suffix();
    if (!info.exists())
        return item;
    item.found = true;
    item.size = static_cast<std::uint64_t>(info.size());
    // Not every file system keeps a birth time; the last status change is the nearest stand-in.
    const QDateTime born = info.birthTime();
    item.creationTime = ToDateTime(born.isValid() ? born : info.metadataChangeTime());
    item.lastWriteTime = ToDateTime(info.lastModified());
    item.lastAccessTime = ToDateTime(info.lastRead());
    item.attributes = static_cast<std::uint32_t>(info.permissions());
    return item;
}

} // namespace camtrove::app
