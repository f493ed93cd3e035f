// Sexagenary names, solar terms and constellations.

#include "lunar/chn_calendar_use.h"
#include "lunar/lunar_core.h"

#include <gtest/gtest.h>

#include <string>

using namespace kuvano::lunar;

namespace {

std::string TermOn(int y, int m, int d) {
    return SolarTermOfDate(EncodeDate(y, m, d));
}
std::string YearName(int y, int m, int d) {
    return std::string(GanZhiName(YearGanZhiOfDate(y, m, d)));
}
std::string MonthName(int y, int m, int d) {
    return std::string(GanZhiName(MonthGanZhiOfDate(y, m, d)));
}
std::string DayName(int y, int m, int d) {
    return std::string(GanZhiName(DayGanZhiOfDate(y, m, d)));
}

} // namespace

TEST(LunarCycles, SexagenaryTableAndIndexes) {
    EXPECT_EQ(GanZhiName(0), "甲子");
    EXPECT_EQ(GanZhiName(59), "癸亥");
    EXPECT_EQ(GanZhiName(60), "");
    EXPECT_EQ(GanZhiName(-1), "");
    EXPECT_EQ(GanZhiIndex(0, 1), -1);
    EXPECT_EQ(GanZhiIndex(9, 11), 59);
    EXPECT_EQ(GanZhiIndex(10, 0), -1);
    int s = 0, b = 0;
    EXPECT_TRUE(SplitGanZhi(59, s, b));
    EXPECT_EQ(s, 9);
    EXPECT_EQ(b, 11);
    EXPECT_FALSE(SplitGanZhi(60, s, b));
    EXPECT_EQ(s, -1);
    EXPECT_EQ(b, -1);
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(SplitGanZhi(i, s, b));
        EXPECT_EQ(GanZhiIndex(s, b), i);
    }
}

TEST(LunarCycles, YearCycleAndAnimal) {
    EXPECT_EQ(GanZhiName(YearCycleIndex(4)), "甲子");
    EXPECT_EQ(GanZhiName(YearCycleIndex(1984)), "甲子");
    EXPECT_EQ(GanZhiName(YearCycleIndex(2024)), "甲辰");
    EXPECT_EQ(YearCycleIndex(-1), (YearCycleIndex(1) + 59) % 60); // no year 0 in between
    EXPECT_EQ(AnimalName(YearBranch(2024)), "龙");
    EXPECT_EQ(AnimalName(12), "");
}

TEST(LunarCycles, YearNameChangesAtSpringBeginning) {
    EXPECT_EQ(YearName(2024, 2, 3), "癸卯");
    EXPECT_EQ(YearName(2024, 2, 4), "甲辰");
}

TEST(LunarCycles, MonthNamesFollowTheOddTerms) {
    EXPECT_EQ(MonthName(2000, 1, 5), "丙子");
    EXPECT_EQ(MonthName(2000, 1, 6), "丁丑");
    EXPECT_EQ(MonthName(2000, 2, 4), "戊寅");
    EXPECT_EQ(MonthName(2024, 2, 3), "乙丑");
    EXPECT_EQ(MonthName(2024, 2, 4), "丙寅");
    EXPECT_EQ(MonthName(2011, 6, 30), "甲午");
    EXPECT_EQ(MonthName(2024, 12, 7), "丙子"); // 大雪 2024-12-06
}

TEST(LunarCycles, DayNames) {
    EXPECT_EQ(DayName(2000, 1, 1), "戊午");
    EXPECT_EQ(DayName(2024, 2, 10), "甲辰");
    EXPECT_EQ(DayName(2011, 6, 30), "丙辰");
}

TEST(LunarCycles, TermInstants) {
    EXPECT_NEAR(SolarTermDay(2024, 3), 35.684, 0.001);
    EXPECT_NEAR(SolarTermDay(2000, 1), 6.372, 0.001);
    int m = 0, d = 0;
    EXPECT_FALSE(SolarTermDate(2024, 24, m, d));
    EXPECT_FALSE(SolarTermDate(2024, -1, m, d));
    EXPECT_TRUE(SolarTermDate(2024, 2, m, d)); // term number 3, 立春
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 4);
    EXPECT_GT(SolarTermDay(2024, 25), 366); // next year's 小寒
    EXPECT_EQ(SolarTermName(0), "立春");
    EXPECT_EQ(SolarTermName(24), "");
}

TEST(LunarCycles, TermsOfKnownYears) {
    EXPECT_EQ(TermOn(2000, 1, 6), "小寒");
    EXPECT_EQ(TermOn(2000, 1, 21), "大寒");
    EXPECT_EQ(TermOn(2000, 2, 4), "立春");
    EXPECT_EQ(TermOn(2000, 3, 20), "春分");
    EXPECT_EQ(TermOn(2000, 6, 21), "夏至");
    EXPECT_EQ(TermOn(2000, 12, 21), "冬至");
    EXPECT_EQ(TermOn(2024, 1, 6), "小寒");
    EXPECT_EQ(TermOn(2024, 1, 20), "大寒");
    EXPECT_EQ(TermOn(2024, 2, 4), "立春");
    EXPECT_EQ(TermOn(2024, 4, 4), "清明");
    EXPECT_EQ(TermOn(2024, 12, 21), "冬至");
    EXPECT_EQ(TermOn(2011, 3, 6), "惊蛰");
    EXPECT_EQ(TermOn(2011, 4, 5), "清明");
    EXPECT_EQ(TermOn(2011, 12, 22), "冬至");
    EXPECT_EQ(TermOn(2024, 2, 5), "");
}

TEST(LunarCycles, TermCorrectionsMoveEveryUser) {
    EXPECT_EQ(TermOn(2016, 7, 7), "小暑");
    EXPECT_EQ(TermOn(2016, 7, 6), "");
    EXPECT_EQ(TermOn(2020, 12, 7), "大雪");
    EXPECT_EQ(TermOn(2020, 12, 6), "");
    // (2083, 3) -1: 立春 2083 moves a day earlier, and with it the year name.
    int m = 0, d = 0;
    ASSERT_TRUE(SolarTermDate(2083, 2, m, d));
    EXPECT_EQ(YearName(2083, m, d), std::string(GanZhiName(YearCycleIndex(2083))));
    EXPECT_EQ(YearName(2083, m, d - 1), std::string(GanZhiName(YearCycleIndex(2082))));
    // (1979, 2) -1: 大寒 1979.
    EXPECT_EQ(TermOn(1979, 1, 20), "大寒");
}

TEST(LunarCycles, Constellations) {
    EXPECT_EQ(ConstellationName(ConstellationOf(1, 19)), "摩羯");
    EXPECT_EQ(ConstellationName(ConstellationOf(1, 20)), "宝瓶");
    EXPECT_EQ(ConstellationName(ConstellationOf(2, 18)), "宝瓶");
    EXPECT_EQ(ConstellationName(ConstellationOf(2, 19)), "双鱼");
    EXPECT_EQ(ConstellationName(ConstellationOf(6, 21)), "双子");
    EXPECT_EQ(ConstellationName(ConstellationOf(6, 22)), "巨蟹");
    EXPECT_EQ(ConstellationName(ConstellationOf(12, 21)), "射手");
    EXPECT_EQ(ConstellationName(ConstellationOf(12, 22)), "摩羯");
    EXPECT_EQ(ConstellationName(ConstellationOf(12, 31)), "摩羯");
    EXPECT_EQ(ConstellationName(12), "");
}
