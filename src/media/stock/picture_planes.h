#pragma once
// Where the rows of an uncompressed picture lie in a sample buffer, in the form libswscale takes:
// up to three planes, each with its first (top) row and the step to the next row down. RGB rows
// are bottom-up when the bitmap height is positive and padded to four bytes; the YUV layouts are
// always top-down, packed 4:2:2 padded like RGB, planar 4:2:0 without padding.

#include "media/core/media_type.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <array>
#include <cstdint>
#include <optional>

namespace camtrove::media {

struct PicturePlanes
{
    std::array<std::uint8_t*, 4> data{};
    std::array<int, 4> linesize{}; // negative for bottom-up rows
};

// The pixel format and geometry of a video subtype, or nothing for a subtype we cannot convert.
struct PictureLayout
{
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0; // always positive
    bool bottomUp = false;
    bool vBeforeU = false; // YV12 stores its V plane first
    std::uint32_t imageSize = 0;

    // The planes of a buffer of at least imageSize bytes.
    [[nodiscard]] PicturePlanes Planes(std::uint8_t* buffer) const;
};

// The subtypes the colour converter reads and writes, in the order it offers them.
[[nodiscard]] const std::array<GUID, 8>& ConvertibleSubtypes();

// The layout of a VIDEOINFOHEADER video type; nothing for other types, other subtypes or sizes
// that are empty or too large to address.
[[nodiscard]] std::optional<PictureLayout> LayoutOf(const AM_MEDIA_TYPE& type);

} // namespace camtrove::media
