#pragma once
// MPEG audio Layer III as the framework describes it: the two format blocks a connection may carry
// it in (the MP3 wave format and the MPEG-1 audio payload format), and the frame header that tells
// where one frame ends and how many samples it holds.

#include "media/core/media_type.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace camtrove::media {

inline constexpr std::uint16_t WAVE_FORMAT_MPEG = 0x50;
inline constexpr std::uint16_t MPEGLAYER3_ID_MPEG = 1;
inline constexpr std::uint16_t ACM_MPEG_LAYER3 = 4;
inline constexpr std::uint16_t ACM_MPEG_STEREO = 1;
inline constexpr std::uint16_t ACM_MPEG_JOINTSTEREO = 2;
inline constexpr std::uint16_t ACM_MPEG_SINGLECHANNEL = 8;
inline constexpr std::uint16_t ACM_MPEG_ID_MPEG1 = 0x10;

#pragma pack(push, 1)
struct MPEGLAYER3WAVEFORMAT
{
    WAVEFORMATEX wfx;
    std::uint16_t wID = MPEGLAYER3_ID_MPEG;
    std::uint32_t fdwFlags = 0;
    std::uint16_t nBlockSize = 0;
    std::uint16_t nFramesPerBlock = 1;
    std::uint16_t nCodecDelay = 0;
};

struct MPEG1WAVEFORMAT
{
    WAVEFORMATEX wfx;
    std::uint16_t fwHeadLayer = ACM_MPEG_LAYER3;
    std::uint32_t dwHeadBitrate = 0;
    std::uint16_t fwHeadMode = 0;
    std::uint16_t fwHeadModeExt = 0;
    std::uint16_t wHeadEmphasis = 1; // none
    std::uint16_t fwHeadFlags = ACM_MPEG_ID_MPEG1;
    std::uint32_t dwPTSLow = 0;
    std::uint32_t dwPTSHigh = 0;
};
#pragma pack(pop)

static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30);
static_assert(sizeof(MPEG1WAVEFORMAT) == 40);

// What an MPEG-1 Layer III connection carries.
struct Mp3Stream
{
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::uint32_t kbps = 0;
};

// The bitrates a Layer III frame header can name at the MPEG-1 rates (32000, 44100, 48000 Hz).
[[nodiscard]] bool IsMpeg1Layer3Bitrate(std::uint32_t kbps);
// The closest of them; the lower one on a tie.
[[nodiscard]] std::uint32_t NearestMpeg1Layer3Bitrate(std::uint32_t kbps);

// MEDIATYPE_Audio / MEDIASUBTYPE_MP3 with an MPEGLAYER3WAVEFORMAT.
[[nodiscard]] AM_MEDIA_TYPE MakeMp3Type(const Mp3Stream& stream);
// MEDIATYPE_Audio / MEDIASUBTYPE_MPEG1AudioPayload with an MPEG1WAVEFORMAT naming Layer III.
[[nodiscard]] AM_MEDIA_TYPE MakeMpegLayer3PayloadType(const Mp3Stream& stream);
// The stream either type describes, when it is MPEG-1 Layer III at a rate and bitrate a frame
// header can name, mono or stereo.
[[nodiscard]] std::optional<Mp3Stream> Mp3StreamOf(const AM_MEDIA_TYPE& type);

struct MpegAudioFrame
{
    std::size_t length = 0; // bytes, header included
    int samples = 0;        // per channel
    std::uint32_t samplesPerSec = 0;
    std::uint32_t kbps = 0;
};

// The Layer III frame whose header starts at data, when the four bytes are one.
[[nodiscard]] std::optional<MpegAudioFrame> ParseLayer3Header(const std::uint8_t* data,
                                                              std::size_t available);

} // namespace camtrove::media
