#include "media/devices/test_pattern.h"

#include "media/core/guids.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace camtrove::media {

namespace {

constexpr int kScrollPerFrame = 4; // pixels a frame
constexpr int kLinePerFrame = 2;   // rows a frame
constexpr int kCheckerSize = 32;

// 75 % bars: white, yellow, cyan, green, magenta, red, blue, black.
constexpr std::array<Rgb, 8> kBars = {{{191, 191, 191},
                                       {191, 191, 0},
                                       {0, 191, 191},
                                       {0, 191, 0},
                                       {191, 0, 191},
                                       {191, 0, 0},
                                       {0, 0, 191},
                                       {0, 0, 0}}};

std::uint8_t Clamp(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

Rgb Apply(Rgb c, const PictureControls& controls)
{
    const int grey = (c.r * 77 + c.g * 150 + c.b * 29) >> 8;
    const auto adjust = [&](int v) {
        v = grey + (v - grey) * controls.saturation / 100;
        v = (v - 128) * controls.contrast / 100 + 128;
        return Clamp(v + controls.brightness);
    };
    return {adjust(c.r), adjust(c.g), adjust(c.b)};
}

Rgb BasePixel(TestPatternKind kind, std::int64_t index, int x, int y, int width)
{
    const int shifted = static_cast<int>((x + index * kScrollPerFrame) % width);
    switch (kind) {
    case TestPatternKind::ColourBars:
        return kBars[static_cast<std::size_t>(shifted * 8 / width)];
    case TestPatternKind::Gradient: {
        const auto v = static_cast<std::uint8_t>(shifted * 255 / std::max(1, width - 1));
        return {v, static_cast<std::uint8_t>(255 - v), 128};
    }
    case TestPatternKind::Checkerboard:
        return ((shifted / kCheckerSize + y / kCheckerSize) % 2) ? Rgb{235, 235, 235} : Rgb{16, 16, 16};
    }
    return {};
}

int LineRow(std::int64_t index, int height)
{
    return static_cast<int>((index * kLinePerFrame) % height);
}

// A row's pixels are the same for every row of a band: the checkerboard changes every
// kCheckerSize rows, the others never, and the running line is a row of its own.
int RowBand(TestPatternKind kind, std::int64_t index, int y, int height)
{
    if (y == LineRow(index, height))
        return -1;
    return kind == TestPatternKind::Checkerboard ? (y / kCheckerSize) % 2 : 0;
}

void PutYuy2(const std::vector<Rgb>& row, std::uint8_t* out)
{
    const auto luma = [](const Rgb& c) { return Clamp(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16); };
    for (std::size_t x = 0; x + 1 < row.size(); x += 2) {
        const Rgb& a = row[x];
        const Rgb& b = row[x + 1];
        const int r = (a.r + b.r) / 2, g = (a.g + b.g) / 2, bl = (a.b + b.b) / 2;
        out[0] = luma(a);
        out[1] = Clamp(((-38 * r - 74 * g + 112 * bl + 128) >> 8) + 128);
        out[2] = luma(b);
        out[3] = Clamp(((112 * r - 94 * g - 18 * bl + 128) >> 8) + 128);
        out += 4;
    }
}

void PutRgb24(const std::vector<Rgb>& row, std::uint8_t* out)
{
    for (const Rgb& c : row) {
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
        out += 3;
    }
}

} // namespace

Rgb TestPatternPixel(TestPatternKind kind, std::int64_t index, int x, int y, int width, int height,
                     const PictureControls& controls)
{
    if (y == LineRow(index, height))
        return Apply({255, 255, 255}, controls);
    return Apply(BasePixel(kind, index, x, y, width), controls);
}

bool DrawTestPattern(const BITMAPINFOHEADER& header, const GUID& subtype, TestPatternKind kind,
                     std::int64_t index, const PictureControls& controls, std::span<std::uint8_t> buffer)
{
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    if (width <= 0 || height <= 0)
        return false;
    const bool rgb = subtype == MEDIASUBTYPE_RGB24;
    if (!rgb && (subtype != MEDIASUBTYPE_YUY2 || width % 2 != 0))
        return false;
    const std::size_t stride = rgb ? (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}
                                   : static_cast<std::size_t>(width) * 2;
    if (buffer.size() < stride * static_cast<std::size_t>(height))
        return false;
    const bool bottomUp = rgb && header.biHeight > 0;

    std::vector<Rgb> row(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> packed(stride, 0);
    int packedBand = -2;
    for (int y = 0; y < height; ++y) {
        const int band = RowBand(kind, index, y, height);
        if (band != packedBand || band == -1) {
            for (int x = 0; x < width; ++x)
                row[static_cast<std::size_t>(x)] =
                    TestPatternPixel(kind, index, x, y, width, height, controls);
            if (rgb)
                PutRgb24(row, packed.data());
            else
                PutYuy2(row, packed.data());
            packedBand = band;
        }
        const int memoryRow = bottomUp ? height - 1 - y : y;
        std::copy(packed.begin(), packed.end(),
                  buffer.begin() + static_cast<std::ptrdiff_t>(stride * memoryRow));
    }
    return true;
}

} // namespace camtrove::media
