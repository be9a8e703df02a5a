#include "app/panels/intervalometer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace camtrove::app {
namespace {

void PutLittleEndian(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>(value >> (8 * i) & 0xFF));
}

} // namespace

QString UnitText(IntervalUnit unit)
{
    switch (unit) {
    case IntervalUnit::Frames:
        return QStringLiteral("frames");
    case IntervalUnit::Minutes:
        return QStringLiteral("minutes");
    case IntervalUnit::Hours:
        return QStringLiteral("hours");
    case IntervalUnit::Seconds:
        break;
    }
    return QStringLiteral("seconds");
}

std::optional<std::uint32_t> IntervalTicks(std::uint32_t value, IntervalUnit unit, double framesPerSecond)
{
    std::uint64_t perUnit = kTicksPerSecond;
    switch (unit) {
    case IntervalUnit::Frames:
        if (!(framesPerSecond > 0))
            return std::nullopt;
        perUnit = static_cast<std::uint64_t>(std::llround(kTicksPerSecond / framesPerSecond));
        break;
    case IntervalUnit::Minutes:
        perUnit = 60ULL * kTicksPerSecond;
        break;
    case IntervalUnit::Hours:
        perUnit = 3600ULL * kTicksPerSecond;
        break;
    case IntervalUnit::Seconds:
        break;
    }
    const std::uint64_t ticks = value * perUnit;
    if (ticks > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(ticks);
}

QString IntervalRefusedMessage(std::uint32_t value, IntervalUnit unit)
{
    return QStringLiteral(
               "An interval of %1 %2 cannot be counted.\r\nThe intervalometer waits at most 119 hours, "
               "18 minutes and 16 seconds, and counts frames only from a video source.")
        .arg(value)
        .arg(UnitText(unit));
}

std::optional<int> BeepAt(int secondsLeft)
{
    if (secondsLeft == 0)
        return 0;
    if (secondsLeft >= 1 && secondsLeft <= 4)
        return 1;
    return std::nullopt;
}

QByteArray BeepWave(int which)
{
    constexpr std::uint32_t kRate = 11025;
    constexpr std::uint32_t kSamples = kRate * 60 / 1000;
    // The last beep, at the picture itself, is higher than the four before it.
    const double hertz = which == 0 ? 1760.0 : 880.0;
    QByteArray out;
    out.append("RIFF", 4);
    PutLittleEndian(out, 36 + kSamples + (kSamples & 1), 4);
    out.append("WAVEfmt ", 8);
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2); // PCM
    PutLittleEndian(out, 1, 2); // mono
    PutLittleEndian(out, kRate, 4);
    PutLittleEndian(out, kRate, 4); // bytes a second
    PutLittleEndian(out, 1, 2);     // block align
    PutLittleEndian(out, 8, 2);
    out.append("data", 4);
    PutLittleEndian(out, kSamples, 4);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        // A short fade at both ends keeps the speaker from clicking.
        const double fade = std::min({1.0, i / 110.0, (kSamples - 1 - i) / 110.0});
        const double s = std::sin(2.0 * std::numbers::pi * hertz * i / kRate) * fade;
        out.append(static_cast<char>(static_cast<std::uint8_t>(std::lround(128.0 + 100.0 * s))));
    }
    if (kSamples & 1)
        out.append('\0'); // chunks are padded to an even size
    return out;
}

StatusPanelText SnapshotSummary(bool jpeg, bool intervalometerOn, std::uint32_t value, IntervalUnit unit)
{
    const QString type = jpeg ? QStringLiteral("JPG - ") : QStringLiteral("BMP - ");
    if (intervalometerOn)
        return {type + QStringLiteral("every %1 %2").arg(value).arg(UnitText(unit)), clRed};
    return {type + QStringLiteral("Intervallo OFF"), clBlack};
}

} // namespace camtrove::app
