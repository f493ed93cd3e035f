// The day record: date-time values, date texts, festivals and the day label.

#include "lunar/chn_calendar_use.h"
#include "lunar/lunar_core.h"

#include <gtest/gtest.h>

using namespace kuvano::lunar;

namespace {

TChnCal Record(int y, int m, int d) {
    TChnCal c;
    c.SetDate(EncodeDate(y, m, d));
    return c;
}

} // namespace

TEST(LunarDateTime, EncodeAndSplitAreProlepticGregorian) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    int y = 0, m = 0, d = 0;
    SplitDateTime(36526.75, y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(2000, 1, 1));
    SplitDateTime(-1.25, y, m, d); // 1899-12-29 06:00
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(1899, 12, 29));
    SplitDateTime(EncodeDate(1582, 10, 10), y, m, d);
    EXPECT_EQ(std::tie(y, m, d), std::make_tuple(1582, 10, 10));
    for (double v = -693593; v <= 73415; v += 37) {
        SplitDateTime(v, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), v);
    }
    SplitDateTime(std::numeric_limits<double>::quiet_NaN(), y, m, d);
    EXPECT_EQ(y, 0);
}

TEST(LunarDateTime, DaysBeforeTheReformConvertAsTheDayTheyName) {
    // Proleptic Gregorian 1582-10-14 is Julian 1582-10-04; 1500-03-11 is Julian 1500-03-01.
    bool leap = false;
    int ld = 0, lm = 0, ly = 0;
    ASSERT_TRUE(DateToLunar(EncodeDate(1582, 10, 14), leap, ld, lm, ly));
    EXPECT_EQ(std::make_tuple(ly, lm, ld), std::make_tuple(1582, 9, 18));
    int jd = 0, jm = 0, jy = 0;
    ASSERT_TRUE(SolarToLunar(1500, 3, 1, leap, jd, jm, jy));
    ASSERT_TRUE(DateToLunar(EncodeDate(1500, 3, 11), leap, ld, lm, ly));
    EXPECT_EQ(std::make_tuple(ly, lm, ld), std::make_tuple(jy, jm, jd));
    EXPECT_FALSE(Record(1582, 10, 10).DayText.empty());
    // Civil festivals stay on the date shown: Gregorian 1582-10-01, not Julian 10-01.
    EXPECT_EQ(Record(1582, 10, 1).SolarFestival, "国庆节");
    EXPECT_EQ(Record(1582, 10, 11).SolarFestival, "");
    // So do the constellation and the era's year: Gregorian 1500-03-25 is Julian 03-15
    // (双鱼), Gregorian 1500-01-05 is Julian 1499-12-26.
    EXPECT_EQ(Record(1500, 3, 25).Constellation, "白羊");
    EXPECT_EQ(Record(1500, 3, 20).Constellation, "双鱼");
    const std::string era = Record(1500, 1, 5).EraText;
    EXPECT_TRUE(era.ends_with("弘治13年")) << era;
    EXPECT_EQ(Record(1582, 10, 20).Constellation, "天秤"); // after the reform: one calendar
}

TEST(LunarDayText, Texts) {
    EXPECT_EQ(LunarDayText(0), "");
    EXPECT_EQ(LunarDayText(31), "");
    EXPECT_EQ(LunarDayText(-1), "");
    EXPECT_EQ(LunarDayText(1), "初一");
    EXPECT_EQ(LunarDayText(10), "初十");
    EXPECT_EQ(LunarDayText(11), "十一");
    EXPECT_EQ(LunarDayText(20), "二十");
    EXPECT_EQ(LunarDayText(21), "廿一");
    EXPECT_EQ(LunarDayText(29), "廿九");
    EXPECT_EQ(LunarDayText(30), "三十");
}

TEST(LunarDayRecord, DateTextsOfTheSelectedDate) {
    const TChnCal a = Record(2011, 6, 30);
    EXPECT_EQ(a.MonthText, "五月");
    EXPECT_EQ(a.DayText, "廿九");
    EXPECT_EQ(a.CnDate(), "五月廿九");
    EXPECT_EQ(a.YearText, "2011");
    EXPECT_EQ(a.DayGanZhi, "丙辰");
    EXPECT_EQ(a.MonthGanZhi, "甲午");
    EXPECT_EQ(a.Animal, "兔");
    EXPECT_EQ(a.Constellation, "巨蟹");
    EXPECT_EQ(a.EraText, "");
    EXPECT_EQ(Record(2010, 6, 11).CnDate(), "四月廿九");
    EXPECT_EQ(Record(2024, 12, 31).MonthText, "腊月");
    EXPECT_EQ(Record(2024, 12, 1).MonthText, "冬月");
}

