#pragma once
// Date-times as day counts since 30 December 1899 in a double; the fraction is the time of day
// (one second is 1/86400). Days before that date are negative, and their time of day is the
// absolute value of the fraction, so -1.25 is 29 December 1899 at 06:00.

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace camtrove {

using TDateTime = double;

inline constexpr double SecsPerDay = 86400.0;
inline constexpr double MSecsPerDay = 86400000.0;

struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 7; // 1 Sunday .. 7 Saturday
};

[[nodiscard]] bool IsLeapYear(int year);
[[nodiscard]] int DaysInMonth(int year, int month); // 0 for a month outside 1..12

// Validated encodings: year 1..9999, month 1..12, day within the month; hour below 24,
// minute and second below 60, millisecond below 1000. Anything else gives no value.
[[nodiscard]] std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
[[nodiscard]] std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond = 0);
// A date plus a time of day, keeping the sign rule for days before 30 December 1899.
[[nodiscard]] TDateTime ComposeDateTime(TDateTime date, TDateTime time);
[[nodiscard]] std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute,
                                                         int second, int millisecond = 0);

// Rounds to the nearest millisecond first, so 0.99999999 is the next day at 00:00:00.000.
[[nodiscard]] DateTimeParts DecodeDateTime(TDateTime value);

[[nodiscard]] TDateTime Now();

// The system's patterns: "c", "ddddd" (the locale's short date), "dddddd" (long date), "t" (short
// time), "tt" (long time), "d", "dd", "ddd", "dddd", "m", "mm", "mmm", "mmmm", "yy", "yyyy", "h", "hh",
// "n", "nn", "s", "ss", "z", "zzz", "am/pm", "a/p", "ampm"; "/" and ":" stand for the locale's date and
// time separators, and text in double or single quotes is kept as it is.
[[nodiscard]] QString FormatDateTime(const QString& pattern, TDateTime value,
                                     const QLocale& locale = QLocale());

} // namespace camtrove
