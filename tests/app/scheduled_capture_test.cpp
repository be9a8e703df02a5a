// Scheduled capture against an injected clock: the proposals, arming, both alarms, the toggle and
// the live edits. The capture control here keeps only the state and what was asked of it.
#include "app/capture/scheduled_capture.h"
#include "platform/prompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::app {
namespace {

class StateKeepingHost final : public ScheduleHost
{
public:
    TCaptureState CaptureState() const override { return state; }
    void SetCaptureState(TCaptureState s) override { state = s; }
    bool StartCapture() override
    {
        calls << QStringLiteral("start");
        return startSucceeds;
    }
    bool StopCapture() override
    {
        calls << QStringLiteral("stop");
        return true;
    }
    void EnterIdleState() override { state = csIdle; }
    void EnterCaptureState() override { state = csCapturing; }
    void EnterScheduledState() override { state = csScheduled; }
    void EnterScheduledCaptureState() override { state = csScheduledCapturing; }
    QString NextVideoFile() const override { return nextFile; }
    void SetCaptureFile(const QString& path) override { captureFile = path; }
    bool ConfirmVideo() const override { return confirm; }
    void ShowStatusPanel1(const QString& text) override { panel1 = text; }
    void ShowStatusPanel3(const QString& text) override { panel3 = text; }

    TCaptureState state = csIdle;
    bool startSucceeds = true;
    bool confirm = true;
    QString nextFile;
    QString captureFile;
    QString panel1, panel3;
    QStringList calls;
};

class AnsweringPrompter final : public platform::Prompter
{
public:
    platform::PromptAnswer Ask(const QString& text, platform::PromptButtons) override
    {
        questions << text;
        return answer;
    }
    void Inform(const QString& text) override { messages << text; }
    platform::PromptAnswer answer = platform::PromptAnswer::Yes;
    QStringList questions, messages;
};

TDateTime At(int day, int hour, int minute, int second)
{
    return TryEncodeDateTime(2026, 12, day, hour, minute, second).value();
}

int Day(int day)
{
    return static_cast<int>(TryEncodeDate(2026, 12, day).value());
}

class ScheduledCaptureTest : public ::testing::Test
{
protected:
    ScheduledCaptureTest() { host.nextFile = m_dir.filePath(QStringLiteral("clips/Video_0.avi")); }

    // Ticks the clock a second at a time up to the moment.
    void RunUntil(TDateTime until)
    {
        constexpr double kSecond = 1.0 / 86400;
        while (now < until - kSecond / 2) {
            now += kSecond;
            schedule.Tick();
        }
    }

    QTemporaryDir m_dir;
    TDateTime now = At(10, 10, 15, 40);
    StateKeepingHost host;
    AnsweringPrompter prompter;
    ScheduledCapture schedule{host, prompter, [this] { return now; }};
};

TEST_F(ScheduledCaptureTest, ProposesAStartInAMinuteAndAnEndHalfAnHourLater)
{
    EXPECT_EQ(schedule.Start().day, Day(10));
    EXPECT_EQ(schedule.Start().time, (TimeOfDay{10, 16, 0}));
    EXPECT_EQ(schedule.End().time, (TimeOfDay{10, 46, 0}));
    now = At(10, 23, 45, 10);
    schedule.RefreshPanel();
    EXPECT_EQ(schedule.Start().day, Day(10));
    EXPECT_EQ(schedule.Start().time, (TimeOfDay{23, 46, 0}));
    EXPECT_EQ(schedule.End().day, Day(11)) << "past midnight";
    EXPECT_EQ(schedule.End().time, (TimeOfDay{0, 16, 0}));

    host.state = csScheduled;
    now = At(10, 8, 0, 0);
    schedule.RefreshPanel();
    EXPECT_EQ(schedule.Start().time, (TimeOfDay{23, 46, 0})) << "an armed schedule keeps its fields";
}

TEST_F(ScheduledCaptureTest, StartsAndStopsTheCaptureAtItsAlarms)
{
    schedule.ScheduleToggle();
    ASSERT_EQ(host.state, csScheduled);
    EXPECT_TRUE(QDir(m_dir.filePath(QStringLiteral("clips"))).exists()) << "the folder is made when arming";
    EXPECT_EQ(host.captureFile, host.nextFile);
    EXPECT_EQ(schedule.StartAtText(), QStringLiteral("start at 10:16:00"));

    RunUntil(At(10, 10, 15, 59));
    EXPECT_TRUE(host.calls.isEmpty());
    RunUntil(At(10, 10, 16, 0));
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("start")});
    EXPECT_EQ(host.state, csScheduledCapturing);
    EXPECT_EQ(schedule.CaptureUntilText(), QStringLiteral("capture until 10:46:00"));

    RunUntil(At(10, 10, 46, 0));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("start"), QStringLiteral("stop")}));
    EXPECT_EQ(host.state, csIdle);
    EXPECT_FALSE(schedule.Alarm().Enabled());
}

