#pragma once
// The messages the filters post to the main window, and the queue they post them through.
// Posting never waits for the window: a streaming thread must not block on the user interface.

#include <cstdint>

namespace camtrove::filters {

inline constexpr std::uint32_t WM_IMAGEGRABBED = 0x0401;       // (0, grab slot 0 to 19)
inline constexpr std::uint32_t WM_INTERVALOCOUNTDOWN = 0x0402; // (whole seconds to the next grab, 0)
inline constexpr std::uint32_t WM_DVASPECT = 0x0403;           // (1, 1 for 16:9 or 0 for 4:3)

class WindowMessageSink
{
public:
    virtual ~WindowMessageSink() = default;
    // Called on a streaming thread; queues the message for the window's event loop.
    virtual void PostWindowMessage(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) = 0;
};

} // namespace camtrove::filters
