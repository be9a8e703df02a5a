#include "media/codecs/mpeg1_audio_type.h"

#include "media/codecs/mpeg_audio_format.h"
#include "media/core/guids.h"

#include <cstring>

namespace camtrove::media {

namespace {

constexpr std::uint16_t kAcmMpegLayer1 = 1;
constexpr std::uint16_t kAcmMpegLayer2 = 2;

} // namespace

std::int32_t Mpeg1AudioLongestFrame(const Mpeg1AudioStream& stream)
{
    if (stream.samplesPerSec == 0)
        return 0;
    const std::uint64_t bytesPerFrame = static_cast<std::uint64_t>(Mpeg1AudioFrameSamples(stream.layer)) *
                                        stream.bitrate / 8 / stream.samplesPerSec;
    return static_cast<std::int32_t>(bytesPerFrame + 4);
}

AM_MEDIA_TYPE MakeMpeg1AudioType(const Mpeg1AudioStream& stream)
{
    MPEG1WAVEFORMAT block;
    block.wfx.wFormatTag = WAVE_FORMAT_MPEG;
    block.wfx.nChannels = stream.channels;
    block.wfx.nSamplesPerSec = stream.samplesPerSec;
    block.wfx.nAvgBytesPerSec = stream.bitrate / 8;
    block.wfx.nBlockAlign = 1;
    block.wfx.wBitsPerSample = 0;
    block.wfx.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
    block.fwHeadLayer = stream.layer == 1   ? kAcmMpegLayer1
                        : stream.layer == 2 ? kAcmMpegLayer2
                                            : ACM_MPEG_LAYER3;
    block.dwHeadBitrate = stream.bitrate;
    block.fwHeadMode = stream.channels == 1 ? ACM_MPEG_SINGLECHANNEL : ACM_MPEG_STEREO;

    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_MPEG1Audio;
    type.bFixedSizeSamples = false;
    type.bTemporalCompression = false;
    type.lSampleSize = 0;
    type.SetFormat(FORMAT_WaveFormatEx, block);
    return type;
}

std::optional<Mpeg1AudioStream> Mpeg1AudioStreamOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Audio ||
        (type.subtype != MEDIASUBTYPE_MPEG1Audio && type.subtype != MEDIASUBTYPE_MPEG1AudioPayload) ||
        type.formattype != FORMAT_WaveFormatEx || type.format.size() < sizeof(MPEG1WAVEFORMAT))
        return std::nullopt;
    MPEG1WAVEFORMAT block;
    std::memcpy(&block, type.format.data(), sizeof block);
    if (block.wfx.wFormatTag != WAVE_FORMAT_MPEG || block.wfx.nChannels < 1 || block.wfx.nChannels > 2 ||
        block.wfx.nSamplesPerSec == 0)
        return std::nullopt;
    Mpeg1AudioStream stream;
    switch (block.fwHeadLayer) {
    case kAcmMpegLayer1:
        stream.layer = 1;
        break;
    case kAcmMpegLayer2:
        stream.layer = 2;
        break;
    case ACM_MPEG_LAYER3:
        stream.layer = 3;
        break;
    default:
        return std::nullopt;
    }
    stream.samplesPerSec = block.wfx.nSamplesPerSec;
    stream.channels = block.wfx.nChannels;
    stream.bitrate = block.dwHeadBitrate != 0 ? block.dwHeadBitrate : block.wfx.nAvgBytesPerSec * 8;
    return stream;
}

} // namespace camtrove::media
