#include "media/stock/avi_mux_stream.h"

#include "media/core/guids.h"

#include <cstring>
#include <numeric>

namespace camtrove::media {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::size_t kDvVAuxSrcOffset = 16;       // DVINFO.dwDVVAuxSrc
constexpr std::uint32_t kDvVAuxSrc50Hz = 1u << 21; // the 50/60 bit of its third pack byte

void SetDvSystem(AviStreamFormat& format, bool is625)
{
    format.width = 720;
    format.height = is625 ? 576 : 480;
    format.scale = is625 ? 1 : 1001;
    format.rate = is625 ? 25 : 30000;
}

std::optional<AviStreamFormat> DescribeInterleaved(const AM_MEDIA_TYPE& type)
{
    AviStreamFormat format;
    format.kind = AviStreamFormat::Kind::Interleaved;
    format.fccType = MakeFourCC('i', 'a', 'v', 's');
    format.fccHandler = type.subtype.Data1;
    format.chunkSuffix[0] = '_';
    format.chunkSuffix[1] = '_';
    format.strf = type.format;
    if (format.strf.size() < 32)
        format.strf.resize(32, 0); // a DVINFO, blank when the source gave none
    std::uint32_t vauxSource = 0;
    std::memcpy(&vauxSource, format.strf.data() + kDvVAuxSrcOffset, sizeof vauxSource);
    SetDvSystem(format, vauxSource == 0 || (vauxSource & kDvVAuxSrc50Hz) != 0);
    return format;
}

std::optional<AviStreamFormat> DescribeVideo(const AM_MEDIA_TYPE& type)
{
    std::size_t headerAt = 0;
    REFERENCE_TIME frameDuration = 0;
    if (type.formattype == FORMAT_VideoInfo && type.FormatAs<VIDEOINFOHEADER>()) {
        headerAt = offsetof(VIDEOINFOHEADER, bmiHeader);
        frameDuration = type.FormatAs<VIDEOINFOHEADER>()->AvgTimePerFrame;
    } else if (type.formattype == FORMAT_VideoInfo2 && type.FormatAs<VIDEOINFOHEADER2>()) {
        headerAt = offsetof(VIDEOINFOHEADER2, bmiHeader);
        frameDuration = type.FormatAs<VIDEOINFOHEADER2>()->AvgTimePerFrame;
    } else {
        return std::nullopt;
    }
    // The bitmap header and whatever follows it (a palette, a codec's private data).
    AviStreamFormat format;
    format.kind = AviStreamFormat::Kind::Video;
    format.fccType = MakeFourCC('v', 'i', 'd', 's');
    format.strf.assign(type.format.begin() + static_cast<std::ptrdiff_t>(headerAt), type.format.end());
    BITMAPINFOHEADER bmi;
    std::memcpy(&bmi, format.strf.data(), sizeof bmi);
    format.fccHandler = bmi.biCompression;
    format.width = bmi.biWidth;
    format.height = bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight;
    if (bmi.biCompression == BI_RGB || bmi.biCompression == BI_BITFIELDS)
        format.chunkSuffix[1] = 'b'; // "db": an uncompressed picture
    format.allKeyFrames = !type.bTemporalCompression;
    AviRateOfFrameDuration(frameDuration, &format.scale, &format.rate);
    return format;
}

std::optional<AviStreamFormat> DescribeAudio(const AM_MEDIA_TYPE& type)
{
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    if (type.formattype != FORMAT_WaveFormatEx || !wave || wave->nAvgBytesPerSec == 0)
        return std::nullopt;
    AviStreamFormat format;
    format.kind = AviStreamFormat::Kind::Audio;
    format.fccType = MakeFourCC('a', 'u', 'd', 's');
    format.strf = type.format;
    format.blockAlign = wave->nBlockAlign > 0 ? wave->nBlockAlign : 1;
    format.scale = format.blockAlign;
    format.rate = wave->nAvgBytesPerSec;
    format.sampleSize = format.blockAlign;
    format.chunkSuffix[0] = 'w';
    format.chunkSuffix[1] = 'b';
    return format;
}

} // namespace

void AviRateOfFrameDuration(std::int64_t duration, std::uint32_t* scale, std::uint32_t* rate)
{
    if (duration <= 0)
        duration = kUnitsPerSecond / 25;
    // The NTSC family: 1001/30000 is 333666.67 units, which sources round either way.
    for (const std::int64_t base : {24000, 30000, 60000}) {
        const std::int64_t exact10 = kUnitsPerSecond * 1001 * 10 / base;
        if (std::llabs(duration * 10 - exact10) <= 10) {
            *scale = 1001;
            *rate = static_cast<std::uint32_t>(base);
            return;
        }
    }
    const std::int64_t divisor = std::gcd(duration, kUnitsPerSecond);
    *scale = static_cast<std::uint32_t>(duration / divisor);
    *rate = static_cast<std::uint32_t>(kUnitsPerSecond / divisor);
}

void AdoptDvFrame(AviStreamFormat& format, std::span<const std::uint8_t> frame)
{
    if (frame.size() > 3)
        SetDvSystem(format, (frame[3] & 0x80) != 0);
}

std::optional<AviStreamFormat> DescribeAviStream(const AM_MEDIA_TYPE& type)
{
    if (type.majortype == MEDIATYPE_Interleaved)
        return DescribeInterleaved(type);
    if (type.majortype == MEDIATYPE_Video)
        return DescribeVideo(type);
    if (type.majortype == MEDIATYPE_Audio)
        return DescribeAudio(type);
    return std::nullopt;
}

} // namespace camtrove::media
