// An image-by-image capture gets its playback rate by rewriting the file the AVI Mux wrote.

#include "filters/fpsunit.h"
#include "support/avi_capture.h"
#include "support/dv_frame_forge.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using testsupport::DvFrameForge;
using testsupport::DvLines;

std::uint32_t U32At(const QByteArray& bytes, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return v;
}

TEST(AviMuxFrameRate, TheRewriteFindsTheMultiplexersStreamHeaderAndChangesOnlyItsRate)
{
    AM_MEDIA_TYPE interleaved;
    interleaved.majortype = MEDIATYPE_Interleaved;
    interleaved.subtype = MEDIASUBTYPE_dvsd;
    interleaved.formattype = FORMAT_DvInfo;
    interleaved.format.assign(32, 0);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(
            DvFrameForge::Encoded(DvLines::System625).AudioSource(0, 0).Timecode(0, 0, 0, i).Take());

    QTemporaryDir dir;
    const QString path = dir.filePath("images.avi");
    {
        testsupport::AviCaptureGraph g(path);
        ASSERT_EQ(g.mux->put_Mode(INTERLEAVE_NONE), S_OK);
        ASSERT_EQ(g.mux->put_SegmentSize(600000), S_OK); // AVIX segments after the first
        ASSERT_EQ(g.AddSource(interleaved, frames, 400000), S_OK);
        const auto events = g.RunToEnd();
        ASSERT_FALSE(events.empty());
        ASSERT_EQ(events.front().first, EC_COMPLETE);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const AviFrameRateResult result = SetAviFrameRate(path, 18.0);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    const qsizetype strh = before.indexOf("strh");
    ASSERT_GT(strh, 0);
    EXPECT_EQ(before.mid(strh + 8, 4), QByteArray("iavs"));
    EXPECT_EQ(result.scalePosition, strh + 8 + 20);

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(U32At(after, result.scalePosition), 55556u);
    EXPECT_EQ(U32At(after, result.scalePosition + 4), 1000000u);
    for (qsizetype i = 0; i < after.size(); ++i)
        if (i < result.scalePosition || i >= result.scalePosition + 8)
            ASSERT_EQ(after[i], before[i]) << "byte " << i;

    const auto streams = testsupport::ReadWithLibav(path.toStdString());
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].packets.size(), frames.size()) << "the rewritten file still reads whole";
}

} // namespace
} // namespace camtrove::filters
