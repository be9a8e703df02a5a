#pragma once
// How a connection's media type becomes an AVI stream: the stream header's type, handler, rate and
// sample size, the format chunk and the two letters of its data chunks. Kept generic over the type,
// so every video or audio format that carries a VIDEOINFOHEADER or a WAVEFORMATEX goes through.

#include "media/core/media_type.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace camtrove::media {

struct AviStreamFormat
{
    enum class Kind
    {
        Interleaved, // DV type 1: one "iavs" stream of whole DIF frames
        Video,
        Audio,
    };
    Kind kind = Kind::Video;
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::vector<std::uint8_t> strf;
    std::uint32_t scale = 1; // the stream's time base: rate / scale units per second
    std::uint32_t rate = 25;
    std::uint32_t sampleSize = 0; // 0: one chunk is one frame; audio: the block size
    std::uint32_t blockAlign = 1; // audio bytes per length unit
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool allKeyFrames = true;
    char chunkSuffix[2] = {'d', 'c'};
};

// The stream a type gives, or nothing for a type the multiplexer does not take.
[[nodiscard]] std::optional<AviStreamFormat> DescribeAviStream(const AM_MEDIA_TYPE& type);

// Frame rate of a frame duration in 100 ns units as scale and rate, exact for the NTSC rates.
void AviRateOfFrameDuration(std::int64_t duration, std::uint32_t* scale, std::uint32_t* rate);

// Completes an interleaved DV stream from its first frame: 625/50 or 525/60 picks rate and size.
void AdoptDvFrame(AviStreamFormat& format, std::span<const std::uint8_t> frame);

} // namespace camtrove::media
