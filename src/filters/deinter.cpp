#include "filters/deinter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace camtrove::filters {
namespace {

// A pixel that differs from both its neighbours above and below in the same direction scores above this.
constexpr int kCombThreshold = 2000;

// Module state kept between calls: one byte per pixel, 0 or 1. Mask A marks combed pixels, mask B those
// left after isolated ones are dropped.
struct ScratchMasks
{
    std::vector<std::uint8_t> combed;
    std::vector<std::uint8_t> kept;
};

ScratchMasks& Masks()
{
    static ScratchMasks masks;
    return masks;
}

template <typename Byte> bool IsUsable(const BasicPictureView<Byte>& picture)
{
    if (picture.width < 0 || picture.height < 0 || picture.bitsPerPixel <= 0)
        return false;
    if (picture.width == 0 || picture.height == 0)
        return true;
    return picture.top != nullptr && std::size_t(std::abs(picture.stride)) >= picture.RowBytes();
}

int CombScore(const std::uint8_t* p, const std::uint8_t* c, const std::uint8_t* n)
{
    const int blue = (int(p[0]) - int(c[0])) * (int(n[0]) - int(c[0]));
    const int green = (int(p[1]) - int(c[1])) * (int(n[1]) - int(c[1]));
    const int red = (int(p[2]) - int(c[2])) * (int(n[2]) - int(c[2]));
    return 3 * red + 6 * green + blue;
}

} // namespace

PictureView TopDownPicture(std::uint8_t* bits, int width, int height, int bitsPerPixel,
                           std::ptrdiff_t bytesPerRow)
{
    return {bits, width, height, bitsPerPixel, bytesPerRow};
}

PictureView BottomUpPicture(std::uint8_t* bits, int width, int height, int bitsPerPixel,
                            std::ptrdiff_t bytesPerRow)
{
    std::uint8_t* top =
        height > 0 && bits != nullptr ? bits + std::ptrdiff_t(height - 1) * bytesPerRow : bits;
    return {top, width, height, bitsPerPixel, -bytesPerRow};
}

bool DeinterlacePicture(ConstPictureView source, PictureView destination)
{
    if (!IsUsable(source) || !IsUsable(destination) || source.width != destination.width ||
        source.height != destination.height || source.bitsPerPixel != destination.bitsPerPixel)
        return false;

    const int w = source.width;
    const int h = source.height;
    if (w == 0 || h == 0)
        return true;

    const std::size_t rowBytes = source.RowBytes();
    if (source.top != destination.top || source.stride != destination.stride) {
        for (int y = 0; y < h; ++y)
            std::memmove(destination.Row(y), source.Row(y), rowBytes);
    }
    if (source.bitsPerPixel != 24)
        return true;

    ScratchMasks& masks = Masks();
    const std::size_t pixels = std::size_t(w) * std::size_t(h);
    masks.combed.resize(pixels);
    masks.kept.resize(pixels);

    // Only the odd rows above the last can be combed; even rows and the last row are never written,
    // which is also why the repair may read the source while writing the same memory.
    for (int y = 1; y < h - 1; y += 2) {
        const std::uint8_t* p = source.Row(y - 1);
        const std::uint8_t* c = source.Row(y);
        const std::uint8_t* n = source.Row(y + 1);
        std::uint8_t* a = masks.combed.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x, p += 3, c += 3, n += 3)
            a[x] = CombScore(p, c, n) > kCombThreshold ? 1 : 0;
    }

    // A combed pixel is kept when its right neighbour is combed too, or at the last column its left one.
    for (int y = 1; y < h - 1; y += 2) {
        const std::uint8_t* a = masks.combed.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* b = masks.kept.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w - 1; ++x)
            b[x] = a[x] & a[x + 1];
        b[w - 1] = w > 1 ? std::uint8_t(a[w - 1] & a[w - 2]) : 0;
    }

    for (int y = 1; y < h - 1; y += 2) {
        const std::uint8_t* above = source.Row(y - 1);
        const std::uint8_t* below = source.Row(y + 1);
        std::uint8_t* out = destination.Row(y);
        const std::uint8_t* b = masks.kept.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            if (b[x] == 0)
                continue;
            for (int i = 3 * x; i < 3 * x + 3; ++i)
                out[i] = std::uint8_t((unsigned(above[i]) + unsigned(below[i])) / 2);
        }
    }
    return true;
}

void MirrorPicture(PictureView picture)
{
    if (!IsUsable(picture) || picture.bitsPerPixel % 8 != 0)
        return;
    const int pixelBytes = picture.bitsPerPixel / 8;
    const int w = picture.width;
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* row = picture.Row(y);
        for (int i = 0; i < w / 2; ++i)
            std::swap_ranges(row + i * pixelBytes, row + (i + 1) * pixelBytes,
                             row + (w - 1 - i) * pixelBytes);
    }
}

} // namespace camtrove::filters
