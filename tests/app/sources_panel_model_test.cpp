// Source selection driven through the model, over the real graph module and the built-in devices.

#include "graph/capture_formats.h"
#include "media/core/audio_input_mixer.h"
#include "media/core/graph_interfaces.h"
#include "media/devices/test_camcorder.h"
#include "sources_fixture.h"

namespace camtrove::app {
namespace {

using graph::CaptureFormat;
using graph::CodeOf;

const QStringList kDvFormats = {
    "dv type 1 natifve", "dv type 2 native", "dv type 2 (recomp)", "Wmv", "Image by Image", "Wav"};

TEST_F(SourcesTest, StartUpListsTheBuiltInDevicesAndActivatesTheFirstSources)
{
    prefs.PreviewLocked->value = false;
    Start();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(model->VideoList.Items,
              QStringList({"DV Source - Video", "Camtrove Test Camera", "no video stream"}));
    EXPECT_EQ(model->AudioList.Items,
              QStringList({"DV Source - Audio", "Camtrove Test Sound Card", "no audio stream"}));
    // Nothing stored ("N/A"): the first source of each list, the first format offered.
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
    EXPECT_EQ(ActiveAudioName(), "DV Source - Audio");
    EXPECT_EQ(model->VideoList.Text, "DV Source - Video");
    EXPECT_EQ(model->FormatList.Items, kDvFormats);
    EXPECT_EQ(model->FormatList.Text, "dv type 1 natifve");
    EXPECT_EQ(prefs.SourceVideo->value, "DV Source - Video");
    EXPECT_EQ(prefs.CaptureFormat->value, CodeOf(CaptureFormat::DvType1Native));
    EXPECT_TRUE(model->Controls.FormatGroupVisible);
    EXPECT_FALSE(model->Controls.NoVideoPictureVisible);
    EXPECT_TRUE(model->Controls.VolumeVisible);
    EXPECT_FALSE(model->Controls.EntryListVisible); // the camcorder's sound has no input lines
    EXPECT_FALSE(model->Initialising);
    EXPECT_EQ(capture.CaptureState(), csIdle);
    EXPECT_EQ(model->VideoLabel, "dvsd - 720x576 - 25 fps");
    EXPECT_EQ(model->AudioLabel, "48000 Hz 16 bits 2 channels");
    EXPECT_GT(host.dvWideResets, 0); // a DV source: the next aspect message sets the 16:9 flag afresh
    EXPECT_TRUE(trace.lines.contains("ChargerDrivers passed"));
    EXPECT_TRUE(trace.lines.contains("play passed"));
}

TEST_F(SourcesTest, TheVideoLabelRoundsTheFrameRateToTwoDecimals)
{
    prefs.PreviewLocked->value = false;
    camcorder.syntheticSystem = media::TapeSystem::Ntsc;
    Start();
    EXPECT_EQ(model->VideoLabel, "dvsd - 720x480 - 29.97 fps");
}

TEST_F(SourcesTest, TwoCamcordersAreToldApartByNumber)
{
    prefs.PreviewLocked->value = false;
    Start({.camcorders = 2});
    EXPECT_EQ(model->VideoList.Items, QStringList({"DV Source - Video", "DV Source #2 - Video",
                                                   "Camtrove Test Camera", "no video stream"}));
}

TEST_F(SourcesTest, TheCameraIsOfferedItsNativeFormatThenTheRecompressedOnes)
{
    prefs.PreviewLocked->value = false;
    prefs.SourceVideo->value = "Camtrove Test Camera";
    prefs.AudioSource->value = "Camtrove Test Sound Card";
    Start();
    EXPECT_EQ(model->FormatList.Items,
              QStringList({"avi native", "dv type 2 (recomp)", "Wmv", "Image by Image", "Wav"}));
    EXPECT_EQ(model->FormatList.Text, "avi native"); // "Default" is never offered: the first one
}

struct StoredVideoCase
{
    const char* name;
    const char* stored;
    const char* active;
};

class StoredVideoSource : public SourcesTest, public ::testing::WithParamInterface<StoredVideoCase>
{
};

TEST_P(StoredVideoSource, ActivatesWhatIsStoredOrTheFirst)
{
    prefs.PreviewLocked->value = false;
    prefs.SourceVideo->value = GetParam().stored;
    Start();
    EXPECT_EQ(ActiveVideoName(), GetParam().active);
    EXPECT_EQ(model->VideoList.Text,
              GetParam().active == QString("(none)") ? "no video stream" : GetParam().active);
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredVideoSource,
                         ::testing::Values(StoredVideoCase{"MissingDeviceGivesTheFirst",
                                                           "Gone Camera - Video", "DV Source - Video"},
                                           StoredVideoCase{"PresentDevice", "Camtrove Test Camera",
                                                           "Camtrove Test Camera"},
                                           StoredVideoCase{"NoVideoStream", "no video stream", "(none)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourcesTest, UntickingADeviceRemovesItsStreamsAndTickingItAppendsThem)
{
    prefs.PreviewLocked->value = false;
    Start();
    const int dv = SourceCheckIndex("DV Source");
    ASSERT_GE(dv, 0);

    model->OnSourceCheckClicked(dv, false);
    EXPECT_EQ(model->VideoList.Items, QStringList({"Camtrove Test Camera", "no video stream"}));
    EXPECT_EQ(model->AudioList.Items, QStringList({"Camtrove Test Sound Card", "no audio stream"}));
    EXPECT_EQ(ActiveVideoName(), "Camtrove Test Camera");
    EXPECT_EQ(ActiveAudioName(), "Camtrove Test Sound Card");
    EXPECT_EQ(FiltersInGraph<media::TestCamcorder>(), 0);
    EXPECT_EQ(model->ExcludedSourcesText(), "DV Source\r\n");
    EXPECT_EQ(host.systemReports, 1);

    model->OnSourceCheckClicked(dv, true);
    EXPECT_EQ(model->VideoList.Items,
              QStringList({"Camtrove Test Camera", "DV Source - Video", "no video stream"}));
    EXPECT_EQ(ActiveVideoName(), "Camtrove Test Camera"); // the list's text is kept across the rebuild
    EXPECT_TRUE(model->ExcludedSourcesText().isEmpty());
}

TEST_F(SourcesTest, StoredExclusionsStartUnticked)
{
    prefs.PreviewLocked->value = false;
    prefs.SourcesExclues->value = "Camtrove Test Camera\r\nSomething Else\r\n";
    Start();
    EXPECT_EQ(model->VideoList.Items, QStringList({"DV Source - Video", "no video stream"}));
    EXPECT_EQ(model->ExcludedSourcesText(), "Camtrove Test Camera\r\nSomething Else\r\n");
    ASSERT_GE(SourceCheckIndex("DV Source"), 0);
    EXPECT_TRUE(model->SourceChecks[static_cast<std::size_t>(SourceCheckIndex("DV Source"))].Checked);
}

TEST_F(SourcesTest, LockedWavDetachesTheVideoAndUnlockingDoesNotBringItBack)
{
    Start(); // "Preview Locked" is on by default
    model->OnFormatChosen("Wav");
    EXPECT_EQ(ActiveVideoName(), "(none)");
    EXPECT_EQ(model->VideoList.Text, "no video stream");
    EXPECT_EQ(prefs.SourceVideo->value, "no video stream");
    EXPECT_EQ(FiltersInGraph<filters::Tct_Superposer>(), 0); // no preview chain left
    EXPECT_TRUE(model->Controls.NoVideoPictureVisible);
    EXPECT_FALSE(model->Controls.GrabEnabled);
    EXPECT_FALSE(model->TransformAllowed);
    EXPECT_EQ(model->VideoList.TextColor, clGrayText);

    model->SetPreviewLock(false);
    EXPECT_FALSE(prefs.PreviewLocked->value);
    EXPECT_EQ(ActiveVideoName(), "(none)");
    EXPECT_NE(ActiveAudioName(), "(none)");
}

struct LockCase
{
    const char* name;
    CaptureFormat format;
    QSize preview;
    int aspect;
    std::array<bool, 4> enabled; // normal, 4:3, 16:9, native
    bool transformAllowed;
};

class PreviewLockRatios : public SourcesTest, public ::testing::WithParamInterface<LockCase>
{
};

TEST_P(PreviewLockRatios, EnableOnlyTheRatiosTheFormatCaptures)
{
    const LockCase& c = GetParam();
    prefs.CaptureFormat->value = CodeOf(c.format);
    prefs.AspectRatio->value = 3;
    host.previewSize = c.preview;
    Start();
    ASSERT_EQ(prefs.CaptureFormat->value, CodeOf(c.format));
    EXPECT_EQ(prefs.AspectRatio->value, c.aspect);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(model->Controls.RatioEnabled[r], c.enabled[static_cast<std::size_t>(r)]) << "ratio " << r;
    EXPECT_EQ(model->TransformAllowed, c.transformAllowed);
    EXPECT_EQ(model->Controls.InlayToggleEnabled, c.transformAllowed);
    EXPECT_FALSE(model->Controls.DvRatioGroupEnabled);
    EXPECT_FALSE(model->Controls.DivxRatioGroupEnabled);

    model->SetPreviewLock(false);
    for (int r = 0; r < 4; ++r)
        EXPECT_TRUE(model->Controls.RatioEnabled[r]) << "ratio " << r;
    EXPECT_TRUE(model->Controls.DvRatioGroupEnabled);
    EXPECT_TRUE(model->TransformAllowed);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PreviewLockRatios,
    ::testing::Values(
        LockCase{"WmvOnlyFourThree", CaptureFormat::Wmv, {640, 480}, 1, {false, true, false, false}, true},
        LockCase{"RecompWidePreview",
                 CaptureFormat::DvType2Recomp,
                 {640, 360},
                 2,
                 {false, true, true, false},
                 true},
        LockCase{"RecompFourThreePreview",
                 CaptureFormat::DvType2Recomp,
                 {640, 480},
                 1,
                 {false, true, true, false},
                 true},
        LockCase{
            "DvType1Normal", CaptureFormat::DvType1Native, {640, 480}, 0, {true, false, false, false}, false},
        LockCase{
            "DvType2Normal", CaptureFormat::DvType2Native, {640, 480}, 0, {true, false, false, false}, false},
        LockCase{"ImageByImageOfDv",
                 CaptureFormat::ImageByImage,
                 {640, 480},
                 0,
                 {true, false, false, false},
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourcesTest, LockedImageByImageDropsTheSound)
{
    prefs.CaptureFormat->value = CodeOf(CaptureFormat::ImageByImage);
    Start();
    EXPECT_EQ(ActiveAudioName(), "(none)");
    EXPECT_EQ(model->AudioList.Text, "no audio stream");
    EXPECT_FALSE(model->Controls.VolumeVisible);
    EXPECT_TRUE(model->Controls.ImagesPerSecondVisible);
    EXPECT_EQ(model->AudioList.TextColor, clGrayText);
}

TEST_F(SourcesTest, LockedNativeDvTakesTheCamcordersOwnSound)
{
    prefs.PreviewLocked->value = false;
    Start();
    model->OnAudioListChange("Camtrove Test Sound Card");
    ASSERT_EQ(ActiveAudioName(), "Camtrove Test Sound Card");
    ASSERT_EQ(prefs.CaptureFormat->value, CodeOf(CaptureFormat::DvType1Native));
    model->SetPreviewLock(true);
    EXPECT_EQ(ActiveAudioName(), "DV Source - Audio");
    EXPECT_EQ(model->AudioList.Text, "DV Source - Audio");
}

TEST_F(SourcesTest, ADeviceThatFailsToAttachIsExcludedForTheRun)
{
    prefs.PreviewLocked->value = false;
    prefs.SourceVideo->value = "Camtrove Test Camera";
    Start({.cameraFailsToAttach = true});
    EXPECT_TRUE(trace.lines.contains("connexion échouée"));
    EXPECT_EQ(model->RunExclusions, QStringList({"Camtrove Test Camera"}));
    EXPECT_EQ(model->VideoList.Items, QStringList({"DV Source - Video", "no video stream"}));
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
    EXPECT_EQ(FiltersInGraph<media::TestCamera>(), 0);
    // Excluded for this run only: nothing of it is stored.
    EXPECT_TRUE(model->ExcludedSourcesText().isEmpty());

    // A refresh keeps it out.
    model->Refresh();
    EXPECT_EQ(model->VideoList.Items, QStringList({"DV Source - Video", "no video stream"}));
}

TEST_F(SourcesTest, TheSoundCardsInputLinesAreTheEntryList)
{
    prefs.PreviewLocked->value = false;
    Start();
    model->OnAudioListChange("Camtrove Test Sound Card");
    EXPECT_EQ(model->EntryList.Items, QStringList({"Line In", "Microphone", "CD"}));
    EXPECT_TRUE(model->Controls.EntryListVisible);
    EXPECT_EQ(prefs.SoundCardEntry->value, model->EntryList.Text);

    model->OnEntryChosen("CD");
    EXPECT_EQ(prefs.SoundCardEntry->value, "CD");
    // Read back from the card's own lines, not from the model.
    for (const auto& pin : media::PinsOf(dm->AudioInterfaces.Filter.Get())) {
        const auto mixer = media::QueryAs<media::IAMAudioInputMixer>(pin);
        media::PIN_INFO info;
        if (!mixer || Failed(pin->QueryPinInfo(&info)))
            continue;
        bool enabled = false;
        ASSERT_TRUE(Succeeded(mixer->get_Enable(&enabled)));
        EXPECT_EQ(enabled, info.achName == "CD") << info.achName.toStdString();
    }

    model->OnAudioListChange("DV Source - Audio");
    EXPECT_FALSE(model->Controls.EntryListVisible);
}

struct FormatChoiceCase
{
    const char* name;
    const char* format;
    const char* extension;
    bool imagesPerSecond;
    TColor videoColour;
    TColor audioColour;
    int settingsTab;
};

class FormatChoice : public SourcesTest, public ::testing::WithParamInterface<FormatChoiceCase>
{
};

TEST_P(FormatChoice, StoresTheFormatAndGreysWhatItDoesNotCapture)
{
    const FormatChoiceCase& c = GetParam();
    prefs.PreviewLocked->value = false;
    capture.nextVideoFile = "/videos/Video 2026-12-10 001.avi";
    Start();
    model->OnFormatChosen(c.format);
    EXPECT_EQ(model->FormatList.Text, c.format);
    EXPECT_EQ(prefs.CaptureFormat->value, graph::CaptureFormatCode(c.format));
    EXPECT_EQ(prefs.WantFormatCapture->value, c.format);
    EXPECT_EQ(capture.nextVideoFile, QString("/videos/Video 2026-12-10 001") + c.extension);
    EXPECT_EQ(model->Controls.ImagesPerSecondVisible, c.imagesPerSecond);
    EXPECT_EQ(model->VideoList.TextColor, c.videoColour);
    EXPECT_EQ(model->AudioList.TextColor, c.audioColour);
    model->OnFormatSettings();
    EXPECT_EQ(host.settingsTab, c.settingsTab);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatChoice,
    ::testing::Values(
        FormatChoiceCase{"Wav", "Wav", ".wav", false, clGrayText, clWindowText, 4},
        FormatChoiceCase{"ImageByImage", "Image by Image", ".avi", true, clWindowText, clGrayText, 4},
        FormatChoiceCase{"Wmv", "Wmv", ".wmv", false, clWindowText, clWindowText, 1},
        FormatChoiceCase{"Recomp", "dv type 2 (recomp)", ".avi", false, clWindowText, clWindowText, 4}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeviceChangeCase
{
    const char* name;
    bool initialising;
    bool notifier;
    int eventCode;
    std::intptr_t data;
    bool rebuilt;
};

class DeviceChange : public SourcesTest, public ::testing::WithParamInterface<DeviceChangeCase>
{
};

TEST_P(DeviceChange, RebuildsOnlyForNodeChangesWhenNotifying)
{
    const DeviceChangeCase& c = GetParam();
    prefs.PreviewLocked->value = false;
    Start();
    model->Initialising = c.initialising;
    prefs.Notifier->value = c.notifier;
    camera->plugged = true;
    model->OnDeviceChange(c.eventCode, c.data);
    EXPECT_EQ(model->VideoList.Items.contains("Studio Camera"), c.rebuilt);
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
}

INSTANTIATE_TEST_SUITE_P(Rule, DeviceChange,
                         ::testing::Values(DeviceChangeCase{"NodesChanged", false, true, 7, 0, true},
                                           DeviceChangeCase{"WhileInitialising", true, true, 7, 0, false},
                                           DeviceChangeCase{"NotNotifying", false, false, 7, 0, false},
                                           DeviceChangeCase{"ArrivalEvent", false, true, 0x8000, 0, false},
                                           DeviceChangeCase{"NodesChangedWithData", false, true, 7, 1,
                                                            false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourcesTest, APluggedCameraIsListedFirstAndUnpluggingItActivatesTheFirstSourceLeft)
{
    prefs.PreviewLocked->value = false;
    Start();
    camera->plugged = true;
    model->OnDeviceChange(kDeviceNodesChanged, 0);
    model->OnVideoListChange("Studio Camera");
    ASSERT_EQ(ActiveVideoName(), "Studio Camera");
    EXPECT_EQ(prefs.WantVideoSource->value, "Studio Camera");

    camera->plugged = false;
    model->OnDeviceChange(kDeviceNodesChanged, 0);
    EXPECT_FALSE(model->VideoList.Items.contains("Studio Camera"));
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
    EXPECT_EQ(FiltersInGraph<media::TestCamera>(), 0);
}

TEST_F(SourcesTest, ALostDeviceIsRecoveredOnlyWhileTheLossIsRouted)
{
    prefs.PreviewLocked->value = false;
    prefs.Notifier->value = false; // start-up routes the loss here
    camera->plugged = true;
    prefs.SourceVideo->value = "Studio Camera";
    Start();
    ASSERT_EQ(ActiveVideoName(), "Studio Camera");
    ASSERT_TRUE(model->DeviceLostRouted());

    model->OnNotifierClicked(true); // notifications on: the loss is no longer routed here
    camera->plugged = false;
    model->OnGraphEvent(media::EC_DEVICE_LOST);
    EXPECT_EQ(ActiveVideoName(), "Studio Camera");

    model->OnNotifierClicked(false);
    model->OnGraphEvent(media::EC_DEVICE_LOST);
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
    EXPECT_FALSE(model->VideoList.Items.contains("Studio Camera"));
}

TEST_F(SourcesTest, SwitchingTheVideoSourceBackAndForthLeavesOneSourceInTheGraph)
{
    prefs.PreviewLocked->value = false;
    Start();
    for (int i = 0; i < 5; ++i) {
        model->OnVideoListChange("Camtrove Test Camera");
        model->OnVideoListChange("DV Source - Video");
    }
    EXPECT_EQ(ActiveVideoName(), "DV Source - Video");
    EXPECT_EQ(FiltersInGraph<media::TestCamera>(), 0);
    EXPECT_EQ(FiltersInGraph<media::TestCamcorder>(), 1);
    EXPECT_EQ(FiltersInGraph<filters::Tct_Superposer>(), 1);
}

// Before the devices are enumerated (or when enumeration failed) both lists are empty.
TEST_F(SourcesTest, ActivationsWithEmptyListsLeaveNoSourceActive)
{
    dm = std::make_unique<graph::Tdm>(media::DeviceSources{});
    model = std::make_unique<SourcesPanelModel>(*dm, prefs, capture, host, encoders, trace);
    EXPECT_TRUE(model->activervideo("DV Source - Video"));
    EXPECT_TRUE(model->ActiverAudio("DV Source - Audio"));
    EXPECT_EQ(ActiveVideoName(), "(none)");
    EXPECT_EQ(ActiveAudioName(), "(none)");
    EXPECT_TRUE(model->Controls.NoVideoPictureVisible);
    EXPECT_FALSE(model->Controls.VolumeVisible);
    EXPECT_TRUE(model->RunExclusions.isEmpty());
}

} // namespace
} // namespace camtrove::app
