#include "fixed_type_camera.h"
#include "graph_rig.h"
#include "media/devices/test_camcorder.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_crossbar.h"

namespace camtrove::graph {
namespace {

using namespace testing;

TEST(Activation, CamcorderWindowsGoToDevicesAndAreSharedByOneDevicesSources)
{
    Rig rig({2, false});
    auto& video1 = rig.Video("DV Source - Video");
    auto& audio1 = rig.Audio("DV Source - Audio");
    auto& audio2 = rig.Audio("DV Source #2 - Audio");
    auto& window1 = rig.dm.CamcorderWindow1;
    auto& window2 = rig.dm.CamcorderWindow2;

    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video1));
    EXPECT_TRUE(video1.Active);
    EXPECT_TRUE(video1.HasTransport);
    EXPECT_EQ(video1.CamcorderWindow, &window1);
    EXPECT_EQ(window1.Caption, "DV Source");
    EXPECT_TRUE(window1.HasTimecodeReader);
    EXPECT_TRUE(window1.Visible);
    EXPECT_TRUE(video1.VCR) << "the test camcorder is a deck unless set to camera mode";
    EXPECT_FALSE(video1.Camera);

    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio1));
    EXPECT_EQ(audio1.CamcorderWindow, &window1) << "the camcorder's audio shares its video's window";
    EXPECT_FALSE(window2.HoldsTransport());

    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio2));
    EXPECT_FALSE(audio1.Active);
    EXPECT_EQ(audio2.CamcorderWindow, &window2) << "window 1 still holds the first camcorder";
    EXPECT_EQ(window2.Caption, "DV Source #2");
    EXPECT_TRUE(window1.HoldsTransport());
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamcorder), 2);
}

TEST(Activation, CameraModeIsReportedAsCamera)
{
    Rig rig({1, false}, LiveCamcorder());
    auto& video = rig.Video("DV Source - Video");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    EXPECT_TRUE(video.Camera);
    EXPECT_FALSE(video.VCR);
}

TEST(Activation, CamcordersVideoGoingWhileItsAudioStaysKeepsTheDVSource)
{
    Rig rig;
    auto& video = rig.Video("DV Source - Video");
    auto& audio = rig.Audio("DV Source - Audio");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio));
    const auto* transport = rig.dm.CamcorderWindow1.Transport.Get();
    ASSERT_NE(transport, nullptr);

    ASSERT_TRUE(rig.dm.DeactivateVideoSource(&video, true));
    EXPECT_EQ(rig.dm.ActiveVideoSource, nullptr);
    EXPECT_EQ(rig.dm.NativeVideoTee, nullptr);
    const QStringList kept = rig.FilterNames();
    EXPECT_TRUE(kept.contains("dv_source"));
    EXPECT_TRUE(kept.contains("dv_splitter"));
    EXPECT_TRUE(kept.contains("Tamponer Audio"));
    for (const char* gone : {"dv_dec", "Superposer", "Tamponer Video", "Control_Preview_Video", "color3"})
        EXPECT_FALSE(kept.contains(gone)) << gone;
    EXPECT_EQ(rig.dm.CamcorderWindow1.Transport.Get(), transport) << "the audio source keeps the window";

    ASSERT_TRUE(rig.dm.DeactivateAudioSource(&audio, true));
    EXPECT_EQ(rig.FilterNames(), (QStringList{"Video Renderer", "Default DirectSound Device"}));
    EXPECT_FALSE(rig.dm.CamcorderWindow1.HoldsTransport());
    EXPECT_FALSE(rig.dm.CamcorderWindow1.Visible);
}

TEST(Activation, DeactivatingWithTheDeviceKeptLeavesItsSourceForTheNextActivation)
{
    Rig rig;
    auto& video = rig.Video("DV Source - Video");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    auto* filter = rig.dm.VideoInterfaces.Filter.Get();
    ASSERT_TRUE(rig.dm.DeactivateVideoSource(&video, false));
    EXPECT_TRUE(rig.FilterNames().contains("dv_source"));
    EXPECT_TRUE(rig.dm.CamcorderWindow1.HoldsTransport());
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    EXPECT_EQ(rig.dm.VideoInterfaces.Filter.Get(), filter) << "the same device filter, not a new one";
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamcorder), 1);
}

