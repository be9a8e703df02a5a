#include "common/datetime.h"

#include <cmath>
#include <gtest/gtest.h>

namespace camtrove {
namespace {

struct DateCase
{
    const char* name;
    int year, month, day;
    double days;
};

class EncodeDate : public ::testing::TestWithParam<DateCase>
{
};

TEST_P(EncodeDate, GivesTheDayCountAndDecodesBack)
{
    const DateCase& c = GetParam();
    const auto value = TryEncodeDate(c.year, c.month, c.day);
    ASSERT_TRUE(value.has_value());
    EXPECT_DOUBLE_EQ(*value, c.days);
    const DateTimeParts parts = DecodeDateTime(*value);
    EXPECT_EQ(parts.year, c.year);
    EXPECT_EQ(parts.month, c.month);
    EXPECT_EQ(parts.day, c.day);
}

INSTANTIATE_TEST_SUITE_P(
    KnownDays, EncodeDate,
    ::testing::Values(DateCase{"Epoch", 1899, 12, 30, 0}, DateCase{"DayAfterEpoch", 1899, 12, 31, 1},
                      DateCase{"Year1900NotLeap", 1900, 3, 1, 61}, DateCase{"Y2K", 2000, 1, 1, 36526},
                      DateCase{"LeapDay2000", 2000, 2, 29, 36585},
                      DateCase{"Recording2024", 2024, 7, 8, 45481}, DateCase{"FirstDay", 1, 1, 1, -693593},
                      DateCase{"LastDay", 9999, 12, 31, 2958465}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EncodeDate, RefusesImpossibleDates)
{
    const int cases[][3] = {{0, 1, 1},     {10000, 1, 1}, {2000, 0, 1},  {2000, 13, 1}, {2000, 1, 0},
                            {2000, 1, 32}, {1900, 2, 29}, {2001, 2, 29}, {2000, 4, 31}};
    for (const auto& c : cases)
        EXPECT_FALSE(TryEncodeDate(c[0], c[1], c[2]).has_value()) << c[0] << "-" << c[1] << "-" << c[2];
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29).has_value());
}

TEST(EncodeTime, RefusesOutOfRangeFieldsAndKeepsTheFraction)
{
    EXPECT_FALSE(TryEncodeTime(24, 0, 0).has_value());
    EXPECT_FALSE(TryEncodeTime(0, 60, 0).has_value());
    EXPECT_FALSE(TryEncodeTime(0, 0, 60).has_value());
    EXPECT_FALSE(TryEncodeTime(-1, 0, 0).has_value());
    EXPECT_DOUBLE_EQ(*TryEncodeTime(12, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(*TryEncodeTime(0, 0, 1), 1.0 / 86400.0);
}

TEST(DecodeDateTime, ReadsTimeOfDayWithTheSignRuleAndRounding)
{
    const auto before = TryEncodeDateTime(1899, 12, 29, 6, 0, 0);
    ASSERT_TRUE(before.has_value());
    EXPECT_DOUBLE_EQ(*before, -1.25);
    DateTimeParts p = DecodeDateTime(-1.25);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);

    p = DecodeDateTime(*TryEncodeDateTime(2024, 7, 8, 19, 55, 58));
    EXPECT_EQ(p.hour, 19);
    EXPECT_EQ(p.minute, 55);
    EXPECT_EQ(p.second, 58);
    EXPECT_EQ(p.dayOfWeek, 2); // a Monday

    p = DecodeDateTime(36526.0 - 1e-10); // a hair before midnight rounds to midnight
    EXPECT_EQ(p.year, 2000);
    EXPECT_EQ(p.hour, 0);

    p = DecodeDateTime(std::nan(""));
    EXPECT_EQ(p.year, 1899);
}

} // namespace
} // namespace camtrove
