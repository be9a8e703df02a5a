#include "app/panels/snapshot_geometry.h"

#include <cstdint>

namespace camtrove::app {

QSize FitToRatio(QSize size, int a, int b)
{
    if (a <= 0 || b <= 0)
        return size;
    // 64-bit products: a native ratio is the picture's own size, which may be large.
    const std::int64_t w = size.width(), h = size.height();
    if (b * w < a * h)
        return {static_cast<int>(w), static_cast<int>(b * w / a)};
    if (a * h < b * w)
        return {static_cast<int>(a * h / b), static_cast<int>(h)};
    return size;
}

QRect ThumbnailRect(QSize picture)
{
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0)
        return {};
    const int boxW = kThumbnailBox.width(), boxH = kThumbnailBox.height();
    const QSize shown = static_cast<std::int64_t>(w) * boxH < static_cast<std::int64_t>(h) * boxW
                            ? QSize(static_cast<int>(static_cast<std::int64_t>(w) * boxH / h), boxH)
                            : QSize(boxW, static_cast<int>(static_cast<std::int64_t>(h) * boxW / w));
    const int left = kThumbnailBox.left() + (boxW - shown.width()) / 2;
    const int top = kThumbnailBox.bottom() - shown.height() + 1;
    return {QPoint(left, top), shown};
}

} // namespace camtrove::app
