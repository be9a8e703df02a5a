#pragma once
// The test camcorder's own settings, kept in the registry store under
// HKEY_CURRENT_USER\Software\Dorn Vesk\Camtrove\Test Camcorder, where a user sets them once (with
// camtrove-cli camcorder) and every program run finds them.

#include "media/devices/test_tape.h"

#include <QString>

namespace camtrove::platform {
class Registry;
}

namespace camtrove::media {

struct TestCamcorderSettings
{
    QString tapeFile;    // a raw DV file to play; empty: the synthetic tape
    bool camera = false; // camera mode: live pictures, no tape; else a deck (VCR)
    bool clocked = true; // real time; false: as fast as the graph takes frames
    TapeSystem syntheticSystem = TapeSystem::Pal;
    int syntheticFrames = 5 * 60 * 25; // five minutes of PAL
};

inline constexpr const char* kTestCamcorderKey = "\\Software\\Dorn Vesk\\Camtrove\\Test Camcorder";

// Missing or unreadable values keep their defaults.
[[nodiscard]] TestCamcorderSettings LoadTestCamcorderSettings(platform::Registry& registry);
[[nodiscard]] bool SaveTestCamcorderSettings(platform::Registry& registry,
                                             const TestCamcorderSettings& settings);

} // namespace camtrove::media
