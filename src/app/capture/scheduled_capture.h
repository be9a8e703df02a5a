#pragma once
// Scheduled capture: the Schedule panel's start and end fields, arming and disarming the alarm,
// the two alarm handlers that start and stop the capture through the capture control, the
// schedule toggle by state, and the live edits. The clock is injected: the owner calls Tick once a
// second and Now() reads the same clock. UI thread only.

#include "app/capture/capture_state.h"
#include "app/capture/schedule_alarm.h"

#include <QString>

#include <functional>

namespace camtrove::platform {
class Prompter;
}

namespace camtrove::app {

// What the schedule asks of the capture control.
class ScheduleHost
{
public:
    virtual ~ScheduleHost() = default;
    [[nodiscard]] virtual TCaptureState CaptureState() const = 0;
    // Sets the state without the visible changes of a state entry.
    virtual void SetCaptureState(TCaptureState state) = 0;
    virtual bool StartCapture() = 0;
    virtual bool StopCapture() = 0;
    virtual void EnterIdleState() = 0;
    virtual void EnterCaptureState() = 0;
    virtual void EnterScheduledState() = 0;
    virtual void EnterScheduledCaptureState() = 0;
    [[nodiscard]] virtual QString NextVideoFile() const = 0;
    virtual void SetCaptureFile(const QString& path) = 0;
    [[nodiscard]] virtual bool ConfirmVideo() const = 0; // "Confirmer Video"
    // Status panels 1 and 3 during live edits; the flip mark is cleared with panel 1.
    virtual void ShowStatusPanel1(const QString& text) = 0;
    virtual void ShowStatusPanel3(const QString& text) = 0;
};

struct ScheduleMoment
{
    int day = 0; // the date part of a TDateTime
    TimeOfDay time;

    [[nodiscard]] TDateTime At() const;
};

class ScheduledCapture
{
public:
    ScheduledCapture(ScheduleHost& host, platform::Prompter& prompter, std::function<TDateTime()> clock);

    // The panel is shown: propose a start in a minute and an end half an hour later, unless a
    // schedule is armed or running.
    void RefreshPanel();

    [[nodiscard]] bool ArmScheduleStart();
    [[nodiscard]] bool ArmScheduleEnd();
    void DisarmSchedule();
    void lancerEnregistrement();
    void stopperEnregistrement();
    // acProgrammerBascule.
    void ScheduleToggle();

    // The clock's tick, once a second.
    void Tick() { m_alarm.Tick(m_clock()); }

    // The panel's fields. Time edits apply to an armed alarm at once; date edits wait for the
    // next arming.
    void SetStartTime(TimeOfDay time);
    void SetEndTime(TimeOfDay time);
    void SetStartDay(int day) { m_start.day = day; }
    void SetEndDay(int day) { m_end.day = day; }
    // The Now button: the end becomes the start.
    void NowButton();

    [[nodiscard]] const ScheduleMoment& Start() const { return m_start; }
    [[nodiscard]] const ScheduleMoment& End() const { return m_end; }
    [[nodiscard]] const ScheduleAlarm& Alarm() const { return m_alarm; }
    // "start at hh:mm:ss" and "capture until hh:mm:ss" of the alarm.
    [[nodiscard]] QString StartAtText() const;
    [[nodiscard]] QString CaptureUntilText() const;

    [[nodiscard]] static QString EndInThePastMessage();
    [[nodiscard]] static QString StartInThePastQuestion();

private:
    ScheduleHost& m_host;
    platform::Prompter& m_prompter;
    std::function<TDateTime()> m_clock;
    ScheduleAlarm m_alarm;
    ScheduleMoment m_start;
    ScheduleMoment m_end;
};

} // namespace camtrove::app
