#include "media/stock/picture_planes.h"

#include "media/core/guids.h"

namespace camtrove::media {

namespace {

// A DIB row: whole 32-bit words.
constexpr std::int64_t PaddedStride(std::int64_t width, int bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

AVPixelFormat PixelFormatOf(const GUID& subtype)
{
    if (subtype == MEDIASUBTYPE_RGB24)
        return AV_PIX_FMT_BGR24;
    if (subtype == MEDIASUBTYPE_RGB32)
        return AV_PIX_FMT_BGRA; // the fourth byte reads as alpha; written opaque
    if (subtype == MEDIASUBTYPE_RGB565)
        return AV_PIX_FMT_RGB565LE;
    if (subtype == MEDIASUBTYPE_RGB555)
        return AV_PIX_FMT_RGB555LE;
    if (subtype == MEDIASUBTYPE_YUY2)
        return AV_PIX_FMT_YUYV422;
    if (subtype == MEDIASUBTYPE_UYVY)
        return AV_PIX_FMT_UYVY422;
    if (subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV || subtype == MEDIASUBTYPE_YV12)
        return AV_PIX_FMT_YUV420P;
    return AV_PIX_FMT_NONE;
}

bool IsRgb(AVPixelFormat format)
{
    return format == AV_PIX_FMT_BGR24 || format == AV_PIX_FMT_BGRA || format == AV_PIX_FMT_RGB565LE ||
           format == AV_PIX_FMT_RGB555LE;
}

} // namespace

const std::array<GUID, 8>& ConvertibleSubtypes()
{
    static const std::array<GUID, 8> subtypes{MEDIASUBTYPE_RGB32,  MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB565,
                                              MEDIASUBTYPE_RGB555, MEDIASUBTYPE_YUY2,  MEDIASUBTYPE_UYVY,
                                              MEDIASUBTYPE_I420,   MEDIASUBTYPE_YV12};
    return subtypes;
}

std::optional<PictureLayout> LayoutOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo)
        return std::nullopt;
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    const AVPixelFormat format = PixelFormatOf(type.subtype);
    if (!vih || format == AV_PIX_FMT_NONE)
        return std::nullopt;
    const std::int64_t width = vih->bmiHeader.biWidth;
    const std::int64_t signedHeight = vih->bmiHeader.biHeight;
    const std::int64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    constexpr std::int64_t kLargest = 16384;
    if (width <= 0 || height == 0 || width > kLargest || height > kLargest)
        return std::nullopt;
    const int bitCount = BitCountOfSubtype(type.subtype);
    if (vih->bmiHeader.biBitCount != 0 && vih->bmiHeader.biBitCount != bitCount)
        return std::nullopt;

    PictureLayout layout;
    layout.pixelFormat = format;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.bottomUp = IsRgb(format) && signedHeight > 0;
    if (format == AV_PIX_FMT_YUV420P) {
        const std::int64_t chroma = ((width + 1) / 2) * ((height + 1) / 2);
        layout.imageSize = static_cast<std::uint32_t>(width * height + 2 * chroma);
    } else {
        layout.imageSize = static_cast<std::uint32_t>(PaddedStride(width, bitCount) * height);
    }
    layout.vBeforeU = type.subtype == MEDIASUBTYPE_YV12;
    return layout;
}

PicturePlanes PictureLayout::Planes(std::uint8_t* buffer) const
{
    PicturePlanes planes;
    if (pixelFormat == AV_PIX_FMT_YUV420P) {
        const int chromaWidth = (width + 1) / 2;
        const int chromaHeight = (height + 1) / 2;
        std::uint8_t* first = buffer + std::size_t(width) * height;
        std::uint8_t* second = first + std::size_t(chromaWidth) * chromaHeight;
        planes.data = vBeforeU ? std::array<std::uint8_t*, 4>{buffer, second, first, nullptr}
                               : std::array<std::uint8_t*, 4>{buffer, first, second, nullptr};
        planes.linesize = {width, chromaWidth, chromaWidth, 0};
        return planes;
    }
    const int bitCount = pixelFormat == AV_PIX_FMT_BGR24 ? 24 : pixelFormat == AV_PIX_FMT_BGRA ? 32 : 16;
    const int stride = static_cast<int>(PaddedStride(width, bitCount));
    if (bottomUp) {
        planes.data[0] = buffer + std::size_t(stride) * (height - 1);
        planes.linesize[0] = -stride;
    } else {
        planes.data[0] = buffer;
        planes.linesize[0] = stride;
    }
    return planes;
}

} // namespace camtrove::media