TEST(LunarDayRecord, LeapMonthFirstDayAfterThePreviousDay) {
    TChnCal c;
    c.SetDate(EncodeDate(2020, 5, 22));
    c.SetDate(EncodeDate(2020, 5, 23));
    EXPECT_EQ(c.MonthText, "闰四");
    EXPECT_EQ(c.DayText, "初一");
    EXPECT_EQ(c.DayLabel(), "闰四");
    EXPECT_EQ(c.DayLabelKindOf(), DayLabelKind::MonthFirst);
    c.SetDate(EncodeDate(2020, 5, 25));
    EXPECT_EQ(c.CnDate(), "闰四初三");
    // 2020-06-21 is the first of month 5, 夏至 and 父亲节 at once: the term wins.
    c.SetDate(EncodeDate(2020, 6, 21));
    EXPECT_EQ(c.MonthText, "五月");
    EXPECT_EQ(c.SolarFestival, "父亲节");
    EXPECT_EQ(c.DayLabel(), "夏至");
    EXPECT_EQ(c.DayLabelKindOf(), DayLabelKind::SolarTerm);
}

TEST(LunarDayRecord, OutOfRangeDateKeepsEveryText) {
    TChnCal c;
    c.SetDate(EncodeDate(2024, 2, 10));
    c.SetDate(EncodeDate(2101, 1, 1));
    EXPECT_EQ(c.DayLabel(), "春节");
    EXPECT_EQ(c.YearText, "2024");
    EXPECT_EQ(c.Date, EncodeDate(2101, 1, 1));
    c.SetDate(std::numeric_limits<double>::infinity());
    EXPECT_EQ(c.CnDate(), "正月初一");
}

TEST(LunarDayRecord, YearTextsRefreshOnlyWhenTheLunarYearChanges) {
    TChnCal c;
    c.SetDate(EncodeDate(1911, 12, 31)); // lunar 1911
    EXPECT_EQ(c.EraText, "[近、现代]中华民国  民国元年");
    c.SetDate(EncodeDate(1912, 1, 15)); // still lunar 1911: the era text stays
    EXPECT_EQ(c.EraText, "[近、现代]中华民国  民国元年");
    c.SetDate(EncodeDate(1912, 2, 18)); // New Year 1912
    EXPECT_EQ(c.EraText, "[近、现代]中华民国  民国2年");
    EXPECT_EQ(c.Animal, "鼠");
}

TEST(LunarFestivals, LunarFestivalsAndNewYearsEve) {
    EXPECT_EQ(Record(2024, 2, 9).LunarFestival, "除夕");
    EXPECT_EQ(Record(2024, 2, 9).DayLabel(), "除夕");
    EXPECT_EQ(Record(2024, 2, 10).DayLabel(), "春节");
    EXPECT_EQ(Record(2024, 2, 24).DayLabel(), "元宵节");
    EXPECT_EQ(Record(2024, 2, 24).DayLabelKindOf(), DayLabelKind::LunarFestival);
    EXPECT_EQ(Record(2025, 1, 28).LunarFestival, "除夕"); // month 12 of 29 days
    EXPECT_EQ(Record(2024, 2, 8).LunarFestival, "");
    EXPECT_EQ(Record(2009, 6, 27).LunarFestival, "端午节"); // leap month 5, day 5
    EXPECT_EQ(LunarFestivalOf(12, 8, 0), "腊八节");
    EXPECT_EQ(LunarFestivalOf(8, 15, 0), "中秋节");
    EXPECT_EQ(LunarFestivalOf(3, 3, 0), "");
}

TEST(LunarFestivals, CivilFestivalsAndWeekRules) {
    EXPECT_EQ(Record(2024, 5, 12).SolarFestival, "母亲节");
    EXPECT_EQ(Record(2024, 5, 5).SolarFestival, "");
    EXPECT_EQ(Record(2024, 5, 5).SolarTerm, "立夏");
    EXPECT_EQ(Record(2024, 6, 16).SolarFestival, "父亲节");
    EXPECT_EQ(Record(2024, 6, 9).SolarFestival, "");
    EXPECT_EQ(Record(2024, 11, 28).SolarFestival, "感恩节");
    EXPECT_EQ(Record(2024, 11, 21).SolarFestival, "");
    EXPECT_EQ(Record(2024, 10, 1).DayLabel(), "国庆节");
    EXPECT_EQ(Record(2024, 10, 1).DayLabelKindOf(), DayLabelKind::CivilFestival);
    EXPECT_EQ(SolarFestivalOf(25, EncodeDate(2024, 12, 25)), "圣诞节");
}

TEST(LunarFestivals, LabelPriorities) {
    const TChnCal midAutumn = Record(2025, 10, 6); // 老人节 and 中秋节
    EXPECT_EQ(midAutumn.SolarFestival, "老人节");
    EXPECT_EQ(midAutumn.DayLabel(), "中秋节");
    const TChnCal qingming = Record(2025, 4, 4);
    EXPECT_EQ(qingming.DayLabel(), "清明");
    EXPECT_EQ(qingming.SolarFestival, "");
    const TChnCal plain = Record(2025, 4, 10);
    EXPECT_EQ(plain.DayLabel(), plain.DayText);
    EXPECT_EQ(plain.DayLabelKindOf(), DayLabelKind::LunarDay);
    EXPECT_EQ(DayLabelKindName(DayLabelKind::LunarFestival), "lunar-festival");
}
