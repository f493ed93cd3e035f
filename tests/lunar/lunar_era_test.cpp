// The reign-era table and its lookup.

#include "lunar/chn_calendar_use.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kuvano::lunar;

namespace {

int StartOf(std::string_view row) {
    return std::stoi(SplitField(row, ",", 1, false));
}

std::string EraAt(int year) {
    return EraTextOf(year);
}

} // namespace

TEST(LunarEra, SplitField) {
    EXPECT_EQ(SplitField("a, b ,c", ",", 2, false), "b");
    EXPECT_EQ(SplitField("a,,c", ",", 2, false), "");
    EXPECT_EQ(SplitField("a,,c", ",", 2, true), "c");
    EXPECT_EQ(SplitField("a,b,", ",", 3, false), "");
    EXPECT_EQ(SplitField("a,b", ",", 3, false), "");
    EXPECT_EQ(SplitField("a::b", "::", 2, false), "b");
    EXPECT_EQ(SplitField("a,b", ",", 0, false), "");
    EXPECT_EQ(SplitField("  ", ",", 1, true), "");
}

TEST(LunarEra, TableStructure) {
    const auto rows = EraTableRows();
    ASSERT_EQ(rows.size(), 529u);
    EXPECT_EQ(StartOf(rows.front()), -2069);
    EXPECT_EQ(rows[527], "1911,37,0,近、现代,中华民国,,民国");
    EXPECT_EQ(rows[528], "1949,9999,1948,当代,中国,,公历");

    const std::vector<std::string> dynasties = {
        "夏",        "商",      "西周",      "东周",      "战国-秦",   "秦",        "西汉",
        "新",        "东汉",    "三国-魏",   "西晋",      "东晋",      "南朝/宋",   "南朝/齐",
        "南朝/梁",   "南朝/陈", "南朝/后梁", "北朝/北魏", "北朝/东魏", "北朝/西魏", "北朝/北齐",
        "北朝/北周", "隋",      "唐",        "武周",      "五代/梁",   "五代/唐",   "五代/晋",
        "五代/汉",   "五代/周", "北宋",      "南宋",      "元",        "明",        "清",
        "近、现代",  "当代"};
    std::vector<std::string> firstSeen;
    int fallBacks = 0;
    std::string prevDynasty;
    int prevStart = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NE(SplitField(rows[i], ",", 7, false), "") << rows[i];
        EXPECT_EQ(SplitField(rows[i], ",", 8, false), "") << rows[i]; // exactly seven fields
        const std::string dynasty = SplitField(rows[i], ",", 4, false);
        const int start = StartOf(rows[i]);
        if (std::find(firstSeen.begin(), firstSeen.end(), dynasty) == firstSeen.end())
            firstSeen.push_back(dynasty);
        if (i > 0) {
            if (dynasty == prevDynasty)
                EXPECT_GE(start, prevStart) << rows[i];
            else if (start < prevStart)
                ++fallBacks;
        }
        prevDynasty = dynasty;
        prevStart = start;
    }
    EXPECT_EQ(firstSeen, dynasties);
    EXPECT_EQ(fallBacks, 6);
}

TEST(LunarEra, KnownEras) {
    EXPECT_EQ(EraAt(627), "[唐]太宗 李世民 贞观元年");
    EXPECT_EQ(EraAt(649), "[唐]太宗 李世民 贞观23年");
    EXPECT_EQ(EraAt(1368), "[明]太祖 朱元璋 洪武元年");
    EXPECT_EQ(EraAt(1662), "[清]圣祖 玄烨 康熙元年");
    EXPECT_EQ(EraAt(1722), "[清]圣祖 玄烨 康熙61年");
    EXPECT_EQ(EraAt(1875), "[清]德宗 载湉 光绪元年");
    EXPECT_EQ(EraAt(1909), "[清]宣统帝 溥仪 宣统元年");
    EXPECT_EQ(EraAt(1910), "[清]宣统帝 溥仪 宣统2年");
    EXPECT_EQ(EraAt(960), "[北宋]太祖 赵匡胤 建隆元年");
    EXPECT_EQ(EraAt(1127), "[南宋]高宗 赵构 建炎元年");
    EXPECT_EQ(EraAt(-140), "[西汉]武帝 刘彻 建元元年");
    EXPECT_EQ(EraAt(-221), "[秦]始皇帝 嬴政 始皇元年");
    EXPECT_EQ(EraAt(1), "[西汉]平帝 刘衎 元始元年");
    EXPECT_EQ(EraAt(-1), "[西汉]哀帝 刘欣 元寿2年");
    EXPECT_EQ(EraAt(-841), "[西周]共和  共和元年");
}

TEST(LunarEra, ParallelDynastiesTakeTheFirstListed) {
    EXPECT_EQ(EraAt(695), "[武周]则天皇帝 武曌 天册万岁元年");
    EXPECT_EQ(EraAt(705), "[唐]中宗 李显 神龙元年");
    EXPECT_EQ(EraAt(1279), "[元]世祖 忽必烈 至元16年"); // after 祥兴, before the Ming
    EXPECT_EQ(EraAt(1270), "[南宋]度宗 赵禥 咸淳6年");
    EXPECT_EQ(EraAt(1630), "[明]思宗 朱由检 崇祯3年");
    EXPECT_EQ(EraAt(1278), "[元]世祖 忽必烈 至元15年");  // the last row before a parallel run
    EXPECT_EQ(EraAt(553), "[南朝/梁]元帝 萧绎 承圣2年"); // the south is listed first
    EXPECT_EQ(EraAt(1644), "[清]世祖 福临 顺治元年");
    EXPECT_EQ(EraAt(560), "[南朝/陈]文帝 陈蒨 天嘉元年");
    EXPECT_EQ(EraAt(590), "[隋]文帝 杨坚 开皇10年");
}

TEST(LunarEra, Bounds) {
    EXPECT_EQ(EraAt(1911), "[近、现代]中华民国  民国元年");
    EXPECT_EQ(EraAt(1912), "[近、现代]中华民国  民国2年");
    EXPECT_EQ(EraAt(1948), "[近、现代]中华民国  民国38年");
    EXPECT_EQ(EraAt(1949), "");
    EXPECT_EQ(EraAt(2011), "");
    EXPECT_EQ(EraAt(-2070), "");
    EXPECT_EQ(EraAt(-2069), "[夏]禹 姒文命 禹元年");
    EXPECT_EQ(EraAt(0), "");
}
