// Snapshot pictures: the ratio fit, the thumbnail, and the BMP and JPEG files read back by Qt's
// own image readers.
#include "app/panels/picture_writers.h"
#include "app/panels/snapshot_geometry.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstring>
#include <gtest/gtest.h>

namespace camtrove::app {
namespace {

TEST(SnapshotGeometry, FitsThePictureToTheRatioByShrinkingOneSide)
{
    struct Case
    {
        QSize size;
        int a, b;
        QSize fitted;
    } cases[] = {
        {{720, 576}, 4, 3, {720, 540}}, {{720, 576}, 16, 9, {720, 405}}, {{720, 576}, 720, 576, {720, 576}},
        {{720, 576}, 0, 0, {720, 576}}, {{640, 360}, 4, 3, {480, 360}},  {{1920, 1080}, 16, 9, {1920, 1080}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitToRatio(c.size, c.a, c.b), c.fitted)
            << c.size.width() << "x" << c.size.height() << " " << c.a << ":" << c.b;
}

TEST(SnapshotGeometry, ShowsTheThumbnailCentredOnTheBoxsBottom)
{
    // 4:3 fills the box; 16:9 is full width and lower; a tall picture is full height and narrower.
    EXPECT_EQ(ThumbnailRect({720, 540}), QRect(32, 20, 192, 144));
    EXPECT_EQ(ThumbnailRect({720, 405}), QRect(32, 56, 192, 108));
    EXPECT_EQ(ThumbnailRect({360, 576}), QRect(83, 20, 90, 144));
    EXPECT_EQ(ThumbnailRect({720, 405}).bottom(), 163);
}

QImage Pattern(int width, int height)
{
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, 64));
    return picture;
}

TEST(PictureWriters, WritesA24BitBottomUpBmpThatReadsBackExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Image_00000.bmp"));
    const QImage picture = Pattern(37, 5); // rows of 111 bytes, padded to 112
    ASSERT_TRUE(WriteBmp(path, picture));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 54 + 112 * 5);
    const auto u16 = [&](int at) {
        return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
    };
    const auto u32 = [&](int at) { return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16; };
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(u32(2), 54u + 112 * 5) << "file size";
    EXPECT_EQ(u32(10), 54u) << "pixel offset";
    EXPECT_EQ(u32(14), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(u32(18), 37u);
    EXPECT_EQ(u32(22), 5u) << "positive height: bottom-up";
    EXPECT_EQ(u16(28), 24);
    EXPECT_EQ(u32(34), 112u * 5) << "image size";
    // The first stored row is the picture's bottom row, blue first.
    const QColor bottomLeft = picture.pixelColor(0, 4);
    EXPECT_EQ(std::uint8_t(bytes[54]), bottomLeft.blue());
    EXPECT_EQ(std::uint8_t(bytes[56]), bottomLeft.red());

    const QImage back(path);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_BGR888), picture);
}

TEST(PictureWriters, WritesAJpegOfTheQualityAsked)
{
    QTemporaryDir dir;
    const QImage picture = Pattern(720, 540);
    const QString fine = dir.filePath(QStringLiteral("fine.jpg"));
    const QString coarse = dir.filePath(QStringLiteral("coarse.jpg"));
    ASSERT_TRUE(WriteJpeg(fine, picture, 95));
    ASSERT_TRUE(WriteJpeg(coarse, picture, 5));
    EXPECT_GT(QFile(fine).size(), QFile(coarse).size());

    QImageReader reader(fine);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage back = reader.read().convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(back.size(), picture.size());
    // Close to the original at a high quality.
    double error = 0;
    for (int y = 0; y < back.height(); y += 7)
        for (int x = 0; x < back.width(); x += 7)
            error += std::abs(back.pixelColor(x, y).red() - picture.pixelColor(x, y).red());
    EXPECT_LT(error / ((back.height() / 7 + 1) * (back.width() / 7 + 1)), 3.0);
}

TEST(PictureWriters, AFailedWriteLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/Image_00000.jpg"));
    EXPECT_FALSE(WriteJpeg(path, Pattern(16, 16), 50));
    EXPECT_FALSE(WriteBmp(path, Pattern(16, 16)));
    EXPECT_FALSE(WriteBmp(dir.filePath(QStringLiteral("empty.bmp")), QImage()));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("empty.bmp"))));
}

} // namespace
} // namespace camtrove::app
