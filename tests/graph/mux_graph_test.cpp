#include "graph_rig.h"
#include "support/avi_capture.h"

#include <QTemporaryDir>
#include <QThread>

namespace camtrove::graph {
namespace {

using namespace testing;

TEST(MuxGraph, CamcorderWritesItsOwnInterleavedStreamToADVType1File)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("capture.avi");
    Rig rig({1, false}, LiveCamcorder());
    auto& video = rig.Video("DV Source - Video");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&rig.Audio("DV Source - Audio")));
    rig.dm.StopGraph();
    ASSERT_TRUE(video.Device->BuildMuxGraph(file));
    ASSERT_TRUE(rig.dm.RunGraph());
    QThread::msleep(1000);
    rig.dm.StopGraph();
    EXPECT_TRUE(video.Device->KillMuxGraph());
    const QStringList left = rig.FilterNames();
    EXPECT_EQ(rig.CountOfClass(media::CLSID_AviDest), 0);
    EXPECT_EQ(rig.CountOfClass(media::CLSID_FileWriter), 0);
    EXPECT_TRUE(left.contains("dv_muxinfinite")) << "the preview stays as it was";

    const auto streams = testsupport::ReadWithLibav(file.toStdString());
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_GE(streams[0].packets.size(), kSanitized ? 1u : 15u) << "about a second of frames";
    for (const auto& packet : streams[0].packets)
        EXPECT_EQ(packet.size(), 144000u) << "whole PAL DV frames";
}

TEST(MuxGraph, AVideoDeviceHasNoDVType1Chain)
{
    Rig rig({0, false});
    QString told;
    rig.dm.ShowMessage = [&](const QString& message) { told = message; };
    auto& camera = rig.Video("Camtrove Test Camera");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camera));
    EXPECT_FALSE(camera.Device->BuildMuxGraph("unused.avi"));
    EXPECT_EQ(told, "Not Ready");
    EXPECT_FALSE(camera.Device->KillMuxGraph());
}

} // namespace
} // namespace camtrove::graph
