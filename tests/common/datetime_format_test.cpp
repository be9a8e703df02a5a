#include "common/datetime.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace camtrove {
namespace {

// Monday 8 July 2024, 14:05:09.007: every field differs from its neighbours' and has a leading zero to show.
TDateTime Afternoon()
{
    return TryEncodeDateTime(2024, 7, 8, 14, 5, 9, 7).value();
}

QLocale German()
{
    return QLocale(QLocale::German, QLocale::Germany);
}

QLocale French()
{
    return QLocale(QLocale::French, QLocale::France);
}

struct FormatCase
{
    const char* name;
    const char* pattern;
    const char* c;      // with QLocale::c()
    const char* german; // with de_DE
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name << " \"" << c.pattern << '"';
}

class FormatDateTimeTokens : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatDateTimeTokens, FormatsTheAfternoon)
{
    const FormatCase& c = GetParam();
    const QString pattern = QString::fromUtf8(c.pattern);
    EXPECT_EQ(FormatDateTime(pattern, Afternoon(), QLocale::c()).toStdString(), c.c);
    EXPECT_EQ(FormatDateTime(pattern, Afternoon(), German()).toStdString(), c.german);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatDateTimeTokens,
    ::testing::Values(
        FormatCase{"SavedPreferences", "yyyy/mm/dd hh:nn:ss am/pm", "2024/07/08 02:05:09 pm",
                   "2024.07.08 02:05:09 pm"},
        FormatCase{"LastSaving24Hour", "yyyy/mm/dd hh:mm:ss", "2024/07/08 14:05:09", "2024.07.08 14:05:09"},
        FormatCase{"NumbersWithoutZeros", "d m yy h n s z", "8 7 24 14 5 9 7", "8 7 24 14 5 9 7"},
        FormatCase{"NumbersWithZeros", "dd mm yyyy hh nn ss zzz", "08 07 2024 14 05 09 007",
                   "08 07 2024 14 05 09 007"},
        FormatCase{"Names", "ddd dddd mmm mmmm", "Mon Monday Jul July", "Mo. Montag Juli Juli"},
        FormatCase{"InlayTemplate", "d mmm yyyy", "8 Jul 2024", "8 Juli 2024"},
        FormatCase{"DateLabel", "dddd ddddd tt", "Monday 8 Jul 2024 14:05:09", "Montag 08.07.24 14:05:09"},
        FormatCase{"LongDateShortTime", "dddddd t", "Monday, 8 July 2024 14:05:09",
                   "Montag, 8. Juli 2024 14:05"},
        FormatCase{"WholeDateTime", "c", "8 Jul 2024 14:05:09", "08.07.24 14:05:09"},
        FormatCase{"MinuteOnlyRightAfterHour", "hh mm ss mm", "14 05 09 07", "14 05 09 07"},
        FormatCase{"UpperCaseTokens", "YYYY-MM-DD HH:NN", "2024-07-08 14:05", "2024-07-08 14:05"},
        FormatCase{"LetterCaseOfMarkerKept", "h AM/PM, h A/P", "2 PM, 2 P", "2 PM, 2 P"},
        FormatCase{"LocaleMarker", "hh ampm", "02 PM", "02 PM"},
        FormatCase{"QuotedTextKept", "\"dd/mm\" 'hh:nn' d", "dd/mm hh:nn 8", "dd/mm hh:nn 8"},
        FormatCase{"UnclosedQuoteRunsToTheEnd", "d 'mm yy", "8 mm yy", "8 mm yy"},
        FormatCase{"OtherCharactersCopied", "[d] x#q", "[8] x#q", "[8] x#q"},
        FormatCase{"LoneAIsText", "a d", "a 8", "a 8"}, FormatCase{"EmptyPattern", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatDateTime, TwelveHourClockAroundMidnightAndNoon)
{
    struct Case
    {
        int hour;
        const char* expected;
    } const cases[] = {{0, "12:30 am a"},  {1, "01:30 am a"},  {11, "11:30 am a"},
                       {12, "12:30 pm p"}, {13, "01:30 pm p"}, {23, "11:30 pm p"}};
    for (const Case& c : cases) {
        const TDateTime value = TryEncodeDateTime(2024, 1, 2, c.hour, 30, 0).value();
        EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn am/pm a/p"), value, QLocale::c()).toStdString(),
                  c.expected)
            << "hour " << c.hour;
    }
}

TEST(FormatDateTime, WholeDateTimeLeavesMidnightOut)
{
    const TDateTime midnight = TryEncodeDate(2024, 7, 8).value();
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), midnight, QLocale::c()), QStringLiteral("8 Jul 2024"));
}

TEST(FormatDateTime, FrenchSeparatorsAndNames)
{
    EXPECT_EQ(FormatDateTime(QStringLiteral("dddd d mmmm yyyy, ddddd"), Afternoon(), French()),
              QStringLiteral("lundi 8 juillet 2024, 08/07/2024"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn"), Afternoon(), French()),
              QStringLiteral("2024/07/08 14:05"));
}

TEST(FormatDateTime, SeparatorsFollowLocalesThatUseOtherSigns)
{
    // Finnish writes "8.7.2024" and "14.05".
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yyyy h:nn"), Afternoon(), finnish),
              QStringLiteral("8.7.2024 14.05"));
}

TEST(FormatDateTime, DaysBeforeTheEpochKeepTheirTimeOfDay)
{
    // -1.25 is 29 December 1899 at 06:00.
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn ddd"), -1.25, QLocale::c()),
              QStringLiteral("1899/12/29 06:00 Fri"));
}

} // namespace
} // namespace camtrove
