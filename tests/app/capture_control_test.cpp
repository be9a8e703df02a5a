// The capture state machine over the real graph: the toggle by state, the questions before a
// capture, the trash, the files it registers and the visible state of each state entry.
#include "capture_fixture.h"
#include "support/avi_capture.h"

namespace camtrove::app {
namespace {

using graph::CaptureFormat;
using graph::CodeOf;
using platform::PromptAnswer;
using platform::PromptButtons;

[[nodiscard]] std::size_t VideoPackets(const QString& path)
{
    for (const auto& stream : testsupport::ReadWithLibav(path.toStdString()))
        if (stream.type == AVMEDIA_TYPE_VIDEO && stream.codec == AV_CODEC_ID_DVVIDEO)
            return stream.packets.size();
    return 0;
}

TEST_F(CaptureTest, TheToggleStartsAndStopsADvCaptureThatPlaysAndIsRegistered)
{
    Start();
    ASSERT_EQ(model->FormatList.Text, "dv type 1 natifve");
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_EQ(control->View().CaptureCommand.Caption, "Capture");
    EXPECT_EQ(control->View().CaptureCommand.ImageIndex, kImageCapture);
    EXPECT_TRUE(control->View().CaptureCommand.Enabled);
    EXPECT_FALSE(control->View().CutEnabled);
    EXPECT_EQ(control->Naming().NextVideoFile(), VideoFile(0));
    PlayTape();

    control->CaptureToggle();
    ASSERT_EQ(control->CaptureState(), csCapturing);
    EXPECT_TRUE(control->CaptureCommandChecked());
    EXPECT_TRUE(prompter.questions.isEmpty()); // a new file in an existing folder: nothing to ask
    const TCaptureView& view = control->View();
    EXPECT_EQ(view.FrameColor, clRed);
    EXPECT_EQ(view.StatusPanels[1], "Vid: DV  - Aud: DV =>native");
    EXPECT_EQ(view.CaptureCommand.Caption, "Stop Capture");
    EXPECT_EQ(view.CaptureCommand.Hint,
              "Stop the capture.\r\nYou may also stop the capture with the space bar.");
    EXPECT_EQ(view.CaptureButtonGlyph, kImageStopCapture);
    EXPECT_TRUE(view.CutEnabled);
    EXPECT_FALSE(view.VideoSourceGroupEnabled);
    EXPECT_FALSE(view.FormatGroupEnabled);
    EXPECT_FALSE(view.VideoFileGroupEnabled);
    EXPECT_FALSE(view.PreviewLockEnabled);
    EXPECT_FALSE(view.ScheduleStartVisible);
    EXPECT_FALSE(prefs.Notifier->value); // device changes are not followed during a capture
    EXPECT_TRUE(model->DeviceLostRouted());
    EXPECT_EQ(control->Core().CaptureFile, VideoFile(0));
    ASSERT_TRUE(WaitForFrames(10));

    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_FALSE(control->CaptureCommandChecked());
    EXPECT_EQ(control->View().FrameColor, clBtnFace);
    EXPECT_TRUE(control->View().VideoSourceGroupEnabled);
    EXPECT_FALSE(control->View().CutEnabled);
    EXPECT_TRUE(prefs.Notifier->value);
    EXPECT_FALSE(model->DeviceLostRouted());
    EXPECT_EQ(control->Naming().NextVideoFile(), VideoFile(1));

    ASSERT_EQ(files.Items().size(), 1u);
    const TDataFichier& item = files.Items()[0];
    EXPECT_EQ(item.path, VideoFile(0));
    EXPECT_EQ(item.videoSource, "DV Source - Video");
    EXPECT_EQ(item.audioSource, "DV Source - Audio");
    EXPECT_EQ(item.captureFormat, "dv type 1 natifve");
    EXPECT_GE(item.capturedFrames, 10);
    EXPECT_GE(item.droppedFrames, 0);
    // The delivered frames are in the file, read back by libavformat; the one the source had on its
    // way when the graph stopped may be missing.
    EXPECT_NEAR(static_cast<std::int32_t>(VideoPackets(VideoFile(0))), item.capturedFrames, 1);
}

TEST_F(CaptureTest, AnExistingFileIsAskedAboutAndRefusingLeavesEverythingAsItWas)
{
    Start();
    WriteFile(VideoFile(0), "an earlier run");
    prompter.answers = {PromptAnswer::No};

    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_FALSE(control->CaptureCommandChecked());
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(prompter.questions[0],
              "The file " + VideoFile(0) +
                  " exists already. Do you want to crush it?\r\nIf you click on \"All\", then you will no "
                  "more be prompted for confirmation");
    EXPECT_EQ(prompter.lastButtons, PromptButtons::YesNoAll);
    EXPECT_EQ(ReadFile(VideoFile(0)), "an earlier run");
    EXPECT_TRUE(prefs.ConfirmerVideo->value);
    EXPECT_TRUE(files.Items().empty());
    EXPECT_EQ(control->View().CaptureCommand.Caption, "Capture");
}

TEST_F(CaptureTest, AllSwitchesTheConfirmationOffAndTheOldFileGoesToTheTrash)
{
    Start();
    PlayTape();
    WriteFile(VideoFile(0), "an earlier run");
    prompter.answers = {PromptAnswer::All};

    control->CaptureToggle();
    ASSERT_EQ(control->CaptureState(), csCapturing);
    EXPECT_FALSE(prefs.ConfirmerVideo->value);
    EXPECT_EQ(ReadFile(TrashedFile(QStringLiteral("Clip_0.avi"))), "an earlier run");
    control->CaptureToggle();

    // The next capture meets an existing file again but asks no more.
    WriteFile(VideoFile(1), "another");
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csCapturing);
    EXPECT_EQ(prompter.questions.size(), 1);
    control->CaptureToggle();
}

TEST_F(CaptureTest, AnExistingFileGoesToTheTrashEvenWithoutTheConfirmation)
{
    prefs.ConfirmerVideo->value = false;
    Start();
    PlayTape();
    WriteFile(VideoFile(0), "an earlier run");

    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csCapturing);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(ReadFile(TrashedFile(QStringLiteral("Clip_0.avi"))), "an earlier run");
    control->CaptureToggle();
}

