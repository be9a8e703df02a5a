#include "media/devices/test_camcorder_settings.h"

#include "platform/registry.h"

#include <algorithm>

namespace camtrove::media {
namespace {

const QString kTapeFile = QStringLiteral("Tape File");
const QString kCameraMode = QStringLiteral("Camera Mode");
const QString kClocked = QStringLiteral("Real Time");
const QString kSystem = QStringLiteral("Synthetic Tape System");
const QString kFrames = QStringLiteral("Synthetic Tape Frames");

} // namespace

TestCamcorderSettings LoadTestCamcorderSettings(platform::Registry& registry)
{
    TestCamcorderSettings settings;
    if (!registry.OpenKeyReadOnly(QString::fromLatin1(kTestCamcorderKey)))
        return settings;
    settings.tapeFile = registry.ReadString(kTapeFile).value_or(QString());
    settings.camera = registry.ReadInteger(kCameraMode).value_or(0) != 0;
    settings.clocked = registry.ReadInteger(kClocked).value_or(1) != 0;
    const QString system = registry.ReadString(kSystem).value_or(QStringLiteral("PAL"));
    settings.syntheticSystem =
        system.compare(QStringLiteral("NTSC"), Qt::CaseInsensitive) == 0 ? TapeSystem::Ntsc : TapeSystem::Pal;
    settings.syntheticFrames = std::max(1, registry.ReadInteger(kFrames).value_or(settings.syntheticFrames));
    registry.CloseKey();
    return settings;
}

bool SaveTestCamcorderSettings(platform::Registry& registry, const TestCamcorderSettings& settings)
{
    if (!registry.OpenKey(QString::fromLatin1(kTestCamcorderKey), true))
        return false;
    const bool saved =
        registry.WriteString(kTapeFile, settings.tapeFile) &&
        registry.WriteInteger(kCameraMode, settings.camera ? 1 : 0) &&
        registry.WriteInteger(kClocked, settings.clocked ? 1 : 0) &&
        registry.WriteString(kSystem, settings.syntheticSystem == TapeSystem::Ntsc ? QStringLiteral("NTSC")
                                                                                   : QStringLiteral("PAL")) &&
        registry.WriteInteger(kFrames, settings.syntheticFrames);
    registry.CloseKey();
    return saved;
}

} // namespace camtrove::media
