#pragma once
// MPEG-1 audio as a connection carries it between the audio encoder and the program stream
// multiplexer: MEDIATYPE_Audio / MEDIASUBTYPE_MPEG1Audio with the MPEG-1 wave format (a
// WAVEFORMATEX with the format tag 0x50 followed by the layer, bitrate and mode fields).

#include "media/core/media_type.h"

#include <cstdint>
#include <optional>

namespace camtrove::media {

struct Mpeg1AudioStream
{
    int layer = 2; // 1, 2 or 3
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::uint32_t bitrate = 0; // bits per second
};

// Samples per channel in one frame of the layer.
[[nodiscard]] constexpr int Mpeg1AudioFrameSamples(int layer)
{
    return layer == 1 ? 384 : 1152;
}

// The largest frame of the stream in bytes, padding included.
[[nodiscard]] std::int32_t Mpeg1AudioLongestFrame(const Mpeg1AudioStream& stream);

[[nodiscard]] AM_MEDIA_TYPE MakeMpeg1AudioType(const Mpeg1AudioStream& stream);

// The stream an MPEG-1 audio type (MEDIASUBTYPE_MPEG1Audio or MEDIASUBTYPE_MPEG1AudioPayload with
// the MPEG-1 wave format) describes, or none.
[[nodiscard]] std::optional<Mpeg1AudioStream> Mpeg1AudioStreamOf(const AM_MEDIA_TYPE& type);

} // namespace camtrove::media
