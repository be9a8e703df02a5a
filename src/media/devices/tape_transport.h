#pragma once
// The tape transport of a camcorder or deck: its mode and the tape position, moved one frame
// period at a time. Mode and position live together in one atomic word, so the control thread
// can change the mode while the streaming thread moves the tape, without a lock and without ever
// seeing a mode of one moment with the position of another.

#include <atomic>
#include <cstdint>
#include <optional>

namespace camtrove::media {

struct TransportStep
{
    std::optional<int> frame; // the tape frame to show in this period, if any
    bool endOfTape = false;   // the tape ran out in this period and the transport stopped
};

class TapeTransport
{
public:
    // A tape of frameCount frames, stopped at its start.
    explicit TapeTransport(int frameCount);

    [[nodiscard]] int FrameCount() const { return m_frameCount; }

    // One of the ED_MODE_ values; false for a mode the transport does not have.
    [[nodiscard]] bool SetMode(std::int32_t mode);
    [[nodiscard]] std::int32_t Mode() const;
    // The frame under the head (the last one at the end of the tape).
    [[nodiscard]] int Position() const;
    void Rewind(); // to the start, stopped

    // Moves the tape by one frame period: play moves one frame, the slow modes a tenth of a
    // frame, the fast modes ten frames (the winding ones without a picture).
    [[nodiscard]] TransportStep Tick();

private:
    [[nodiscard]] int ClampedFrame(std::int64_t tenths) const;

    int m_frameCount;
    std::atomic<std::uint64_t> m_state; // mode in the high half, position in tenths of frames in the low
};

} // namespace camtrove::media
