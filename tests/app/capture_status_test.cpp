// The status bar's texts: the idle texts, the capture summary and the 300 ms timer's duration and
// counts, read from the capture control's view with the clock moved by the test.
#include "capture_fixture.h"

#include <QRegularExpression>

namespace camtrove::app {
namespace {

using graph::CaptureFormat;
using graph::CodeOf;

constexpr TDateTime kSecond = 1.0 / 86400;

TEST(CaptureDurationText, CountsHoursMinutesAndSecondsAndWrapsTheHoursAfterADay)
{
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "duration 0:00 :00"},
        {59, "duration 0:00 :59"},
        {3723, "duration 1:02 :03"},
        {23 * 3600 + 59 * 60 + 59, "duration 23:59 :59"},
        {25 * 3600 + 5, "duration 1:00 :05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaptureControl::DurationText(c.seconds * kSecond), c.text) << c.seconds;
    // A day count that lands a hair under the whole second still shows that second.
    const TDateTime start = *TryEncodeDateTime(2026, 3, 14, 10, 0, 0);
    const TDateTime later = *TryEncodeDateTime(2026, 3, 14, 11, 2, 3);
    EXPECT_EQ(CaptureControl::DurationText(later - start), "duration 1:02 :03");
}

TEST_F(CaptureTest, TheIdleTextsShowThePreviewFlagsTheSourcesAndTheFreeSpace)
{
    Start();
    prefs.MuteOn->value = true;
    prefs.WideScreen->value = false;
    control->RefreshStatusTexts();
    EXPECT_EQ(control->View().StatusPanels[1], "Preview mute 4x3");
    EXPECT_EQ(control->View().FlipMark, "");

    prefs.MuteOn->value = false;
    prefs.WideScreen->value = true;
    control->Core().InlayActive = true;
    control->Core().VertFlipActive = true;
    control->Core().HorzFlipActive = true;
    control->RefreshStatusTexts();
    EXPECT_EQ(control->View().StatusPanels[1], "Preview in 16x9 v");
    EXPECT_EQ(control->View().FlipMark, " h");

    EXPECT_EQ(control->View().StatusPanels[2], "Vid: DV  - Aud: DV =>native");
    const QString mount = OutputNaming::DriveOf(VideoFolder()).mountPoint;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ free mb on ") + QRegularExpression::escape(mount) +
                                   QStringLiteral("$"))
                    .match(control->View().StatusPanels[3])
                    .hasMatch())
        << control->View().StatusPanels[3].toStdString();

    // Without any source panel 2 keeps what it showed last.
    model->OnVideoListChange(QStringLiteral("no video stream"));
    const QString soundOnly = control->View().StatusPanels[2];
    EXPECT_TRUE(soundOnly.startsWith(" - Aud: DV =>")) << soundOnly.toStdString();
    model->OnAudioListChange(QStringLiteral("no audio stream"));
    control->RefreshStatusTexts();
    EXPECT_EQ(control->View().StatusPanels[2], soundOnly);
}

TEST_F(CaptureTest, TheCaptureSummaryNamesWhatTheFormatRecords)
{
    Start();
    const struct
    {
        CaptureFormat format;
        const char* summary;
    } cases[] = {
        {CaptureFormat::DvType1Native, "Vid: DV  - Aud: DV =>native"},
        {CaptureFormat::DvType2Recomp, "Vid: DV  - Aud: DV =>dv2 rec"},
        {CaptureFormat::ImageByImage, "Vid: DV =>Image by Image"},
        {CaptureFormat::Wav, "Aud: DV =>Wav"},
        {CaptureFormat::Default, "Vid: DV  - Aud: DV =>Default"},
    };
    for (const auto& c : cases) {
        prefs.CaptureFormat->value = CodeOf(c.format);
        EXPECT_EQ(control->CaptureSummary(), c.summary);
    }
}

TEST_F(CaptureTest, TheTimerShowsTheDurationAndTheLostFramesOfTheRunningCapture)
{
    Start();
    control->DroppedFramesTimer();
    const QString idle = control->View().StatusPanels[2];
    EXPECT_FALSE(idle.startsWith("duration")); // the timer writes nothing while idle

    control->CaptureToggle();
    ASSERT_EQ(control->CaptureState(), csCapturing);
    PlayTape();
    ASSERT_TRUE(WaitForFrames(5));
    now += 3723 * kSecond;
    control->DroppedFramesTimer();
    EXPECT_EQ(control->View().StatusPanels[2], "duration 1:02 :03");
    const auto match = QRegularExpression(QStringLiteral("^(\\d+) lost frames / (\\d+)$"))
                           .match(control->View().StatusPanels[3]);
    ASSERT_TRUE(match.hasMatch()) << control->View().StatusPanels[3].toStdString();
    EXPECT_GE(match.captured(2).toInt(), 5 + match.captured(1).toInt());
    control->CaptureToggle();
}

TEST_F(CaptureTest, TheTimerTextOfPanel3FollowsTheFormat)
{
    Start();
    control->SetCaptureState(csScheduledCapturing);
    const struct
    {
        CaptureFormat format;
        const char* text;
    } cases[] = {
        {CaptureFormat::Wav, "Audio Wav"},
        {CaptureFormat::Mp3, "Audio Mp3"},
        {CaptureFormat::ImageByImage, "Image by Image: 0 frames"},
        {CaptureFormat::DvType1Native, ""}, // no counters taken: nothing to show
    };
    for (const auto& c : cases) {
        prefs.CaptureFormat->value = CodeOf(c.format);
        control->DroppedFramesTimer();
        EXPECT_EQ(control->View().StatusPanels[3], c.text);
    }
    control->SetCaptureState(csIdle);
}

} // namespace
} // namespace camtrove::app
