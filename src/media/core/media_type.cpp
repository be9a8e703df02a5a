#include "media/core/media_type.h"

#include "media/core/guids.h"

namespace camtrove::media {

bool MatchesPartialType(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full)
{
    if (!IsNullGuid(partial.majortype) && partial.majortype != full.majortype)
        return false;
    if (!IsNullGuid(partial.subtype) && partial.subtype != full.subtype)
        return false;
    if (!IsNullGuid(partial.formattype)) {
        if (partial.formattype != full.formattype)
            return false;
        if (!partial.format.empty() && partial.format != full.format)
            return false;
    }
    return true;
}

bool IsFullySpecified(const AM_MEDIA_TYPE& mt)
{
    return !IsNullGuid(mt.majortype) && !IsNullGuid(mt.subtype) && !IsNullGuid(mt.formattype);
}

std::uint16_t BitCountOfSubtype(const GUID& subtype)
{
    if (subtype == MEDIASUBTYPE_RGB24)
        return 24;
    if (subtype == MEDIASUBTYPE_RGB32)
        return 32;
    if (subtype == MEDIASUBTYPE_RGB555 || subtype == MEDIASUBTYPE_RGB565)
        return 16;
    if (subtype == MEDIASUBTYPE_RGB8)
        return 8;
    if (subtype == MEDIASUBTYPE_YUY2 || subtype == MEDIASUBTYPE_UYVY)
        return 16;
    if (subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV || subtype == MEDIASUBTYPE_YV12)
        return 12;
    return 0;
}

std::uint32_t CompressionOfSubtype(const GUID& subtype)
{
    if (subtype == MEDIASUBTYPE_RGB565)
        return BI_BITFIELDS;
    if (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_RGB555 ||
        subtype == MEDIASUBTYPE_RGB8)
        return BI_RGB;
    return subtype.Data1; // the FourCC subtypes carry their code in Data1
}

AM_MEDIA_TYPE MakeVideoType(const GUID& subtype, std::int32_t width, std::int32_t height,
                            REFERENCE_TIME avgTimePerFrame)
{
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = avgTimePerFrame;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = BitCountOfSubtype(subtype);
    vih.bmiHeader.biCompression = CompressionOfSubtype(subtype);
    vih.bmiHeader.biSizeImage = DibImageSize(vih.bmiHeader);
    if (BitCountOfSubtype(subtype) == 12) {
        // planar 4:2:0 has no row padding of the packed formats
        const std::int64_t w = width, h = height < 0 ? -std::int64_t{height} : height;
        vih.bmiHeader.biSizeImage = static_cast<std::uint32_t>(w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2));
    }
    if (avgTimePerFrame > 0)
        vih.dwBitRate = static_cast<std::uint32_t>(std::uint64_t{vih.bmiHeader.biSizeImage} * 8 * 10'000'000 /
                                                   static_cast<std::uint64_t>(avgTimePerFrame));
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false;
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    mt.SetFormat(FORMAT_VideoInfo, vih);
    return mt;
}

AM_MEDIA_TYPE MakePcmAudioType(std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                               std::uint16_t channels)
{
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = samplesPerSec;
    wfx.nBlockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    wfx.nAvgBytesPerSec = samplesPerSec * wfx.nBlockAlign;
    wfx.wBitsPerSample = bitsPerSample;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = wfx.nBlockAlign;
    mt.SetFormat(FORMAT_WaveFormatEx, wfx);
    return mt;
}

} // namespace camtrove::media