TEST(Activation, NativeValuesOfTheDVCamcorder)
{
    Rig rig;
    auto& video = rig.Video("DV Source - Video");
    auto& audio = rig.Audio("DV Source - Audio");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&video));
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&audio));
    EXPECT_EQ(rig.dm.NativeVideo.Compression, "dvsd");
    EXPECT_EQ(rig.dm.NativeVideo.Width, 720);
    EXPECT_EQ(rig.dm.NativeVideo.Height, 576);
    EXPECT_EQ(rig.dm.NativeVideo.FrameDuration, 400000);
    EXPECT_DOUBLE_EQ(rig.dm.NativeVideo.FrameRate, 25.0);
    EXPECT_EQ(rig.dm.NativeAudio.SamplesPerSec, 48000);
    EXPECT_EQ(rig.dm.NativeAudio.BitsPerSample, 16);
    EXPECT_EQ(rig.dm.NativeAudio.Channels, 2);
    EXPECT_EQ(video.Code, vsDVCamcorder);
    EXPECT_EQ(rig.dm.VideoFormats.size(), 1u) << "the interleaved DV type of the capture pin";
}

TEST(Activation, FrameDurationOfTheNativeType)
{
    struct Case
    {
        media::REFERENCE_TIME averageTimePerFrame;
        std::int32_t duration;
        double rate;
    };
    const Case cases[] = {{0, 400000, 25.0}, {999, 400000, 25.0}, {333667, 333667, 10000000.0 / 333667}};
    for (const auto& c : cases) {
        Rig rig({0, false}, media::TestCamcorderSettings{},
                std::make_shared<FixedTypeCameraDevice>(
                    media::MakeVideoType(media::MEDIASUBTYPE_RGB24, 64, 48, c.averageTimePerFrame)));
        auto& video = rig.Video("Fixed Type Camera");
        ASSERT_TRUE(rig.dm.ActivateVideoSource(&video)) << c.averageTimePerFrame;
        EXPECT_EQ(rig.dm.NativeVideo.FrameDuration, c.duration) << c.averageTimePerFrame;
        EXPECT_DOUBLE_EQ(rig.dm.NativeVideo.FrameRate, c.rate) << c.averageTimePerFrame;
        EXPECT_EQ(rig.dm.NativeVideo.Width, 64);
        EXPECT_EQ(rig.dm.NativeVideo.Height, 48);
    }
}

TEST(Activation, ACameraThatCannotAttachFailsWithoutBecomingActive)
{
    Rig rig({1, true});
    auto& camera = rig.Video("Camtrove Test Camera");
    EXPECT_FALSE(rig.dm.ActivateVideoSource(&camera));
    EXPECT_FALSE(camera.Active);
    EXPECT_EQ(rig.dm.ActiveVideoSource, nullptr);
    EXPECT_EQ(rig.dm.DecodedVideoPin.Get(), nullptr);

    // A failed activation takes out what it joined: the next source finds a clean graph.
    EXPECT_EQ(rig.CountOfClass(media::CLSID_TestCamera), 0);
    EXPECT_EQ(rig.FilterNames(), (QStringList{"Video Renderer", "Default DirectSound Device"}));
    auto& camcorder = rig.Video("DV Source - Video");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camcorder));
    EXPECT_TRUE(camcorder.Active);
}

