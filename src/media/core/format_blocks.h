#pragma once
// Format blocks carried by media types, laid out byte for byte as the framework publishes them
// (little-endian, the framework's packing). Filters read and write them through memcpy-able structs.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace camtrove::media {

static_assert(std::endian::native == std::endian::little, "format blocks are stored little-endian");

using REFERENCE_TIME = std::int64_t; // 100 ns units

struct RECT
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct BITMAPINFOHEADER
{
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: bottom-up rows, negative: top-down
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0; // BI_RGB or a FourCC
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

struct VIDEOINFOHEADER
{
    RECT rcSource;
    RECT rcTarget;
    std::uint32_t dwBitRate = 0;
    std::uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};

struct VIDEOINFOHEADER2
{
    RECT rcSource;
    RECT rcTarget;
    std::uint32_t dwBitRate = 0;
    std::uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    std::uint32_t dwInterlaceFlags = 0;
    std::uint32_t dwCopyProtectFlags = 0;
    std::uint32_t dwPictAspectRatioX = 0;
    std::uint32_t dwPictAspectRatioY = 0;
    std::uint32_t dwControlFlags = 0; // shares its place with dwReserved1
    std::uint32_t dwReserved2 = 0;
    BITMAPINFOHEADER bmiHeader;
};

// The sequence header follows in place of bSequenceHeader; the block's length is
// offsetof(bSequenceHeader) + cbSequenceHeader.
struct MPEG1VIDEOINFO
{
    VIDEOINFOHEADER hdr;
    std::uint32_t dwStartTimeCode = 0;
    std::uint32_t cbSequenceHeader = 0;
    std::uint8_t bSequenceHeader[1] = {};
};

struct MPEG2VIDEOINFO
{
    VIDEOINFOHEADER2 hdr;
    std::uint32_t dwStartTimeCode = 0;
    std::uint32_t cbSequenceHeader = 0;
    std::uint32_t dwProfile = 0;
    std::uint32_t dwLevel = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwSequenceHeader[1] = {};
};

#pragma pack(push, 1)
struct WAVEFORMATEX
{
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};
#pragma pack(pop)

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x55;

// The format block of interleaved DV (FORMAT_DvInfo): the AAUX source and source control packs
// of the first and second audio blocks and the VAUX source and source control packs, each pack's
// four payload bytes little-endian in one 32-bit value.
struct DVINFO
{
    std::uint32_t dwDVAAuxSrc = 0;
    std::uint32_t dwDVAAuxCtl = 0;
    std::uint32_t dwDVAAuxSrc1 = 0;
    std::uint32_t dwDVAAuxCtl1 = 0;
    std::uint32_t dwDVVAuxSrc = 0;
    std::uint32_t dwDVVAuxCtl = 0;
    std::uint32_t dwDVReserved[2] = {0, 0};
};

static_assert(sizeof(RECT) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(BITMAPINFOHEADER, biCompression) == 16);
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36);
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == 32);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX) == 56);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);
static_assert(offsetof(MPEG1VIDEOINFO, bSequenceHeader) == 96);
static_assert(offsetof(MPEG2VIDEOINFO, dwSequenceHeader) == 132);
static_assert(sizeof(MPEG2VIDEOINFO) == 136);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(sizeof(DVINFO) == 32);
static_assert(offsetof(DVINFO, dwDVVAuxSrc) == 16);

// Size in bytes of one picture of a bitmap header: rows padded to 4 bytes.
[[nodiscard]] constexpr std::uint32_t DibImageSize(const BITMAPINFOHEADER& h)
{
    const std::int64_t width = h.biWidth < 0 ? -std::int64_t{h.biWidth} : h.biWidth;
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
    const std::int64_t stride = ((width * h.biBitCount + 31) / 32) * 4;
    return static_cast<std::uint32_t>(stride * height);
}

} // namespace camtrove::media
