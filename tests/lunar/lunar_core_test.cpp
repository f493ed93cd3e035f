// Civil calendar arithmetic, leap-month tables and civil <-> lunar conversion.

#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kuvano::lunar;

namespace {

struct Lunar {
    int year;
    int month;
    int day;
    bool leap;
    bool operator==(const Lunar&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Lunar& l) {
    return os << l.year << "/" << (l.leap ? "闰" : "") << l.month << "/" << l.day;
}

Lunar ToLunar(int y, int m, int d) {
    Lunar l{0, 0, 0, false};
    EXPECT_TRUE(SolarToLunar(y, m, d, l.leap, l.day, l.month, l.year)) << y << "-" << m << "-" << d;
    return l;
}

} // namespace

TEST(LunarCalendar, CalendarKindAroundTheReform) {
    EXPECT_EQ(GetCalendarKind(1582, 10, 4), CalendarKind::Julian);
    EXPECT_EQ(GetCalendarKind(1582, 10, 5), CalendarKind::Gap);
    EXPECT_EQ(GetCalendarKind(1582, 10, 14), CalendarKind::Gap);
    EXPECT_EQ(GetCalendarKind(1582, 10, 15), CalendarKind::Gregorian);
    EXPECT_EQ(GetCalendarKind(1581, 12, 31), CalendarKind::Julian);
    EXPECT_EQ(GetCalendarKind(-849, 1, 1), CalendarKind::Julian);
}

TEST(LunarCalendar, LeapYearsJulianGregorianAndBeforeYearOne) {
    EXPECT_TRUE(IsLeapYearCn(1500)); // Julian century year
    EXPECT_FALSE(IsLeapYearCn(1700));
    EXPECT_TRUE(IsLeapYearCn(2000));
    EXPECT_FALSE(IsLeapYearCn(2100));
    EXPECT_TRUE(IsLeapYearCn(-1));
    EXPECT_TRUE(IsLeapYearCn(-5));
    EXPECT_FALSE(IsLeapYearCn(-4));
    EXPECT_EQ(DaysInMonth(1500, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_EQ(DaysInMonth(2024, 0), 0);
    EXPECT_EQ(DayOfYear(2024, 12, 31), 366);
    EXPECT_EQ(DayOfYear(2023, 3, 1), 60);
}

TEST(LunarCalendar, DayNumberAnchors) {
    EXPECT_EQ(DayNumber(1582, 10, 4), 577735);
    EXPECT_EQ(DayNumber(1582, 10, 15), 577736);
    EXPECT_EQ(DayNumber(1582, 10, 10), 0); // gap
    EXPECT_EQ(DayNumber(1900, 1, 1), 693596);
    EXPECT_EQ(DayNumber(2000, 1, 1), 730120);
    EXPECT_EQ(DayNumber(2100, 12, 31), 767009);
    EXPECT_EQ(DayNumber(1, 1, 1), -1); // Julian 0001-01-01, two days before the Gregorian one
    EXPECT_EQ(DayNumber(1, 1, 2), 0);
}

TEST(LunarCalendar, DayNumberBeforeYearOneContinuesTheJulianCount) {
    // No year 0: civil -1 is followed by year 1, and -1 is a leap year.
    EXPECT_EQ(DayNumber(-1, 12, 31), DayNumber(1, 1, 1) - 1);
    EXPECT_EQ(DayNumber(-1, 1, 1), DayNumber(-1, 12, 31) - 365);
    EXPECT_EQ(DayNumber(-2, 12, 31), DayNumber(-1, 1, 1) - 1);
    EXPECT_EQ(DayNumber(0, 1, 1), 0);
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(DayNumberToDate(DayNumber(-849, 1, 1), y, m, d));
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(-849, 1, 1));
    EXPECT_FALSE(DayNumberToDate(DayNumber(-849, 1, 1) - 1, y, m, d));
}

TEST(LunarCalendar, DayNumberRejectsImpossibleDates) {
    EXPECT_EQ(DayNumber(2024, 13, 1), 0);
    EXPECT_EQ(DayNumber(2024, 1, 0), 0);
    EXPECT_EQ(DayNumber(2000000000, 1, 1), 0);
}

TEST(LunarCalendar, DayNumberRoundTripEveryDay) {
    // Every civil date from -849-01-01 to 2101-12-31, in order, must map to consecutive day
    // numbers and back (the gap dates map to 0 and are skipped).
    int expected = DayNumber(-849, 1, 1);
    for (int y = -849; y <= 2101; ++y) {
        if (y == 0) continue;
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                if (GetCalendarKind(y, m, d) == CalendarKind::Gap) continue;
                const int n = DayNumber(y, m, d);
                ASSERT_EQ(n, expected) << y << "-" << m << "-" << d;
                ++expected;
                int ry = 0, rm = 0, rd = 0;
                ASSERT_TRUE(DayNumberToDate(n, ry, rm, rd));
                ASSERT_EQ(std::tie(ry, rm, rd), std::tie(y, m, d)) << n;
            }
        }
    }
}

