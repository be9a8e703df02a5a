#pragma once
// Picture operations on 24-bit BGR pictures in memory: removing the comb that interlaced video leaves
// on moving edges of a grabbed still, and the left-to-right mirror of the inlay filter.
//
// Both work on views of memory the caller owns, so a QImage (TopDownPicture(image.bits(), image.width(),
// image.height(), image.depth(), image.bytesPerLine()), 24-bit pictures in QImage::Format_BGR888) and a
// raw bottom-up RGB24 frame buffer (BottomUpPicture) are handled in place, without copies.
//
// DeinterlacePicture keeps two scratch masks as module state between calls, so a series of pictures of
// one size allocates nothing; the functions are therefore called on one thread at a time.

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace camtrove::filters {

template <typename Byte> struct BasicPictureView
{
    Byte* top = nullptr; // first byte of row 0, the top row of the picture
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;     // 24 means three bytes per pixel: blue, green, red
    std::ptrdiff_t stride = 0; // bytes from one row to the row below it; negative for bottom-up memory

    [[nodiscard]] Byte* Row(int y) const { return top + std::ptrdiff_t(y) * stride; }
    [[nodiscard]] std::size_t RowBytes() const
    {
        return (std::size_t(width) * std::size_t(bitsPerPixel) + 7) / 8;
    }

    operator BasicPictureView<const Byte>() const requires(!std::is_const_v<Byte>)
    {
        return {top, width, height, bitsPerPixel, stride};
    }
};

using PictureView = BasicPictureView<std::uint8_t>;
using ConstPictureView = BasicPictureView<const std::uint8_t>;

// Memory whose first row is the top row (QImage).
[[nodiscard]] PictureView TopDownPicture(std::uint8_t* bits, int width, int height, int bitsPerPixel,
                                         std::ptrdiff_t bytesPerRow);
// Memory whose first row is the bottom row (device-independent bitmaps, the frames of the graph).
[[nodiscard]] PictureView BottomUpPicture(std::uint8_t* bits, int width, int height, int bitsPerPixel,
                                          std::ptrdiff_t bytesPerRow);

// The destination becomes a copy of the source whose combed pixels, on the odd rows above the last,
// are replaced by the rounded-down average of the pixels above and below. A picture that is not
// 24 bits per pixel is copied unchanged. The source is not changed; source and destination may be
// the same picture. Returns false, writing nothing, when the destination's width, height or depth
// differ from the source's or a view is unusable (no memory, a row shorter than its pixels).
[[nodiscard]] bool DeinterlacePicture(ConstPictureView source, PictureView destination);

// Reverses the order of the pixels of every row, in place; the middle pixel of an odd width stays.
// Pictures whose pixels are not whole bytes are left as they are.
void MirrorPicture(PictureView picture);

} // namespace camtrove::filters
