#include "common/datetime.h"

#include <QDateTime>

#include <cmath>

namespace camtrove {
namespace {

// Days from 0001-01-01 (day 1) to 1899-12-30, the epoch of TDateTime.
constexpr std::int64_t kEpochDays = 693594;

std::int64_t DaysBeforeYear(std::int64_t year)
{
    const std::int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

int DaysBeforeMonth(int year, int month)
{
    int days = 0;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    return days;
}

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    const std::int64_t days = DaysBeforeYear(year) + DaysBeforeMonth(year, month) + day;
    return double(days - kEpochDays);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        millisecond < 0 || millisecond >= 1000)
        return std::nullopt;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return ms / MSecsPerDay;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time)
{
    return date < 0 ? date - time : date + time;
}

std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                           int millisecond)
{
    const auto date = TryEncodeDate(year, month, day);
    const auto time = TryEncodeTime(hour, minute, second, millisecond);
    if (!date || !time)
        return std::nullopt;
    return ComposeDateTime(*date, *time);
}

DateTimeParts DecodeDateTime(TDateTime value)
{
    DateTimeParts parts;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return parts;
    const auto totalMs = std::int64_t(std::llround(value * MSecsPerDay));
    const std::int64_t msPerDay = 86400000;
    // Truncation toward zero keeps the sign rule: the day is the integral part, the time its magnitude.
    const std::int64_t dayNumber = totalMs / msPerDay;
    std::int64_t msOfDay = totalMs % msPerDay;
    if (msOfDay < 0)
        msOfDay = -msOfDay;

    std::int64_t days = dayNumber + kEpochDays; // 1 is 0001-01-01
    parts.dayOfWeek = int(((days % 7) + 7) % 7) + 1;
    if (days < 1)
        return parts;
    int year = int((days - 1) / 366) + 1;
    while (DaysBeforeYear(year + 1) < days)
        ++year;
    int dayOfYear = int(days - DaysBeforeYear(year));
    int month = 1;
    while (dayOfYear > DaysInMonth(year, month)) {
        dayOfYear -= DaysInMonth(year, month);
        ++month;
    }
    parts.year = year;
    parts.month = month;
    parts.day = dayOfYear;
    parts.hour = int(msOfDay / 3600000);
    parts.minute = int(msOfDay / 60000 % 60);
    parts.second = int(msOfDay / 1000 % 60);
    parts.millisecond = int(msOfDay % 1000);
    return parts;
}

TDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return TryEncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec())
        .value_or(0.0);
}

} // namespace camtrove
