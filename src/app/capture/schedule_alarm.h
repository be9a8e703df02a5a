#pragma once
// The Schedule panel's clock: one alarm at a date and time of day, fired by the clock's tick once
// a second. It fires once when the date, hour and minute are the alarm's and the second is at or
// after the alarm's, so a tick that comes a little late still fires within that minute; it fires
// again only after the time has left that window. The date is part of the alarm so that a capture
// scheduled for another day does not start today at that time. UI thread only.

#include "common/datetime.h"

#include <QString>

#include <functional>

namespace camtrove::app {

struct TimeOfDay
{
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// "%.2d:%.2d:%.2d".
[[nodiscard]] QString TimeOfDayText(const TimeOfDay& time);

class ScheduleAlarm
{
public:
    // day: the date part of a TDateTime (whole days).
    void Set(int day, TimeOfDay time, std::function<void()> handler);
    // A live edit moves the alarm within its day without touching its handler or enabled state.
    void SetTime(TimeOfDay time) { m_time = time; }
    void Enable() { m_enabled = true; }
    // Disabled, and the handler removed.
    void Disarm();

    [[nodiscard]] bool Enabled() const { return m_enabled; }
    [[nodiscard]] const TimeOfDay& Time() const { return m_time; }
    [[nodiscard]] int Day() const { return m_day; }

    // The clock's tick; calls the handler when the alarm fires.
    void Tick(TDateTime now);

private:
    [[nodiscard]] bool InWindow(TDateTime now) const;

    int m_day = 0;
    TimeOfDay m_time;
    bool m_enabled = false;
    bool m_fired = false; // within the current window
    std::function<void()> m_handler;
};

} // namespace camtrove::app
