#pragma once
// The capture states of the main window, as the status bar, the schedule and the source panel see them.

#include <cstdint>

namespace camtrove::app {

enum TCaptureState : std::uint8_t
{
    csNotReady = 0,
    csIdle = 1,
    csCapturing = 2,
    csScheduled = 3,
    csScheduledCapturing = 4
};

[[nodiscard]] constexpr bool IsCapturing(TCaptureState state)
{
    return state == csCapturing || state == csScheduledCapturing;
}

} // namespace camtrove::app
