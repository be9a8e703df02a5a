#pragma once
// The sizes a snapshot takes: the picture fitted to the chosen ratio by shrinking one side, and
// the thumbnail of the Grab panel fitted into its box.

#include <QRect>
#include <QSize>

namespace camtrove::app {

// Shrinks one side of size so that it has the ratio a:b; a ratio of 0:0 changes nothing.
[[nodiscard]] QSize FitToRatio(QSize size, int a, int b);

// The thumbnail box: 192 by 144 pixels, its left edge at x = 32 and its bottom at y = 163.
inline constexpr QRect kThumbnailBox{32, 163 - 144 + 1, 192, 144};
// Where a picture of the size shows in the box: as large as fits, centred, its bottom on the box's.
[[nodiscard]] QRect ThumbnailRect(QSize picture);

} // namespace camtrove::app
