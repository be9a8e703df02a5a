#include "media/codecs/mpeg_audio_format.h"

#include "media/core/guids.h"

#include <algorithm>
#include <array>

namespace camtrove::media {

namespace {

constexpr std::array<std::uint32_t, 15> kMpeg1Layer3Kbps{0,   32,  40,  48,  56,  64,  80, 96,
                                                         112, 128, 160, 192, 224, 256, 320};
constexpr std::array<std::uint32_t, 15> kMpeg2Layer3Kbps{0,  8,  16, 24,  32,  40,  48, 56,
                                                         64, 80, 96, 112, 128, 144, 160};
constexpr std::array<std::uint32_t, 3> kMpeg1Rates{44100, 48000, 32000};

bool IsMpeg1Rate(std::uint32_t rate)
{
    return rate == 32000 || rate == 44100 || rate == 48000;
}

// The largest frame is 144 * bitrate / rate bytes plus one of padding.
std::uint16_t FrameBytes(const Mp3Stream& stream)
{
    return static_cast<std::uint16_t>(144 * stream.kbps * 1000 / stream.samplesPerSec);
}

WAVEFORMATEX WaveHeader(const Mp3Stream& stream, std::uint16_t tag, std::uint16_t extraBytes)
{
    WAVEFORMATEX wave;
    wave.wFormatTag = tag;
    wave.nChannels = stream.channels;
    wave.nSamplesPerSec = stream.samplesPerSec;
    wave.nAvgBytesPerSec = stream.kbps * 1000 / 8;
    wave.nBlockAlign = 1;
    wave.wBitsPerSample = 0;
    wave.cbSize = extraBytes;
    return wave;
}

AM_MEDIA_TYPE CompressedAudio(const GUID& subtype)
{
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Audio;
    type.subtype = subtype;
    type.bFixedSizeSamples = false;
    type.bTemporalCompression = false;
    type.lSampleSize = 0;
    return type;
}

} // namespace

bool IsMpeg1Layer3Bitrate(std::uint32_t kbps)
{
    return kbps != 0 &&
           std::find(kMpeg1Layer3Kbps.begin(), kMpeg1Layer3Kbps.end(), kbps) != kMpeg1Layer3Kbps.end();
}

std::uint32_t NearestMpeg1Layer3Bitrate(std::uint32_t kbps)
{
    std::uint32_t best = kMpeg1Layer3Kbps[1];
    for (std::size_t i = 1; i < kMpeg1Layer3Kbps.size(); ++i) {
        const std::uint32_t candidate = kMpeg1Layer3Kbps[i];
        const auto distance = [kbps](std::uint32_t b) { return b > kbps ? b - kbps : kbps - b; };
        if (distance(candidate) < distance(best))
            best = candidate;
    }
    return best;
}

AM_MEDIA_TYPE MakeMp3Type(const Mp3Stream& stream)
{
    MPEGLAYER3WAVEFORMAT block;
    block.wfx =
        WaveHeader(stream, WAVE_FORMAT_MPEGLAYER3, sizeof(MPEGLAYER3WAVEFORMAT) - sizeof(WAVEFORMATEX));
    block.nBlockSize = FrameBytes(stream);
    AM_MEDIA_TYPE type = CompressedAudio(MEDIASUBTYPE_MP3);
    type.SetFormat(FORMAT_WaveFormatEx, block);
    return type;
}

AM_MEDIA_TYPE MakeMpegLayer3PayloadType(const Mp3Stream& stream)
{
    MPEG1WAVEFORMAT block;
    block.wfx = WaveHeader(stream, WAVE_FORMAT_MPEG, sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX));
    block.dwHeadBitrate = stream.kbps * 1000;
    block.fwHeadMode = stream.channels == 1 ? ACM_MPEG_SINGLECHANNEL : ACM_MPEG_JOINTSTEREO;
    AM_MEDIA_TYPE type = CompressedAudio(MEDIASUBTYPE_MPEG1AudioPayload);
    type.SetFormat(FORMAT_WaveFormatEx, block);
    return type;
}

std::optional<Mp3Stream> Mp3StreamOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx)
        return std::nullopt;
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    if (!wave)
        return std::nullopt;
    Mp3Stream stream{wave->nSamplesPerSec, wave->nChannels, wave->nAvgBytesPerSec * 8 / 1000};
    if (type.subtype == MEDIASUBTYPE_MP3) {
        const auto* mp3 = type.FormatAs<MPEGLAYER3WAVEFORMAT>();
        if (!mp3 || wave->wFormatTag != WAVE_FORMAT_MPEGLAYER3 || mp3->wID != MPEGLAYER3_ID_MPEG)
            return std::nullopt;
    } else if (type.subtype == MEDIASUBTYPE_MPEG1AudioPayload) {
        const auto* mpeg = type.FormatAs<MPEG1WAVEFORMAT>();
        if (!mpeg || wave->wFormatTag != WAVE_FORMAT_MPEG || mpeg->fwHeadLayer != ACM_MPEG_LAYER3)
            return std::nullopt;
        stream.kbps = mpeg->dwHeadBitrate / 1000;
    } else {
        return std::nullopt;
    }
    if (!IsMpeg1Rate(stream.samplesPerSec) || stream.channels < 1 || stream.channels > 2 ||
        !IsMpeg1Layer3Bitrate(stream.kbps))
        return std::nullopt;
    return stream;
}

std::optional<MpegAudioFrame> ParseLayer3Header(const std::uint8_t* data, std::size_t available)
{
    if (available < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (data[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (data[1] >> 1) & 3;   // 1: Layer III
    const int bitrateIndex = data[2] >> 4;
    const int rateIndex = (data[2] >> 2) & 3;
    const int padding = (data[2] >> 1) & 1;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    const bool mpeg1 = version == 3;
    MpegAudioFrame frame;
    frame.kbps = (mpeg1 ? kMpeg1Layer3Kbps : kMpeg2Layer3Kbps)[static_cast<std::size_t>(bitrateIndex)];
    frame.samplesPerSec = kMpeg1Rates[static_cast<std::size_t>(rateIndex)] >> (mpeg1          ? 0
                                                                               : version == 2 ? 1
                                                                                              : 2);
    frame.samples = mpeg1 ? 1152 : 576;
    frame.length =
        (mpeg1 ? 144 : 72) * frame.kbps * 1000 / frame.samplesPerSec + static_cast<std::size_t>(padding);
    return frame;
}

} // namespace camtrove::media
