#include "app/capture/schedule_alarm.h"

#include <optional>

namespace camtrove::app {

QString TimeOfDayText(const TimeOfDay& time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute, 2, 10, QLatin1Char('0'))
        .arg(time.second, 2, 10, QLatin1Char('0'));
}

void ScheduleAlarm::Set(int day, TimeOfDay time, std::function<void()> handler)
{
    m_day = day;
    m_time = time;
    m_handler = std::move(handler);
}

void ScheduleAlarm::Disarm()
{
    m_enabled = false;
    m_handler = nullptr;
}

bool ScheduleAlarm::InWindow(TDateTime now) const
{
    const DateTimeParts at = DecodeDateTime(now);
    const std::optional<TDateTime> date = TryEncodeDate(at.year, at.month, at.day);
    return date && static_cast<int>(*date) == m_day && at.hour == m_time.hour && at.minute == m_time.minute &&
           at.second >= m_time.second;
}

void ScheduleAlarm::Tick(TDateTime now)
{
    const bool inWindow = InWindow(now);
    if (!inWindow) {
        m_fired = false;
        return;
    }
    if (!m_enabled || m_fired)
        return;
    m_fired = true;
    // The handler may disarm or re-arm this alarm: call a copy.
    const std::function<void()> handler = m_handler;
    if (handler)
        handler();
}

} // namespace camtrove::app
