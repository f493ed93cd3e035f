// Sexagenary cycles, zodiac, constellations and the 24 solar terms.

#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <array>
#include <cmath>
#include <string>

namespace kuvano::lunar {

using detail::FloorMod;

namespace {

constexpr std::array<std::string_view, 10> kStems = {"甲", "乙", "丙", "丁", "戊",
                                                     "己", "庚", "辛", "壬", "癸"};
constexpr std::array<std::string_view, 12> kBranches = {"子", "丑", "寅", "卯", "辰", "巳",
                                                        "午", "未", "申", "酉", "戌", "亥"};
constexpr std::array<std::string_view, 12> kAnimals = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                       "马", "羊", "猴", "鸡", "狗", "猪"};
constexpr std::array<std::string_view, 12> kConstellations = {
    "白羊", "金牛", "双子", "巨蟹", "狮子", "处女", "天秤", "天蝎", "射手", "摩羯", "宝瓶", "双鱼"};
// Name table order: index 0 = 立春. Term number n (1 = 小寒) has index (n + 21) mod 24.
constexpr std::array<std::string_view, 24> kTermNames = {
    "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑", "大暑",
    "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至", "小寒", "大寒"};
// Constellation boundaries as month·100 + day: the first day of 宝瓶, 双鱼 ... 摩羯.
constexpr std::array<int, 12> kConstellationStarts = {120, 219, 321, 421,  521,  622,
                                                      723, 823, 923, 1023, 1123, 1222};

// The term formula's instant lands on the wrong side of midnight for these (civil year, term
// number) pairs, measured against the published calendar 1900..2100.
struct TermCorrection {
    int year;
    int n;
    int delta;
};
constexpr TermCorrection kTermCorrections[] = {
    {1911, 9, +1},  {1912, 19, +1}, {1923, 4, -1},  {1927, 17, +1}, {1928, 12, +1}, {1979, 2, -1},
    {2016, 13, +1}, {2020, 23, +1}, {2037, 18, +1}, {2040, 19, +1}, {2042, 14, +1}, {2051, 6, -1},
    {2059, 4, +1},  {2083, 3, -1},  {2084, 6, -1},  {2085, 1, -1},  {2097, 9, +1},
};

int TermCorrectionOf(int year, int n) {
    if (year < 1911 || year > 2097) return 0;
    for (const TermCorrection& c : kTermCorrections)
        if (c.year == year && c.n == n) return c.delta;
    return 0;
}

// Whole day of the year of terms 1..25 for every civil year of the engine, from the formula.
const std::array<short, 25>& TermDaysOf(int year) {
    static detail::PerYear<std::array<short, 25>> table;
    return table.get(year, [](int y) {
        std::array<short, 25> row{};
        for (int n = 1; n <= 25; ++n)
            row[static_cast<std::size_t>(n - 1)] =
                static_cast<short>(std::floor(SolarTermDay(y, n)));
        return row;
    });
}

int PreviousYear(int year) {
    return year == 1 ? -1 : year - 1;
}

} // namespace

namespace detail {

int TermDayFloor(int year, int n) {
    if (year < kFirstYear || year > kLastYear || n < 1 || n > 25)
        return static_cast<int>(std::floor(SolarTermDay(year, n)));
    return TermDaysOf(year)[static_cast<std::size_t>(n - 1)];
}

} // namespace detail

using detail::TermDayFloor;

std::string_view GanZhiName(int index) {
    static const std::array<std::string, 60> names = [] {
        std::array<std::string, 60> t;
        for (std::size_t i = 0; i < 60; ++i)
            t[i] = std::string(kStems[i % 10]) + std::string(kBranches[i % 12]);
        return t;
    }();
    if (index < 0 || index >= 60) return {};
    return names[static_cast<std::size_t>(index)];
}

int GanZhiIndex(int stem, int branch) {
    if (stem < 0 || stem > 9 || branch < 0 || branch > 11) return -1;
    for (int j = 0; j <= 6; ++j) {
        const int i = stem + 10 * j;
        if (i % 12 == branch) return i;
    }
    return -1;
}

bool SplitGanZhi(int index, int& stem, int& branch) {
    if (index < 0 || index >= 60) {
        stem = branch = -1;
        return false;
    }
    stem = index % 10;
    branch = index % 12;
    return true;
}

