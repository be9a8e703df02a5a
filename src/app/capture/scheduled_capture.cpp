#include "app/capture/scheduled_capture.h"

#include "platform/prompter.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace camtrove::app {
namespace {

ScheduleMoment MomentOf(TDateTime at)
{
    const DateTimeParts parts = DecodeDateTime(at);
    const TDateTime date = TryEncodeDate(parts.year, parts.month, parts.day).value_or(0);
    return {static_cast<int>(date), {parts.hour, parts.minute, 0}};
}

int Today(TDateTime now)
{
    const DateTimeParts parts = DecodeDateTime(now);
    return static_cast<int>(TryEncodeDate(parts.year, parts.month, parts.day).value_or(0));
}

} // namespace

TDateTime ScheduleMoment::At() const
{
    return ComposeDateTime(day, TryEncodeTime(time.hour, time.minute, time.second).value_or(0));
}

ScheduledCapture::ScheduledCapture(ScheduleHost& host, platform::Prompter& prompter,
                                   std::function<TDateTime()> clock)
    : m_host(host), m_prompter(prompter), m_clock(std::move(clock))
{
    RefreshPanel();
}

void ScheduledCapture::RefreshPanel()
{
    const TCaptureState state = m_host.CaptureState();
    if (state == csScheduled || state == csScheduledCapturing)
        return;
    constexpr double kMinute = 1.0 / (24 * 60);
    const TDateTime now = m_clock();
    m_start = MomentOf(now + kMinute);
    m_end = MomentOf(now + 31 * kMinute);
}

bool ScheduledCapture::ArmScheduleStart()
{
    const QString file = m_host.NextVideoFile();
    const QString folder = QFileInfo(file).absolutePath();
    if (m_host.ConfirmVideo() && QFileInfo::exists(file) &&
        m_prompter.Ask(QStringLiteral("The file ") + file +
                           QStringLiteral(" exists already. Do you want to crush it?"),
                       platform::PromptButtons::YesNo) != platform::PromptAnswer::Yes)
        return false;
    if (m_host.ConfirmVideo() && !QFileInfo::exists(folder) &&
        m_prompter.Ask(QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist.") +
                           QStringLiteral("\r\n") + QStringLiteral("Do you want to create it?"),
                       platform::PromptButtons::YesNo) != platform::PromptAnswer::Yes)
        return false;
    // The capture would fail at the start alarm with nobody watching; better to say so now.
    if (!QDir().mkpath(folder))
        return false;
    m_host.SetCaptureFile(file);

    const TDateTime now = m_clock();
    if (now > m_end.At()) {
        m_prompter.Inform(EndInThePastMessage());
        return false;
    }
    if (now > m_start.At()) {
        if (m_prompter.Ask(StartInThePastQuestion(), platform::PromptButtons::YesNo) ==
            platform::PromptAnswer::Yes) {
            m_host.SetCaptureState(csScheduled);
            lancerEnregistrement();
        }
        return false;
    }
    m_alarm.Set(m_start.day, m_start.time, [this] { lancerEnregistrement(); });
    m_alarm.Enable();
    return true;
}

bool ScheduledCapture::ArmScheduleEnd()
{
    if (Today(m_clock()) > m_end.day)
        return false;
    m_alarm.Set(m_end.day, m_end.time, [this] { stopperEnregistrement(); });
    m_alarm.Enable();
    return true;
}

void ScheduledCapture::DisarmSchedule()
{
    m_alarm.Disarm();
}

void ScheduledCapture::lancerEnregistrement()
{
    if (m_host.CaptureState() != csScheduled)
        return;
    if (m_host.StartCapture()) {
        (void)ArmScheduleEnd();
        m_host.EnterScheduledCaptureState();
        return;
    }
    DisarmSchedule();
    (void)m_host.StopCapture();
    m_host.EnterIdleState();
}

void ScheduledCapture::stopperEnregistrement()
{
    if (m_host.CaptureState() != csScheduledCapturing)
        return;
    DisarmSchedule();
    (void)m_host.StopCapture();
    m_host.EnterIdleState();
}

void ScheduledCapture::ScheduleToggle()
{
    switch (m_host.CaptureState()) {
    case csNotReady:
    case csIdle:
        if (ArmScheduleStart())
            m_host.EnterScheduledState();
        break;
    case csCapturing:
        if (ArmScheduleEnd())
            m_host.EnterScheduledCaptureState();
        break;
    case csScheduled:
        DisarmSchedule();
        m_host.EnterIdleState();
        break;
    case csScheduledCapturing:
        DisarmSchedule();
        m_host.EnterCaptureState();
        break;
    }
}

void ScheduledCapture::SetStartTime(TimeOfDay time)
{
    m_start.time = time;
    if (m_host.CaptureState() == csScheduled) {
        m_alarm.SetTime(time);
        m_host.ShowStatusPanel3(StartAtText());
    }
}

void ScheduledCapture::SetEndTime(TimeOfDay time)
{
    m_end.time = time;
    if (m_host.CaptureState() == csScheduledCapturing) {
        m_alarm.SetTime(time);
        m_host.ShowStatusPanel1(CaptureUntilText());
    }
}

void ScheduledCapture::NowButton()
{
    m_end = m_start;
    if (m_host.CaptureState() == csScheduledCapturing)
        m_alarm.SetTime(m_end.time);
}

QString ScheduledCapture::StartAtText() const
{
    return QStringLiteral("start at ") + TimeOfDayText(m_alarm.Time());
}

QString ScheduledCapture::CaptureUntilText() const
{
    return QStringLiteral("capture until ") + TimeOfDayText(m_alarm.Time());
}

QString ScheduledCapture::EndInThePastMessage()
{
    return QStringLiteral("It's not possible to schedule the end of a capture to a past date and time");
}

QString ScheduledCapture::StartInThePastQuestion()
{
    return QStringLiteral(
        "It's not possible to schedule the start of a capture to a past date and time\r\nDo you "
        "want to start immediately the capture?");
}

} // namespace camtrove::app