TEST(LunarTables, LeapMonthsOfKnownYears) {
    EXPECT_EQ(LeapMonthOf(2020), 4);
    EXPECT_EQ(LeapMonthOf(2023), 2);
    EXPECT_EQ(LeapMonthOf(2025), 6);
    EXPECT_EQ(LeapMonthOf(2033), 11);
    EXPECT_EQ(LeapMonthOf(2024), 0);
    EXPECT_EQ(LeapMonthOf(0), 0);
    EXPECT_EQ(LeapMonthOf(-848), 12);
    EXPECT_EQ(LeapMonthOf(2101), 0);
}

TEST(LunarTables, LeapMonthCountAnchorsAndTheExtraLunation) {
    EXPECT_EQ(LeapMonthCount(1), 311);
    EXPECT_EQ(LeapMonthCount(1582), 893);
    EXPECT_EQ(LeapMonthCount(1899), 1010);
    EXPECT_EQ(LeapMonthCount(1900), 1011);
    EXPECT_EQ(LeapMonthCount(2000), 1047);
    EXPECT_EQ(LeapMonthCount(2100), 1084);
    EXPECT_EQ(LeapMonthCount(2011), 1051);
    // 1200..1499 carry one extra, not one per year.
    EXPECT_EQ(LeapMonthCount(1200) - LeapMonthCount(1199), (LeapMonthOf(1200) != 0 ? 1 : 0) + 1);
    EXPECT_EQ(LeapMonthCount(1500) - LeapMonthCount(1499), (LeapMonthOf(1500) != 0 ? 1 : 0) - 1);
}

TEST(LunarConvert, WorkedCheck20110630) {
    EXPECT_EQ(DayNumber(2011, 6, 30), 734318);
    // Step v = 6 of the series (index 7) is the new moon of 2011-06-02.
    const auto moons = kuvano::lunar::detail::ComputeNewMoonDays(2011);
    EXPECT_EQ(moons.day[7], 734290);
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(DayNumberToDate(734290, y, m, d));
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(2011, 6, 2));
    EXPECT_EQ(GetLunarDay(2011, 6, 30), 29);
    EXPECT_EQ(GetLunarMonth(2011, 6, 30), 5);
    EXPECT_EQ(ToLunar(2011, 6, 30), (Lunar{2011, 5, 29, false}));
}

TEST(LunarConvert, PlainDatesAndNewYears) {
    EXPECT_EQ(ToLunar(2010, 6, 11), (Lunar{2010, 4, 29, false}));
    EXPECT_EQ(ToLunar(2010, 6, 12), (Lunar{2010, 5, 1, false}));
    EXPECT_EQ(ToLunar(2024, 2, 9), (Lunar{2023, 12, 30, false}));
    EXPECT_EQ(ToLunar(2024, 2, 10), (Lunar{2024, 1, 1, false}));
    EXPECT_EQ(ToLunar(2000, 2, 4), (Lunar{1999, 12, 29, false}));
    EXPECT_EQ(ToLunar(2000, 2, 5), (Lunar{2000, 1, 1, false}));
    EXPECT_EQ(ToLunar(1900, 1, 1), (Lunar{1899, 12, 1, false}));
    EXPECT_EQ(ToLunar(2100, 12, 31), (Lunar{2100, 12, 1, false}));
    EXPECT_EQ(ToLunar(2100, 1, 1), (Lunar{2099, 11, 21, false}));
}

TEST(LunarConvert, PublishedNewYears1985To2030) {
    const int newYears[][2] = {
        {2, 20}, {2, 9},  {1, 29}, {2, 17}, {2, 6},  {1, 27}, {2, 15}, {2, 4},  {1, 23}, {2, 10},
        {1, 31}, {2, 19}, {2, 7},  {1, 28}, {2, 16}, {2, 5},  {1, 24}, {2, 12}, {2, 1},  {1, 22},
        {2, 9},  {1, 29}, {2, 18}, {2, 7},  {1, 26}, {2, 14}, {2, 3},  {1, 23}, {2, 10}, {1, 31},
        {2, 19}, {2, 8},  {1, 28}, {2, 16}, {2, 5},  {1, 25}, {2, 12}, {2, 1},  {1, 22}, {2, 10},
        {1, 29}, {2, 17}, {2, 6},  {1, 26}, {2, 13}, {2, 3}};
    for (int i = 0; i < 46; ++i) {
        const int y = 1985 + i;
        int ry = 0, rm = 0, rd = 0;
        ASSERT_TRUE(LunarToSolar(y, 1, 1, false, ry, rm, rd)) << y;
        EXPECT_EQ(std::tie(ry, rm, rd), std::make_tuple(y, newYears[i][0], newYears[i][1])) << y;
    }
}

