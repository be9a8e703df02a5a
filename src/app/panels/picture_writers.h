#pragma once
// Snapshot files: a 24-bit BMP, or a baseline JPEG through libjpeg(-turbo) at a quality of 1 to
// 100. Each is written to a temporary name and renamed, so a failed write leaves no half picture
// under the snapshot's name.

#include <QImage>
#include <QString>

namespace camtrove::app {

[[nodiscard]] bool WriteBmp(const QString& path, const QImage& picture);
[[nodiscard]] bool WriteJpeg(const QString& path, const QImage& picture, int quality);

// The bytes of each file, for writers that keep them in memory first.
[[nodiscard]] QByteArray EncodeBmp(const QImage& picture);
[[nodiscard]] QByteArray EncodeJpeg(const QImage& picture, int quality); // empty on failure

} // namespace camtrove::app