// Year 4 and 1984 are 甲子; years before 1 count without a year 0.
int YearCycleIndex(int year) {
    return FloorMod(year > 0 ? year - 4 : year - 3, 60);
}
int YearBranch(int year) {
    return FloorMod(year > 0 ? year - 4 : year - 3, 12);
}

std::string_view AnimalName(int branch) {
    if (branch < 0 || branch >= 12) return {};
    return kAnimals[static_cast<std::size_t>(branch)];
}

int YearGanZhiOfDate(int year, int month, int day) {
    if (DayOfYear(year, month, day) < TermDayFloor(year, 3))
        return YearCycleIndex(PreviousYear(year));
    return YearCycleIndex(year);
}

int MonthGanZhiOfDate(int year, int month, int day) {
    // Solar months begin at the odd term numbers: 1 = 立春 (n 3), 2 = 惊蛰 (n 5) ... 11 = 大雪
    // (n 23), 12 = 小寒 (n 1 of the next civil year).
    const int b = DayOfYear(year, month, day);
    int yearUsed = year;
    int solarMonth = 1;
    if (b < TermDayFloor(year, 3)) {
        yearUsed = PreviousYear(year);
        solarMonth = b < TermDayFloor(year, 1) ? 11 : 12;
    } else {
        for (int i = 2; i <= 12 && b >= TermDayFloor(year, 2 * i + 1); ++i) solarMonth = i;
    }
    // Stem of the first solar month, by the year stem (the "five tigers" rule).
    const int s = YearCycleIndex(yearUsed) % 10;
    static constexpr int kFirstStem[10] = {2, 4, 6, 8, 0, 2, 4, 6, 8, 0};
    const int stem = (kFirstStem[s] + (solarMonth - 1) % 10) % 10;
    const int branch = (solarMonth + 1) % 12; // solar month 1 is 寅
    return GanZhiIndex(stem, branch);
}

int DayGanZhiOfDate(int year, int month, int day) {
    return FloorMod(DayNumber(year, month, day) + 14, 60); // 2000-01-01 (day 730120) is 戊午
}

int ConstellationOf(int month, int day) {
    const int c = 100 * month + day;
    if (c < kConstellationStarts[0]) return 9;
    for (std::size_t i = 0; i + 1 < kConstellationStarts.size(); ++i)
        if (c < kConstellationStarts[i + 1]) return static_cast<int>((i + 10) % 12);
    return 9;
}

std::string_view ConstellationName(int index) {
    if (index < 0 || index >= 12) return {};
    return kConstellations[static_cast<std::size_t>(index)];
}

double SolarTermDay(int year, int n) {
    // Closed formula in the astronomical year (civil -1 is year 0) giving the Julian day of term n
    // at UTC+8; JD 1721425 is the start of day number 0 plus half a day, so the result is the day
    // of the year (January 1 = 1) with the time of day as fraction.
    const double y = year <= 0 ? year + 1 : year;
    const double m = y - 100;
    const double s1 =
        (365.2423112 - 6.4e-14 * m * m - 3.047e-8 * m) * y + 15.218427 * n + 1721050.71301;
    const double e = 0.0003 * y - 0.372781384 - 0.2617913325 * n; // radians
    const double s2 =
        (1.945 * std::sin(e) - 0.01206 * std::sin(2 * e)) * (1.048994 - 0.00002583 * y);
    const double s3 = -0.0018 * std::sin(2.313908653 * y - 0.439822951 - 3.0443 * n);
    // January 1 of the same year: for years before 1 that is the civil year itself, whose day
    // count already runs without a year 0.
    const double jan1 = DayNumber(year, 1, 1);
    return s1 + s2 + s3 - (jan1 - 1) - 1721425 + TermCorrectionOf(year, n);
}

bool SolarTermDate(int year, int index, int& month, int& day) {
    if (index < 0 || index > 23) return false;
    // Whole days of the year; a term on a month's last day stays in that month.
    int c = TermDayFloor(year, index + 1);
    if (c < 1) return false;
    for (int m = 1; m <= 12; ++m) {
        const int len = DaysInMonth(year, m);
        if (c > len) {
            c -= len;
            continue;
        }
        month = m;
        day = c;
        return true;
    }
    return false;
}

std::string_view SolarTermName(int index) {
    if (index < 0 || index >= 24) return {};
    return kTermNames[static_cast<std::size_t>(index)];
}

} // namespace kuvano::lunar
