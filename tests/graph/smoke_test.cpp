#include "graph/capture_device_list.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "media/stock/audio_renderer.h"
#include <gtest/gtest.h>
#include <QThread>
namespace camtrove::graph {
TEST(Smoke, Lists)
{
    Tdm dm({});
    ASSERT_TRUE(dm.AttachRenderers());
    TCaptureDeviceList video(dm);
    ASSERT_TRUE(video.Refresh(media::CLSID_VideoInputDeviceCategory));
    for (int i = 0; i < video.Count(); ++i)
        qDebug() << video.Items(i)->DisplayName << video.Items(i)->Kind << video.Items(i)->VideoStreams << video.Items(i)->AudioStreams;
    auto vs = TVideoSource::Create(*video.Items(0), 1);
    auto as = TAudioSource::Create(*video.Items(0), 1);
    ASSERT_TRUE(dm.ActivateVideoSource(vs.get()));
    ASSERT_TRUE(dm.ActivateAudioSource(as.get()));
    for (auto& f : dm.Graph()->Filters()) {
        qDebug() << dm.Graph()->NameOf(f.Get());
    }
    ASSERT_TRUE(vs->CamcorderWindow);
    EXPECT_EQ(vs->CamcorderWindow, as->CamcorderWindow);
    (void)vs->CamcorderWindow->Transport->put_Mode(media::ED_MODE_PLAY);
    ASSERT_TRUE(dm.RunGraph());
    QThread::msleep(2000);
    dm.StopGraph();
    auto frame = dm.VideoRenderer()->LatestFrame();
    ASSERT_TRUE(frame);
    qDebug() << frame->number << frame->width << frame->height;
    auto* ar = dynamic_cast<media::AudioRenderer*>(dm.audiorender.Filter());
    qDebug() << ar->SamplesRendered();
    qDebug() << dm.NativeVideo.Compression << dm.NativeVideo.FrameRate << dm.NativeAudio.SamplesPerSec;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(dm.ActivateVideoSource(vs.get()));
    }
    dm.DeactivateVideoSource(vs.get(), true);
    dm.DeactivateAudioSource(as.get(), true);
    for (auto& f : dm.Graph()->Filters()) {
        qDebug() << "left" << dm.Graph()->NameOf(f.Get());
    }
}
}
