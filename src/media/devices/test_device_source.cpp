#include "media/devices/test_device_source.h"

#include "media/devices/test_camcorder.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_mpeg_camera.h"
#include "media/devices/test_sound_card.h"
#include "platform/registry.h"

#include <algorithm>

namespace camtrove::media {
namespace {

const QString kCamcorders = QStringLiteral("Camcorders");
const QString kCameraFails = QStringLiteral("Camera Fails To Attach");
const QString kMpegCamera = QStringLiteral("MPEG Camera");

} // namespace

TestDeviceSettings LoadTestDeviceSettings(platform::Registry& registry)
{
    TestDeviceSettings settings;
    if (!registry.OpenKeyReadOnly(QString::fromLatin1(kTestDevicesKey)))
        return settings;
    settings.camcorders =
        std::clamp(registry.ReadInteger(kCamcorders).value_or(settings.camcorders), 0, kMaxTestCamcorders);
    settings.cameraFailsToAttach = registry.ReadInteger(kCameraFails).value_or(0) != 0;
    settings.mpegCamera = registry.ReadInteger(kMpegCamera).value_or(0) != 0;
    registry.CloseKey();
    return settings;
}

bool SaveTestDeviceSettings(platform::Registry& registry, const TestDeviceSettings& settings)
{
    if (!registry.OpenKey(QString::fromLatin1(kTestDevicesKey), true))
        return false;
    const bool saved = registry.WriteInteger(kCamcorders, settings.camcorders) &&
                       registry.WriteInteger(kCameraFails, settings.cameraFailsToAttach ? 1 : 0) &&
                       registry.WriteInteger(kMpegCamera, settings.mpegCamera ? 1 : 0);
    registry.CloseKey();
    return saved;
}

TestDeviceSource::TestDeviceSource(TestDeviceSettings settings,
                                   std::function<TestCamcorderSettings()> camcorder)
    : m_settings(settings), m_camcorder(std::move(camcorder))
{
}

std::shared_ptr<TestDeviceSource> TestDeviceSource::FromStore()
{
    auto source = std::make_shared<TestDeviceSource>(TestDeviceSettings{}, [] {
        platform::Registry registry;
        return LoadTestCamcorderSettings(registry);
    });
    source->m_settings.reset();
    return source;
}

TestDeviceSettings TestDeviceSource::CurrentSettings() const
{
    if (m_settings)
        return *m_settings;
    platform::Registry registry;
    return LoadTestDeviceSettings(registry);
}

std::vector<DeviceEntry> TestDeviceSource::Devices(const GUID& category) const
{
    const TestDeviceSettings settings = CurrentSettings();
    std::vector<DeviceEntry> devices;
    if (category == CLSID_VideoInputDeviceCategory) {
        for (int n = 1; n <= settings.camcorders; ++n)
            devices.push_back({QString::fromLatin1(kTestCamcorderName), CLSID_TestCamcorder,
                               QStringLiteral("camtrove-test:camcorder/%1").arg(n),
                               [camcorder = m_camcorder] {
                                   return ComPtr<IBaseFilter>(TestCamcorder::Create(camcorder()));
                               }});
        devices.push_back({QStringLiteral("Camtrove Test Camera"), CLSID_TestCamera,
                           QStringLiteral("camtrove-test:camera"), [fails = settings.cameraFailsToAttach] {
                               return ComPtr<IBaseFilter>(TestCamera::Create(fails));
                           }});
        if (settings.mpegCamera)
            devices.push_back({QStringLiteral("Camtrove Test MPEG Camera"), CLSID_TestMpegCamera,
                               QStringLiteral("camtrove-test:mpeg-camera"),
                               [] { return ComPtr<IBaseFilter>(TestMpegCamera::Create()); }});
    } else if (category == CLSID_AudioInputDeviceCategory) {
        devices.push_back({QStringLiteral("Camtrove Test Sound Card"), CLSID_TestSoundCard,
                           QStringLiteral("camtrove-test:sound-card"),
                           [] { return ComPtr<IBaseFilter>(TestSoundCard::Create()); }});
    }
    return devices;
}

DeviceSources SystemDeviceSources()
{
    return {TestDeviceSource::FromStore()};
}

} // namespace camtrove::media
