#include "platform/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace camtrove::platform {

namespace {
constexpr std::int64_t kChunkSize = 4096;
}

bool WriteFileAtomically(const QString& path, const QByteArray& data, const AtomicWriteProgress& progress)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    // Writing in place would defeat the purpose on folders where a temporary file cannot be made.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::int64_t written = 0;
    while (written < data.size()) {
        const std::int64_t count = std::min<std::int64_t>(kChunkSize, data.size() - written);
        if (file.write(data.constData() + written, count) != count) {
            file.cancelWriting();
            return false;
        }
        written += count;
        if (progress)
            progress(written); // may throw: the QSaveFile destructor then discards the temporary file
    }
    return file.commit();
}

} // namespace camtrove::platform
