#include "graph/audio_capture_device.h"
#include "graph_rig.h"
#include "media/core/filter_moniker.h"
#include "media/devices/test_camcorder.h"

namespace camtrove::graph {
namespace {

using namespace testing;

QStringList Names(const TvideoSourcesList& list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.Items(i)->Name;
    return names;
}

QStringList Names(const TAudioSourcesList& list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.Items(i)->Name;
    return names;
}

struct CamcorderCount
{
    int camcorders;
    QStringList videoDevices;
    QStringList videoSources;
    QStringList audioSources;
};

class BuiltInDevices : public ::testing::TestWithParam<CamcorderCount>
{
};

TEST_P(BuiltInDevices, GiveTheirDevicesAndNamedSources)
{
    const auto& expected = GetParam();
    Rig rig({expected.camcorders, false});
    QStringList devices;
    for (int i = 0; i < rig.videoDevices.Count(); ++i)
        devices << rig.videoDevices.Items(i)->DisplayName;
    EXPECT_EQ(devices, expected.videoDevices);
    EXPECT_EQ(Names(rig.videoSources), expected.videoSources);
    EXPECT_EQ(Names(rig.audioSources), expected.audioSources);

    const auto* camcorder = rig.videoDevices.Items(0);
    EXPECT_EQ(camcorder->Kind, dkDVCamcorder);
    EXPECT_EQ(camcorder->Name, "Camtrove Test Camcorder");
    EXPECT_EQ(camcorder->VideoStreams, 1);
    EXPECT_EQ(camcorder->AudioStreams, 1);
    EXPECT_EQ(camcorder->FirstNativeFormat, CaptureFormat::DvType1Native);
    EXPECT_EQ(camcorder->SecondNativeFormat, CaptureFormat::DvType2Native);
    const auto* camera = rig.videoDevices.Items(rig.videoDevices.Count() - 1);
    EXPECT_EQ(camera->Kind, dkVideo);
    EXPECT_EQ(camera->FirstNativeFormat, CaptureFormat::AviNative);
    EXPECT_EQ(camera->SecondNativeFormat, CaptureFormat::None);
    ASSERT_EQ(rig.audioDevices.Count(), 1);
    EXPECT_EQ(rig.audioDevices.Items(0)->Kind, dkAudio);
    EXPECT_EQ(rig.audioDevices.Items(0)->VideoStreams, 0);

    EXPECT_EQ(rig.Video(expected.videoSources[0]).Code, vsDVCamcorder);
    EXPECT_EQ(rig.Audio(expected.audioSources[0]).Code, asDVCamcorder);
    EXPECT_EQ(rig.Video("Camtrove Test Camera").Code, vsDevice);
    EXPECT_EQ(rig.Audio("Camtrove Test Sound Card").Code, asAudioDevice);
    EXPECT_EQ(rig.Video(expected.videoSources[0]).SceneDetect, camcorder->SceneDetect());
    EXPECT_NE(camcorder->SceneDetect(), nullptr);
    EXPECT_EQ(rig.Video("Camtrove Test Camera").SceneDetect, nullptr);
    EXPECT_EQ(rig.FilterNames(), (QStringList{"Video Renderer", "Default DirectSound Device"}))
        << "classifying and probing leave nothing in the main graph";
}

INSTANTIATE_TEST_SUITE_P(
    Graph, BuiltInDevices,
    ::testing::Values(CamcorderCount{1,
                                     {"DV Source", "Camtrove Test Camera"},
                                     {"DV Source - Video", "Camtrove Test Camera"},
                                     {"DV Source - Audio", "Camtrove Test Sound Card"}},
                      CamcorderCount{
                          2,
                          {"DV Source", "DV Source #2", "Camtrove Test Camera"},
                          {"DV Source - Video", "DV Source #2 - Video", "Camtrove Test Camera"},
                          {"DV Source - Audio", "DV Source #2 - Audio", "Camtrove Test Sound Card"}}),
    [](const auto& info) { return QStringLiteral("Camcorders%1").arg(info.param.camcorders).toStdString(); });

TEST(SourceNames, FollowTheDevicesStreamCounts)
{
    struct Case
    {
        int instance;
        int video;
        int audio;
        QStringList videoNames;
        QStringList audioNames;
    };
    const Case cases[] = {
        {1, 2, 1, {"Card - Video", "Card #2"}, {"Card - Audio"}},
        {1, 1, 2, {"Card - Video"}, {"Card - Audio", "Card#2"}},
        {1, 0, 2, {}, {"Card", "Card#2"}},
        {1, 1, 0, {"Card"}, {}},
        {2, 1, 1, {"Card #2 - Video"}, {"Card #2 - Audio"}},
    };
    Rig rig;
    const auto moniker = media::FilterMoniker::ForDevice({"Card", media::GUID{}, "card", {}}, {});
    for (const auto& c : cases) {
        TAudioCaptureDevice device(rig.dm, moniker.Get(), c.instance, "Card");
        device.VideoStreams = c.video;
        device.AudioStreams = c.audio;
        QStringList videoNames;
        QStringList audioNames;
        for (int n = 0; n <= c.video + 1; ++n)
            if (const auto source = TVideoSource::Create(device, n))
                videoNames << source->Name;
        for (int n = 0; n <= c.audio + 1; ++n)
            if (const auto source = TAudioSource::Create(device, n))
                audioNames << source->Name;
        EXPECT_EQ(videoNames, c.videoNames) << c.video << " video, " << c.audio << " audio";
        EXPECT_EQ(audioNames, c.audioNames) << c.video << " video, " << c.audio << " audio";
    }
}

TEST(CaptureDeviceList, RefreshKeepsKnownDevicesAndNumbersNewOnes)
{
    Rig rig({2, false});
    ASSERT_EQ(rig.videoDevices.Count(), 3);
    const auto* first = rig.videoDevices.Items(0);
    const auto* second = rig.videoDevices.Items(1);
    EXPECT_EQ(first->Instance, 1);
    EXPECT_EQ(second->Instance, 2);
    EXPECT_EQ(rig.videoDevices.NextInstance("Camtrove Test Camcorder"), 3);
    EXPECT_EQ(rig.videoDevices.NextInstance("Other"), 1);
    EXPECT_EQ(rig.videoDevices.IndexOfMoniker(rig.videoDevices.Items(1)->SourceFilter().Moniker()), 1);

    rig.Refresh();
    ASSERT_EQ(rig.videoDevices.Count(), 3) << "a moniker already known makes no second device";
    EXPECT_EQ(rig.videoDevices.Items(0), first);
    EXPECT_EQ(rig.videoDevices.Items(1), second);

    EXPECT_EQ(rig.videoDevices.Items(-1), nullptr);
    EXPECT_EQ(rig.videoDevices.Items(rig.videoDevices.Count()), nullptr);
    const auto stranger = media::FilterMoniker::ForDevice({"Card", media::GUID{}, "elsewhere", {}}, {});
    EXPECT_EQ(rig.videoDevices.IndexOfMoniker(stranger.Get()), -1);

    // The first camcorder goes; the second keeps its number, and a newcomer takes the free one.
    rig.hardware->unplugged = {"camtrove-test:camcorder/1"};
    rig.Refresh();
    ASSERT_EQ(rig.videoDevices.Count(), 2);
    EXPECT_EQ(rig.videoDevices.Items(0), second);
    EXPECT_EQ(rig.videoDevices.NextInstance("Camtrove Test Camcorder"), 1);
}

TEST(CaptureDeviceList, UnpluggedDeviceLosesItsActiveSourcesFirst)
{
    Rig rig({2, false});
    auto& video = rig.Video("DV Source #2 - Video");
    auto& audio = rig.Audio("DV Source #2 - Audio");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio));
    ASSERT_TRUE(rig.dm.CamcorderWindow1.HoldsTransport());

    rig.hardware->unplugged = {"camtrove-test:camcorder/2"};
    ASSERT_TRUE(rig.videoDevices.Refresh(media::CLSID_VideoInputDeviceCategory));
    EXPECT_EQ(rig.videoDevices.Count(), 2);
    EXPECT_EQ(rig.dm.ActiveVideoSource, nullptr);
    EXPECT_EQ(rig.dm.ActiveAudioSource, nullptr);
    EXPECT_FALSE(video.Active);
    EXPECT_FALSE(audio.Active);
    EXPECT_FALSE(rig.dm.CamcorderWindow1.HoldsTransport()) << "the camcorder window is given back";
    EXPECT_EQ(rig.FilterNames(), (QStringList{"Video Renderer", "Default DirectSound Device"}));
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamcorder), 0);
}

} // namespace
} // namespace camtrove::graph