TEST(LunarConvert, LeapMonths) {
    EXPECT_EQ(ToLunar(2020, 5, 23), (Lunar{2020, 4, 1, true}));
    EXPECT_EQ(ToLunar(2020, 6, 20), (Lunar{2020, 4, 29, true}));
    EXPECT_EQ(ToLunar(2020, 6, 21), (Lunar{2020, 5, 1, false}));
    EXPECT_EQ(ToLunar(2023, 3, 22), (Lunar{2023, 2, 1, true}));
    EXPECT_EQ(ToLunar(2023, 4, 20), (Lunar{2023, 3, 1, false}));
    EXPECT_EQ(ToLunar(2033, 12, 22), (Lunar{2033, 11, 1, true}));
    EXPECT_EQ(ToLunar(2009, 6, 23), (Lunar{2009, 5, 1, true}));
    EXPECT_EQ(GetLunarMonth(2020, 5, 23), -4);
}

TEST(LunarConvert, LunarDayCorrections) {
    EXPECT_EQ(ToLunar(1924, 3, 5), (Lunar{1924, 2, 1, false}));
    EXPECT_EQ(ToLunar(1924, 4, 4), (Lunar{1924, 3, 1, false}));
    EXPECT_EQ(ToLunar(2018, 11, 7), (Lunar{2018, 9, 30, false}));
    EXPECT_EQ(ToLunar(2018, 11, 8), (Lunar{2018, 10, 1, false}));
    EXPECT_EQ(ToLunar(1914, 11, 17), (Lunar{1914, 10, 1, false}));
    EXPECT_EQ(ToLunar(1914, 12, 16), (Lunar{1914, 10, 30, false}));
    EXPECT_EQ(ToLunar(1916, 2, 3), (Lunar{1916, 1, 1, false}));
    EXPECT_EQ(ToLunar(1916, 2, 2).year, 1915);
    EXPECT_EQ(ToLunar(1920, 11, 10), (Lunar{1920, 10, 1, false}));
    EXPECT_EQ(ToLunar(2057, 9, 28), (Lunar{2057, 8, 30, false}));
    EXPECT_EQ(ToLunar(2057, 9, 29), (Lunar{2057, 9, 1, false}));
}

TEST(LunarConvert, Year2025NeedsNoCorrection) {
    EXPECT_EQ(ToLunar(2025, 4, 7), (Lunar{2025, 3, 10, false}));
    EXPECT_EQ(ToLunar(2025, 4, 26), (Lunar{2025, 3, 29, false}));
    EXPECT_EQ(ToLunar(2025, 4, 27), (Lunar{2025, 3, 30, false}));
    EXPECT_EQ(ToLunar(2025, 4, 28), (Lunar{2025, 4, 1, false}));
    EXPECT_EQ(ToLunar(2025, 5, 26), (Lunar{2025, 4, 29, false}));
    EXPECT_EQ(ToLunar(2025, 5, 27), (Lunar{2025, 5, 1, false}));
    EXPECT_EQ(ToLunar(2025, 7, 25), (Lunar{2025, 6, 1, true}));
}

TEST(LunarConvert, AcrossTheReformAndTheGap) {
    EXPECT_EQ(ToLunar(1582, 10, 4), (Lunar{1582, 9, 18, false}));
    EXPECT_EQ(ToLunar(1582, 10, 15), (Lunar{1582, 9, 19, false}));
    for (int d = 5; d <= 14; ++d) EXPECT_EQ(GetLunarDay(1582, 10, d), -1) << d;
}

TEST(LunarConvert, RangeAndInputRejection) {
    bool leap = true;
    int ld = 7, lm = 7, ly = 7;
    EXPECT_FALSE(SolarToLunar(2101, 1, 1, leap, ld, lm, ly));
    EXPECT_FALSE(SolarToLunar(-850, 12, 31, leap, ld, lm, ly));
    EXPECT_FALSE(SolarToLunar(0, 6, 1, leap, ld, lm, ly));
    EXPECT_FALSE(SolarToLunar(2024, 2, 30, leap, ld, lm, ly));
    EXPECT_FALSE(SolarToLunarNoYear(2101, 1, 1, leap, ld, lm));
    EXPECT_EQ(std::tie(leap, ld, lm, ly), std::make_tuple(true, 7, 7, 7)); // untouched
    EXPECT_TRUE(SolarToLunar(-849, 6, 1, leap, ld, lm, ly));
    int y = 0, m = 0, d = 0;
    EXPECT_FALSE(LunarToSolar(2024, 4, 1, true, y, m, d)); // 2024 has no leap month
    EXPECT_FALSE(LunarToSolar(2024, 13, 1, false, y, m, d));
    EXPECT_FALSE(LunarToSolar(2101, 1, 1, false, y, m, d));
}

TEST(LunarConvert, LunarToSolarFindsEveryDayOf2020) {
    for (int n = DayNumber(2020, 1, 25); n <= DayNumber(2021, 2, 11); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        const Lunar l = ToLunar(y, m, d);
        int ry = 0, rm = 0, rd = 0;
        ASSERT_TRUE(LunarToSolar(l.year, l.month, l.day, l.leap, ry, rm, rd)) << l;
        EXPECT_EQ(std::tie(ry, rm, rd), std::tie(y, m, d)) << l;
    }
}

TEST(LunarConvert, EarlyJanuaryOfYearOneBelongsToYearMinusOne) {
    const Lunar l = ToLunar(1, 1, 5);
    EXPECT_EQ(l.year, -1);
}
