#include "graph/graph_pins.h"
#include "graph_rig.h"
#include "media/devices/test_camcorder.h"
#include "media/devices/test_camera.h"
#include "media/stock/audio_renderer.h"

#include <QThread>

namespace camtrove::graph {
namespace {

using namespace testing;

// The filters a picture passes on its way up from the video renderer, nearest first.
QStringList UpstreamOfRenderer(Tdm& dm)
{
    QStringList names;
    auto* filter = static_cast<media::IBaseFilter*>(dm.VideoRenderer());
    while (const auto input = FirstConnectedPin(filter, media::PINDIR_INPUT)) {
        const auto upstream = PeerFilterOf(input.Get());
        names << dm.Graph()->NameOf(upstream.Get());
        filter = upstream.Get();
    }
    return names;
}

std::uint64_t FramesShown(Tdm& dm)
{
    const auto frame = dm.VideoRenderer()->LatestFrame();
    return frame ? frame->number : 0;
}

// True once the renderer has shown a frame after the first `before`, within a generous deadline.
bool MoreFramesShown(Tdm& dm, std::uint64_t before)
{
    for (int waited = 0; waited < 10000; waited += 20) {
        if (FramesShown(dm) > before)
            return true;
        QThread::msleep(20);
    }
    return false;
}

TEST(Preview, CamcorderPicturesReachTheVideoWindowThroughTheInlayInRealTimeWithTheirSound)
{
    Rig rig;
    auto& video = rig.Video("DV Source - Video");
    auto& audio = rig.Audio("DV Source - Audio");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio));
    EXPECT_EQ(UpstreamOfRenderer(rig.dm),
              (QStringList{"color3", "Tamponer Video", "infsupvideo", "infdecvideo", "Superposer", "color1",
                           "dv_dec", "Control_Preview_Video", "dv_nativevideoinfinite", "dv_splitter",
                           "dv_muxinfinite", "dv_Scenedetect", "dv_source"}));
    ASSERT_EQ(video.CamcorderWindow->Transport->put_Mode(media::ED_MODE_PLAY), S_OK);

    ASSERT_TRUE(rig.dm.RunGraph());
    QThread::msleep(2000);
    const std::uint64_t frames = FramesShown(rig.dm);
    auto* sound = dynamic_cast<media::AudioRenderer*>(rig.dm.audiorender.Filter());
    ASSERT_NE(sound, nullptr);
    const std::int64_t soundSamples = sound->SamplesRendered();
    rig.dm.StopGraph();

    // 25 frames a second against the graph's clock; loose bounds for a busy machine.
    EXPECT_GE(frames, kSanitized ? 1u : 35u);
    EXPECT_LE(frames, 60u);
    EXPECT_GE(soundSamples, kSanitized ? 1 : 35) << "one buffer of sound per DV frame";
    EXPECT_LE(soundSamples, 60);
    const auto frame = rig.dm.VideoRenderer()->LatestFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width, 720);
    EXPECT_EQ(frame->height, 576);
}

TEST(Preview, SwitchingTheVideoSourceTenTimesLeavesNothingOfTheOldSources)
{
    Rig rig({1, false}, LiveCamcorder());
    TVideoSource* sources[] = {&rig.Video("Camtrove Test Camera"), &rig.Video("DV Source - Video")};

    ASSERT_TRUE(rig.dm.ActivateVideoSource(sources[1]));
    ASSERT_TRUE(rig.dm.RunGraph());
    ASSERT_TRUE(MoreFramesShown(rig.dm, 0));
    const QStringList camcorderGraph = rig.FilterNames();
    const int camcorderThreads = ThreadCount();

    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(rig.dm.ActivateVideoSource(sources[i % 2])) << i;
        ASSERT_TRUE(rig.dm.RunGraph());
        EXPECT_TRUE(MoreFramesShown(rig.dm, FramesShown(rig.dm))) << "switch " << i;
    }

    // The tenth switch made the camcorder active again.
    EXPECT_EQ(rig.dm.ActiveVideoSource, sources[1]);
    EXPECT_EQ(rig.FilterNames(), camcorderGraph);
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamera), 0);
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamcorder), 1);
    EXPECT_EQ(ThreadCount(), camcorderThreads) << "no streaming thread of an old source is left";
    EXPECT_TRUE(rig.dm.VideoRenderer()->WindowState().visible) << "the preview shows again after each switch";
    rig.dm.StopGraph();
}

} // namespace
} // namespace camtrove::graph