TEST_F(ScheduledCaptureTest, AStartOnAnotherDayWaitsForThatDay)
{
    // Two days ahead at a time later today: nothing today, the capture on the twelfth.
    schedule.SetStartDay(Day(12));
    schedule.SetStartTime({11, 0, 0});
    schedule.SetEndDay(Day(12));
    schedule.SetEndTime({12, 0, 0});
    schedule.ScheduleToggle();
    ASSERT_EQ(host.state, csScheduled);
    RunUntil(At(10, 11, 0, 30));
    EXPECT_TRUE(host.calls.isEmpty()) << "not at 11:00 today";

    // Tomorrow at the current hour and minute, the second already passed: not at the next tick.
    schedule.ScheduleToggle(); // disarm
    ASSERT_EQ(host.state, csIdle);
    schedule.SetStartDay(Day(11));
    schedule.SetStartTime({11, 0, 10});
    ASSERT_TRUE(schedule.ArmScheduleStart());
    host.state = csScheduled;
    RunUntil(At(10, 11, 0, 40));
    EXPECT_TRUE(host.calls.isEmpty());
    now = At(11, 11, 0, 9);
    RunUntil(At(11, 11, 0, 12));
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("start")}) << "fires once, on its day";
}

TEST_F(ScheduledCaptureTest, RefusesAnEndInThePastAndOffersToStartAtOnce)
{
    schedule.SetEndTime({10, 0, 0});
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csIdle);
    EXPECT_EQ(prompter.messages, QStringList{ScheduledCapture::EndInThePastMessage()});

    schedule.SetEndTime({11, 0, 0});
    schedule.SetStartTime({10, 0, 0});
    prompter.answer = platform::PromptAnswer::No;
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csIdle);
    EXPECT_EQ(prompter.questions.last(), ScheduledCapture::StartInThePastQuestion());
    EXPECT_TRUE(host.calls.isEmpty());

    prompter.answer = platform::PromptAnswer::Yes;
    schedule.ScheduleToggle();
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("start")});
    EXPECT_EQ(host.state, csScheduledCapturing) << "started now, to end at 11:00";
    EXPECT_EQ(schedule.Alarm().Time(), (TimeOfDay{11, 0, 0}));
}

TEST_F(ScheduledCaptureTest, AFailedStartDisarmsAndGoesBackToIdle)
{
    host.startSucceeds = false;
    schedule.ScheduleToggle();
    RunUntil(At(10, 10, 16, 1));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("start"), QStringLiteral("stop")}));
    EXPECT_EQ(host.state, csIdle);
    EXPECT_FALSE(schedule.Alarm().Enabled());
}

TEST_F(ScheduledCaptureTest, AsksBeforeCrushingAFileOrMakingAFolder)
{
    prompter.answer = platform::PromptAnswer::No;
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csIdle);
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_TRUE(prompter.questions[0].startsWith(QStringLiteral("The folder ")));
    EXPECT_TRUE(
        prompter.questions[0].endsWith(QStringLiteral(" does not exist.\r\nDo you want to create it?")));

    ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("clips"))));
    QFile existing(host.nextFile);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    schedule.ScheduleToggle();
    EXPECT_EQ(prompter.questions.last(), QStringLiteral("The file ") + host.nextFile +
                                             QStringLiteral(" exists already. Do you want to crush it?"));
    EXPECT_EQ(host.state, csIdle);

    host.confirm = false;
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csScheduled) << "no question without the confirmation";
    EXPECT_EQ(prompter.questions.size(), 2);
}

TEST_F(ScheduledCaptureTest, PutsARunningCaptureUnderTheEndAlarmAndEditsItLive)
{
    host.state = csCapturing;
    schedule.ScheduleToggle();
    ASSERT_EQ(host.state, csScheduledCapturing);
    schedule.SetEndTime({10, 20, 0});
    EXPECT_EQ(host.panel1, QStringLiteral("capture until 10:20:00"));
    RunUntil(At(10, 10, 20, 0));
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("stop")});
    EXPECT_EQ(host.state, csIdle);

    // Toggling a scheduled capture turns it into a plain one.
    host.state = csCapturing;
    schedule.ScheduleToggle();
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csCapturing);
    EXPECT_FALSE(schedule.Alarm().Enabled());

    // An end date before today cannot be armed.
    schedule.SetEndDay(Day(9));
    schedule.ScheduleToggle();
    EXPECT_EQ(host.state, csCapturing);
}

TEST_F(ScheduledCaptureTest, MovesTheArmedStartAndCopiesTheStartToTheEnd)
{
    schedule.ScheduleToggle();
    schedule.SetStartTime({10, 20, 0});
    EXPECT_EQ(host.panel3, QStringLiteral("start at 10:20:00"));
    RunUntil(At(10, 10, 19, 59));
    EXPECT_TRUE(host.calls.isEmpty());
    RunUntil(At(10, 10, 20, 0));
    EXPECT_EQ(host.state, csScheduledCapturing);

    schedule.NowButton();
    EXPECT_EQ(schedule.End().time, (TimeOfDay{10, 20, 0}));
    EXPECT_EQ(schedule.Alarm().Time(), (TimeOfDay{10, 20, 0}));
}

} // namespace
} // namespace camtrove::app
