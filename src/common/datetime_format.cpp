#include "common/datetime.h"

#include <QDate>
#include <QTime>

#include <algorithm>

namespace camtrove {
namespace {

bool IsLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool IsQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool StartsWithNoCase(const QString& text, qsizetype at, QLatin1StringView word)
{
    return QStringView(text).mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// The first punctuation outside quotes in one of the locale's own formats, such as "." in "dd.MM.yy";
// locales whose short format has none (the C locale's "d MMM yyyy") keep the fallback.
QString SeparatorOf(const QString& qtFormat, QChar fallback)
{
    bool quoted = false;
    for (QChar c : qtFormat) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !IsLetter(c) && !c.isSpace())
            return QString(c);
    }
    return QString(fallback);
}

// The locale's long time without its time-zone field: day counts carry no zone.
QString LongTimeFormatOf(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.trimmed();
}

// Any of the three day-half markers outside quotes turns the hours of the whole pattern to a 12-hour clock.
bool UsesTwelveHourClock(const QString& pattern)
{
    QChar quote;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
            continue;
        }
        if (StartsWithNoCase(pattern, i, QLatin1StringView("am/pm")) ||
            StartsWithNoCase(pattern, i, QLatin1StringView("a/p")) ||
            StartsWithNoCase(pattern, i, QLatin1StringView("ampm")))
            return true;
    }
    return false;
}

QString Number(int value, int minDigits)
{
    return QStringLiteral("%1").arg(value, minDigits, 10, QLatin1Char('0'));
}

class Formatter
{
public:
    Formatter(const QString& pattern, TDateTime value, const QLocale& locale)
        : m_pattern(pattern), m_locale(locale), m_parts(DecodeDateTime(value)),
          m_date(m_parts.year, m_parts.month, m_parts.day),
          m_time(m_parts.hour, m_parts.minute, m_parts.second, m_parts.millisecond),
          m_twelveHour(UsesTwelveHourClock(pattern))
    {
    }

    QString Run()
    {
        QChar lastLetter;
        qsizetype i = 0;
        while (i < m_pattern.size()) {
            const QChar c = m_pattern[i];
            if (IsQuote(c)) {
                const qsizetype end = m_pattern.indexOf(c, i + 1);
                const qsizetype stop = end < 0 ? m_pattern.size() : end;
                m_out += QStringView(m_pattern).mid(i + 1, stop - i - 1);
                i = end < 0 ? stop : end + 1;
                continue;
            }
            if (!IsLetter(c)) {
                if (c == QLatin1Char('/'))
                    m_out += SeparatorOf(m_locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
                else if (c == QLatin1Char(':'))
                    m_out += SeparatorOf(m_locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
                else
                    m_out += c;
                ++i;
                continue;
            }
            const QChar token = c.toLower();
            if (token == QLatin1Char('a')) {
                i += AppendDayHalf(i);
                lastLetter = token;
                continue;
            }
            qsizetype count = 1;
            while (i + count < m_pattern.size() && m_pattern[i + count].toLower() == token)
                ++count;
            // "m" straight after an hour token is the minute, as in "hh:mm".
            const bool minutes = token == QLatin1Char('m') && lastLetter == QLatin1Char('h');
            AppendToken(minutes ? QLatin1Char('n') : token, int(count), m_pattern.mid(i, count));
            lastLetter = token;
            i += count;
        }
        return m_out;
    }

private:
    void AppendToken(QChar token, int count, const QString& raw)
    {
        switch (token.unicode()) {
        case 'c':
            m_out += m_locale.toString(m_date, QLocale::ShortFormat);
            if (m_parts.hour != 0 || m_parts.minute != 0 || m_parts.second != 0 || m_parts.millisecond != 0)
                m_out += QLatin1Char(' ') + m_locale.toString(m_time, LongTimeFormatOf(m_locale));
            break;
        case 'd':
            if (count <= 2)
                m_out += Number(m_parts.day, count);
            else if (count == 3)
                m_out += m_locale.dayName(QtDayOfWeek(), QLocale::ShortFormat);
            else if (count == 4)
                m_out += m_locale.dayName(QtDayOfWeek(), QLocale::LongFormat);
            else if (count == 5)
                m_out += m_locale.toString(m_date, QLocale::ShortFormat);
            else
                m_out += m_locale.toString(m_date, QLocale::LongFormat);
            break;
        case 'm':
            if (count <= 2)
                m_out += Number(m_parts.month, count);
            else if (count == 3)
                m_out += m_locale.monthName(m_parts.month, QLocale::ShortFormat);
            else
                m_out += m_locale.monthName(m_parts.month, QLocale::LongFormat);
            break;
        case 'y':
            m_out += count <= 2 ? Number(m_parts.year % 100, 2) : Number(m_parts.year, 4);
            break;
        case 'h': {
            int hour = m_parts.hour;
            if (m_twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            m_out += Number(hour, std::min(count, 2));
            break;
        }
        case 'n':
            m_out += Number(m_parts.minute, std::min(count, 2));
            break;
        case 's':
            m_out += Number(m_parts.second, std::min(count, 2));
            break;
        case 'z':
            m_out += Number(m_parts.millisecond, std::min(count, 3));
            break;
        case 't':
            if (count == 1)
                m_out += m_locale.toString(m_time, QLocale::ShortFormat);
            else
                m_out += m_locale.toString(m_time, LongTimeFormatOf(m_locale));
            break;
        default:
            m_out += raw;
            break;
        }
    }

    // Returns how many pattern characters it consumed. The markers keep the letter case the pattern gives
    // them ("AM/PM" writes "PM"); "ampm" takes the locale's own texts.
    qsizetype AppendDayHalf(qsizetype at)
    {
        const bool afternoon = m_parts.hour >= 12;
        if (StartsWithNoCase(m_pattern, at, QLatin1StringView("am/pm"))) {
            m_out += m_pattern.mid(afternoon ? at + 3 : at, 2);
            return 5;
        }
        if (StartsWithNoCase(m_pattern, at, QLatin1StringView("a/p"))) {
            m_out += m_pattern[afternoon ? at + 2 : at];
            return 3;
        }
        if (StartsWithNoCase(m_pattern, at, QLatin1StringView("ampm"))) {
            m_out += afternoon ? m_locale.pmText() : m_locale.amText();
            return 4;
        }
        m_out += m_pattern[at];
        return 1;
    }

    int QtDayOfWeek() const
    {
        // Ours counts from Sunday = 1, Qt's from Monday = 1.
        return m_parts.dayOfWeek == 1 ? 7 : m_parts.dayOfWeek - 1;
    }

    const QString& m_pattern;
    const QLocale& m_locale;
    DateTimeParts m_parts;
    QDate m_date;
    QTime m_time;
    bool m_twelveHour;
    QString m_out;
};

} // namespace

QString FormatDateTime(const QString& pattern, TDateTime value, const QLocale& locale)
{
    return Formatter(pattern, value, locale).Run();
}

} // namespace camtrove
