#pragma once
// The built-in test devices as the device enumerator lists them: the test camcorders (one by
// default; tests and users may ask for more, each with its own device path, so that identical
// camcorders are told apart), the test camera, the test MPEG camera when asked for, and the test
// sound card. Which ones are listed is
// a setting of the registry store under HKEY_CURRENT_USER\Software\Dorn Vesk\Camtrove\Test Devices,
// beside the test camcorder's own settings.

#include "media/core/device_source.h"
#include "media/devices/test_camcorder_settings.h"

#include <functional>
#include <memory>

namespace camtrove::platform {
class Registry;
}

namespace camtrove::media {

struct TestDeviceSettings
{
    int camcorders = 1;               // 0 to kMaxTestCamcorders
    bool cameraFailsToAttach = false; // the test camera lists its stream but never connects it
    bool mpegCamera = false;          // the test MPEG camera is listed after the test camera
};

inline constexpr int kMaxTestCamcorders = 8;
inline constexpr const char* kTestDevicesKey = "\\Software\\Dorn Vesk\\Camtrove\\Test Devices";

// Missing or unreadable values keep their defaults; the camcorder count is kept in range.
[[nodiscard]] TestDeviceSettings LoadTestDeviceSettings(platform::Registry& registry);
[[nodiscard]] bool SaveTestDeviceSettings(platform::Registry& registry, const TestDeviceSettings& settings);

class TestDeviceSource final : public DeviceSource
{
public:
    // Each camcorder made from the list takes the settings camcorder gives at that moment.
    TestDeviceSource(TestDeviceSettings settings, std::function<TestCamcorderSettings()> camcorder);
    // Both from the registry store in its default place, read when the devices are listed and
    // when each camcorder is made.
    [[nodiscard]] static std::shared_ptr<TestDeviceSource> FromStore();

    [[nodiscard]] std::vector<DeviceEntry> Devices(const GUID& category) const override;

private:
    [[nodiscard]] TestDeviceSettings CurrentSettings() const;

    std::optional<TestDeviceSettings> m_settings; // none: read the store each time
    std::function<TestCamcorderSettings()> m_camcorder;
};

// The device sources of this machine, the built-in test devices last.
[[nodiscard]] DeviceSources SystemDeviceSources();

} // namespace camtrove::media
