#include "media/devices/tape_transport.h"

#include "media/core/device_interfaces.h"

#include <algorithm>

namespace camtrove::media {
namespace {

struct State
{
    std::int32_t mode;
    std::int64_t tenths; // 0 .. frameCount * 10
};

[[nodiscard]] std::uint64_t Pack(State s)
{
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(s.mode)) << 32 |
           static_cast<std::uint32_t>(s.tenths);
}

[[nodiscard]] State Unpack(std::uint64_t word)
{
    return {static_cast<std::int32_t>(word >> 32), static_cast<std::int64_t>(word & 0xFFFFFFFFu)};
}

// Tenths of a frame the tape moves in one period, and whether a picture is shown meanwhile.
struct Motion
{
    std::int64_t tenths;
    bool picture;
};

[[nodiscard]] std::optional<Motion> MotionOf(std::int32_t mode)
{
    switch (mode) {
    case ED_MODE_STOP:
        return Motion{0, false};
    case ED_MODE_PLAY:
        return Motion{10, true};
    case ED_MODE_FREEZE:
        return Motion{0, true};
    case ED_MODE_FF:
        return Motion{100, false};
    case ED_MODE_REW:
        return Motion{-100, false};
    case ED_MODE_PLAY_FASTEST_FWD:
        return Motion{100, true};
    case ED_MODE_PLAY_FASTEST_REV:
        return Motion{-100, true};
    case ED_MODE_PLAY_SLOWEST_FWD:
        return Motion{1, true};
    case ED_MODE_PLAY_SLOWEST_REV:
        return Motion{-1, true};
    default:
        return std::nullopt;
    }
}

} // namespace

TapeTransport::TapeTransport(int frameCount)
    : m_frameCount(std::max(frameCount, 0)), m_state(Pack({ED_MODE_STOP, 0}))
{
}

bool TapeTransport::SetMode(std::int32_t mode)
{
    if (!MotionOf(mode))
        return false;
    std::uint64_t word = m_state.load();
    while (!m_state.compare_exchange_weak(word, Pack({mode, Unpack(word).tenths}))) {
    }
    return true;
}

std::int32_t TapeTransport::Mode() const
{
    return Unpack(m_state.load()).mode;
}

int TapeTransport::Position() const
{
    return ClampedFrame(Unpack(m_state.load()).tenths);
}

void TapeTransport::Rewind()
{
    m_state.store(Pack({ED_MODE_STOP, 0}));
}

int TapeTransport::ClampedFrame(std::int64_t tenths) const
{
    return static_cast<int>(std::clamp<std::int64_t>(tenths / 10, 0, std::max(m_frameCount - 1, 0)));
}

TransportStep TapeTransport::Tick()
{
    const std::int64_t end = std::int64_t{m_frameCount} * 10;
    std::uint64_t word = m_state.load();
    for (;;) {
        const State now = Unpack(word);
        const Motion motion = MotionOf(now.mode).value_or(Motion{0, false});
        TransportStep step;
        State next = now;
        if (motion.picture && now.tenths < end)
            step.frame = ClampedFrame(now.tenths);
        next.tenths = std::clamp<std::int64_t>(now.tenths + motion.tenths, 0, end);
        // Either end of the tape stops the transport; a still picture stays where it is.
        const bool pastEnd = motion.tenths > 0 && next.tenths >= end;
        const bool pastStart = motion.tenths < 0 && now.tenths + motion.tenths < 0;
        if (m_frameCount == 0 || pastEnd || pastStart || (now.tenths >= end && motion.picture)) {
            if (now.mode != ED_MODE_STOP) {
                next.mode = ED_MODE_STOP;
                step.endOfTape = pastEnd || now.tenths >= end;
            }
        }
        if (m_state.compare_exchange_weak(word, Pack(next)))
            return step;
    }
}

} // namespace camtrove::media
