#pragma once
// The moving picture of the built-in test camera: vertical bands that scroll sideways and a line
// that runs down the picture, so that a frozen or repeated frame shows. The picture depends on the
// camera input the crossbar routes, and the picture controls apply to it.

#include "media/core/format_blocks.h"
#include "media/core/guid.h"

#include <cstdint>
#include <span>

namespace camtrove::media {

enum class TestPatternKind
{
    ColourBars,   // the tuner input
    Gradient,     // the composite input
    Checkerboard, // the S-Video input
};

struct PictureControls
{
    int brightness = 0;   // -100 to 100, added to every component
    int contrast = 100;   // 0 to 200 %, around mid-grey
    int saturation = 100; // 0 (grey) to 200 %
};

// Draws frame `index` in the layout the header describes: MEDIASUBTYPE_RGB24 (rows bottom-up for
// a positive height, padded to 4 bytes) or MEDIASUBTYPE_YUY2 (top-down). False when the subtype is
// another or the buffer is smaller than the picture.
[[nodiscard]] bool DrawTestPattern(const BITMAPINFOHEADER& header, const GUID& subtype, TestPatternKind kind,
                                   std::int64_t index, const PictureControls& controls,
                                   std::span<std::uint8_t> buffer);

// What DrawTestPattern puts at pixel (x, y), y counted from the top, as red, green, blue.
struct Rgb
{
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
[[nodiscard]] Rgb TestPatternPixel(TestPatternKind kind, std::int64_t index, int x, int y, int width,
                                   int height, const PictureControls& controls);

} // namespace camtrove::media
