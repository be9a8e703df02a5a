#pragma once
// Gives an image-by-image AVI capture its playback rate: the scale and rate fields of the video
// stream's header are overwritten in place and nothing else in the file changes.
//
// The RIFF walk trusts no size in the file: a chunk's size is cut to what is left of the file and of
// the list that holds it, every chunk moves the walk forward by at least its 8-byte header, and lists
// nest only so deep, so a corrupt or hostile file ends the walk in one pass instead of reading past its
// end, looping or exhausting the stack.

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace camtrove::filters {

// Called between chunks so that a window can handle its pending events during a long walk.
using PumpEvents = std::function<void()>;

inline constexpr std::uint32_t kAviFrameRateRate = 1000000;

// The file position of the scale field of the last "vids" or "iavs" stream header, or none.
[[nodiscard]] std::optional<std::int64_t> FindVideoRatePosition(const QString& fileName,
                                                                const PumpEvents& pumpEvents = {});

// 1000000 / framesPerSecond rounded to the nearest integer, halves to even; none when the rate is not
// above 0 (or NaN) or the scale would be 0 or not fit 32 bits.
[[nodiscard]] std::optional<std::uint32_t> AviScaleForFrameRate(double framesPerSecond);

enum class AviFrameRateStatus
{
    Written,
    BadFrameRate, // not above 0, NaN, or a scale outside 1 .. 2^32 - 1
    FileMissing,
    CannotRead,
    NoVideoStreamHeader, // no "vids" or "iavs" stream header holding a scale and a rate
    CannotWrite,         // the file could not be opened for writing, or the write failed
};

struct AviFrameRateResult
{
    AviFrameRateStatus status = AviFrameRateStatus::Written;
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
    std::int64_t scalePosition = -1;
    QString message; // for the user when the status is not Written

    [[nodiscard]] bool Ok() const { return status == AviFrameRateStatus::Written; }
};

// Writes scale := AviScaleForFrameRate(framesPerSecond) and rate := 1000000, both unsigned 32-bit
// little-endian, at the scale position found by FindVideoRatePosition. On any status but Written the
// file is left as it was.
[[nodiscard]] AviFrameRateResult SetAviFrameRate(const QString& fileName, double framesPerSecond,
                                                 const PumpEvents& pumpEvents = {});

} // namespace camtrove::filters