TEST(Activation, ChosenFormatFollowsTheCapturePinAndIsAppliedAtTheNextActivation)
{
    Rig rig({0, false});
    auto& camera = rig.Video("Camtrove Test Camera");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camera));
    ASSERT_EQ(rig.dm.VideoFormats.size(), media::TestCameraFormats().size());
    EXPECT_EQ(rig.dm.ChosenVideoFormat, 0);
    EXPECT_EQ(rig.dm.NativeVideo.Width, 320);

    // The settings menu detaches the source, keeping its device, before the pin's page opens.
    ASSERT_TRUE(rig.dm.DeactivateVideoSource(&camera, false));
    auto config = rig.dm.VideoInterfaces.CaptureStreamConfig;
    ASSERT_TRUE(config);
    ASSERT_EQ(config->SetFormat(rig.dm.VideoFormats[1]), S_OK);
    rig.dm.SyncVideoFormat();
    EXPECT_EQ(rig.dm.ChosenVideoFormat, 2);
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camera));
    EXPECT_EQ(rig.dm.NativeVideo.Width, 640);
    EXPECT_EQ(rig.dm.NativeVideo.Height, 480);

    // A later activation of a new instance of the device applies the chosen format too.
    ASSERT_TRUE(rig.dm.DeactivateVideoSource(&camera, true));
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camera));
    EXPECT_EQ(rig.dm.NativeVideo.Width, 640);
    EXPECT_EQ(rig.dm.NativeVideo.Height, 480);
}

TEST(Activation, TheCamerasCrossbarIsFoundRoutedAndItsConnectorsNamed)
{
    Rig rig({0, false});
    rig.dm.Preferences.videoInputSelect = 2;
    auto& camera = rig.Video("Camtrove Test Camera");
    ASSERT_TRUE(rig.dm.ActivateVideoSource(&camera));
    EXPECT_TRUE(rig.FilterNames().contains("vid_crossbar"));
    const auto& router = rig.dm.VideoInterfaces.CrossbarRouter;
    ASSERT_TRUE(router);
    ASSERT_EQ(rig.dm.VideoInterfaces.CrossbarInputCount, 3);
    EXPECT_EQ(router->InputName(0), "Video Tuner");
    EXPECT_EQ(router->InputName(1), "Video Composite");
    EXPECT_EQ(router->InputName(2), "Video SVideo");
    EXPECT_EQ(router->InputType(3), -1);
    EXPECT_EQ(router->CurrentInput(), 2);
    ASSERT_TRUE(rig.dm.VideoInterfaces.Crossbar);
    std::int32_t routed = -1;
    ASSERT_EQ(rig.dm.VideoInterfaces.Crossbar->get_IsRoutedTo(0, &routed), S_OK);
    EXPECT_EQ(routed, 2);
    EXPECT_FALSE(rig.dm.VideoInterfaces.SecondCrossbar) << "one crossbar in front of the camera";
    EXPECT_TRUE(rig.dm.VideoInterfaces.VideoProcAmp);

    ASSERT_TRUE(rig.dm.DeactivateVideoSource(&camera, true));
    EXPECT_FALSE(rig.dm.VideoInterfaces.CrossbarRouter);
    EXPECT_FALSE(rig.FilterNames().contains("vid_crossbar"));
}

TEST(Activation, SoundCardAloneFeedsTheAudioRenderer)
{
    Rig rig({0, false});
    auto& sound = rig.Audio("Camtrove Test Sound Card");
    ASSERT_TRUE(rig.dm.ActivateAudioSource(&sound));
    EXPECT_FALSE(sound.HasTransport);
    EXPECT_EQ(sound.CamcorderWindow, nullptr);
    EXPECT_GT(rig.dm.NativeAudio.SamplesPerSec, 0);
    const QStringList names = rig.FilterNames();
    for (const char* joined : {"aud_source", "aud_nativeaudioinfinite", "Control_Preview_Audio",
                               "infdecaudio", "infsupaudio", "Tamponer Audio"})
        EXPECT_TRUE(names.contains(joined)) << joined;
    ASSERT_TRUE(rig.dm.DeactivateAudioSource(&sound, true));
    EXPECT_EQ(rig.FilterNames(), (QStringList{"Video Renderer", "Default DirectSound Device"}));
}

} // namespace
} // namespace camtrove::graph
