#include "media/devices/test_tape_clip.h"

#include <QSaveFile>

#include <vector>

namespace camtrove::media {

std::optional<QString> WriteTestTapeClip(const QString& path, TapeSystem system, int frames)
{
    if (frames < 0)
        return QStringLiteral("a clip cannot have %1 frames").arg(frames);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot create \"%1\": %2").arg(path, file.errorString());
    TestTape tape(system);
    std::vector<std::uint8_t> frame;
    for (int index = 0; index < frames; ++index) {
        if (auto error = tape.RenderFrame(index, frame))
            return error;
        const auto size = static_cast<qint64>(frame.size());
        if (file.write(reinterpret_cast<const char*>(frame.data()), size) != size)
            return QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
    }
    if (!file.commit())
        return QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
    return std::nullopt;
}

} // namespace camtrove::media
