#pragma once
// The values read from the active sources' native streams at activation, which the labels, the
// inlay filter and the resizer use.

#include <QString>

#include <cstdint>

namespace camtrove::graph {

struct TNativeVideo
{
    QString Compression; // FourCC text, "MPEG1" or "MPEG2"
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t AspectX = 0; // picture aspect, 0 for none
    std::int32_t AspectY = 0;
    std::int32_t FrameDuration = 0; // 100 ns units
    double FrameRate = 0.0;
    bool TemporallyCompressed = false;
};

struct TNativeAudio
{
    std::int32_t SamplesPerSec = 0;
    std::int32_t BitsPerSample = 0;
    std::int32_t Channels = 0;
};

} // namespace camtrove::graph