TEST_F(CaptureTest, AMissingFolderIsCreatedOnlyWhenTheUserAgrees)
{
    prefs.VideoDirectory->value = VideoFolder() + QStringLiteral("/new/day");
    Start();
    const QString folder = VideoFolder() + QStringLiteral("/new/day");

    prompter.answers = {PromptAnswer::No};
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_EQ(prompter.questions.value(0), folder + " does not exist.\r\nDo you want to create it?");
    EXPECT_EQ(prompter.lastButtons, PromptButtons::YesNo);
    EXPECT_FALSE(QFileInfo::exists(folder));

    PlayTape();
    prompter.answers = {PromptAnswer::Yes};
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csCapturing);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    control->CaptureToggle();
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Clip_0.avi")));
}

TEST_F(CaptureTest, AChainThatCannotBeBuiltStartsNothingAndThePreviewRunsOn)
{
    prefs.ConfirmerVideo->value = false;
    Start();
    // A folder that cannot be made: a file stands where it should be.
    WriteFile(VideoFolder() + QStringLiteral("/blocked"), "a file");
    control->Naming().VideoFolderChanged(VideoFolder() + QStringLiteral("/blocked/inside"));

    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_FALSE(control->CaptureCommandChecked());
    EXPECT_TRUE(files.Items().empty());
    media::FILTER_STATE state = media::State_Stopped;
    ASSERT_TRUE(Succeeded(dm->Graph()->GetState(0, &state)));
    EXPECT_EQ(state, media::State_Running);
}

TEST_F(CaptureTest, TheScheduledStateStartsACaptureAndFallsBackToIdleWhenItCannot)
{
    Start();
    PlayTape();
    control->EnterScheduledState();
    EXPECT_EQ(control->View().FrameColor, clYellow);
    EXPECT_EQ(control->View().ScheduleCommand.Caption, "Stop Prog");
    EXPECT_TRUE(control->View().StatusPanels[1].startsWith("programmation"));

    // A capture started from the schedule asks nothing, even over an existing file.
    WriteFile(VideoFile(0), "an earlier run");
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csScheduledCapturing);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(control->View().FrameColor, clFuchsia);
    EXPECT_EQ(control->View().CaptureCommand.Caption, "Stop Capture");
    EXPECT_EQ(control->View().ScheduleButtonGlyph, kImageStopSchedule);
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_EQ(files.Items().size(), 1u);

    // Building fails (a format without a chain here): back to idle.
    control->EnterScheduledState();
    prefs.CaptureFormat->value = CodeOf(CaptureFormat::Wmv);
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);
    EXPECT_FALSE(control->CaptureCommandChecked());
}

TEST_F(CaptureTest, WithoutAnySourceTheCaptureCommandIsDisabled)
{
    Start();
    model->OnVideoListChange(QStringLiteral("no video stream"));
    model->OnAudioListChange(QStringLiteral("no audio stream"));
    control->EnterIdleState();
    EXPECT_FALSE(control->View().CaptureCommand.Enabled);
    EXPECT_EQ(control->View().CaptureCommand.ImageIndex, kImageCaptureSound);
}

TEST_F(CaptureTest, TheListeningVolumeAndTheFreezeTogglesReachTheFilters)
{
    Start();
    prefs.Volume->value = 7300;
    prefs.MuteOn->value = false;
    control->ApplyListeningVolume();
    const auto audio = media::QueryAs<media::IBasicAudio>(dm->audiorender.Filter());
    ASSERT_TRUE(audio);
    std::int32_t volume = -1;
    ASSERT_TRUE(Succeeded(audio->get_Volume(&volume)));
    EXPECT_EQ(volume, 7300);
    EXPECT_EQ(control->View().VolumeGauge, 73);
    prefs.MuteOn->value = true;
    control->ApplyListeningVolume();
    ASSERT_TRUE(Succeeded(audio->get_Volume(&volume)));
    EXPECT_EQ(volume, 0);

    control->SetFreezePreview(true);
    EXPECT_TRUE(dm->ControlPreviewVideo->Frozen());
    EXPECT_TRUE(dm->ControlPreviewAudio->Frozen());
    EXPECT_TRUE(prefs.FreezePreview->value);
    EXPECT_FALSE(dm->ControlCaptureVideo->Frozen());
    control->SetFreezePreview(false);
    EXPECT_FALSE(dm->ControlPreviewVideo->Frozen());
    EXPECT_FALSE(prefs.FreezePreview->value);

    control->SetFreezeCapture(true);
    EXPECT_TRUE(dm->ControlCaptureVideo->Frozen());
    EXPECT_TRUE(dm->AudioCapTamponer->Frozen());
    EXPECT_TRUE(prefs.FreezeCapture->value);
    EXPECT_TRUE(control->View().FrameHatched);
    EXPECT_EQ(control->View().BackdropColor, clBtnFace);
    control->SetFreezeCapture(false);
    EXPECT_FALSE(dm->AudioCapTamponer->Frozen());
    EXPECT_FALSE(control->View().FrameHatched);
    EXPECT_EQ(control->View().BackdropColor, clBlack);
}

} // namespace
} // namespace camtrove::app
