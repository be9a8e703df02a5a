#pragma once
// The intervalometer's arithmetic and texts: the interval in ticks of 100 microseconds that the
// inlay filter counts, the beeps of the countdown, and the snapshot summary of status panel 0.

#include "common/colors.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace camtrove::app {

enum class IntervalUnit : std::uint8_t
{
    Seconds = 0,
    Frames = 1,
    Minutes = 2,
    Hours = 3
};

inline constexpr std::uint32_t kTicksPerSecond = 10000;

// "seconds", "frames", "minutes", "hours": the unit list's texts.
[[nodiscard]] QString UnitText(IntervalUnit unit);

// value × the unit's ticks, "frames" counting 10000 / frames a second rounded. Nothing when the
// interval does not fit the filter's 32-bit count, or when frames are asked of a source with no
// frame rate: the filter would otherwise wait a wrapped, much shorter interval.
[[nodiscard]] std::optional<std::uint32_t> IntervalTicks(std::uint32_t value, IntervalUnit unit,
                                                         double framesPerSecond);
[[nodiscard]] QString IntervalRefusedMessage(std::uint32_t value, IntervalUnit unit);

// Which beep the countdown plays at n seconds left: 0 for "beep0" at 0, 1 for "beep1" from 1 to
// 4, nothing otherwise.
[[nodiscard]] std::optional<int> BeepAt(int secondsLeft);
// "beep0" and "beep1": about 60 ms of 8-bit mono sound at 11025 Hz as a RIFF WAVE file.
[[nodiscard]] QByteArray BeepWave(int which);

struct StatusPanelText
{
    QString text;
    TColor colour;
};
// Status panel 0: the picture type, then the interval in red while the intervalometer runs.
[[nodiscard]] StatusPanelText SnapshotSummary(bool jpeg, bool intervalometerOn, std::uint32_t value,
                                              IntervalUnit unit);

} // namespace camtrove::app
