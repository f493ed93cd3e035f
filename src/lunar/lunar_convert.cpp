// Civil <-> lunar conversion: the new-moon series, the lunation count with its leap-month
// tables, and the binary search for the civil date of a lunar date.
//
// Two paths share one template: Direct evaluates the series on every call; Cached reads each
// civil year's whole-day new moons and lunar New Year from tables built once from the direct
// path, so both give identical results (a test sweeps years 1..2100).

#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <cmath>
#include <numbers>

namespace kuvano::lunar {

using detail::DateKey;
using detail::FloorMod;
using detail::kFirstYear;
using detail::kLastYear;
using detail::NewMoonDays;

namespace {

// Lunar-day corrections: the series puts one new moon a day off in these civil date ranges, so
// every lunar day of the month that follows moves by `delta` (wrapping within 1..30).
struct DayCorrection {
    int firstKey;
    int lastKey;
    int delta;
};
constexpr DayCorrection kDayCorrections[] = {
    {DateKey(1914, 11, 17), DateKey(1914, 12, 16), +1}, // month 10 begins 1914-11-17
    {DateKey(1916, 2, 3), DateKey(1916, 3, 3), +1},     // New Year 1916 is 1916-02-03
    {DateKey(1920, 11, 10), DateKey(1920, 12, 9), +1},  // month 10 begins 1920-11-10
    {DateKey(1924, 3, 5), DateKey(1924, 4, 3), +1},     // month 2 begins 1924-03-05
    {DateKey(2018, 11, 7), DateKey(2018, 12, 6), -1},   // 2018-11-07 is month 9 day 30
    {DateKey(2057, 9, 28), DateKey(2057, 10, 27), -1},  // 2057-09-28 is month 8 day 30
};

int CorrectLunarDay(int r, int year, int month, int day) {
    if (r < 1 || year < 1914 || year > 2057) return r;
    const int key = DateKey(year, month, day);
    for (const DayCorrection& c : kDayCorrections) {
        if (key < c.firstKey || key > c.lastKey) continue;
        r += c.delta;
        if (r > 30) r -= 30;
        if (r < 1) r += 30;
        break;
    }
    return r;
}

// Lunar day of day number n from a year's whole-day new moons: the last new moon 0..29 days
// before n gives day L + 1; -1 when none fits.
int LunarDayFromMoons(const NewMoonDays& moons, int n) {
    int r = -1;
    for (int moon : moons.day) {
        const int l = n - moon;
        if (l >= 0 && l <= 29) r = l + 1;
    }
    return r;
}

// Round half to even, independent of the floating-point rounding mode.
double RoundHalfEven(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// Offset between the lunation count and the month number, by civil year: the month numbering of
// the ruling calendar shifted in these years.
int MonthOffset(int year) {
    if (year >= 241) return -3;
    if (year >= 238) return -2;
    if (year >= 24) return -3;
    if (year >= 9) return -2;
    if (year >= -254) return -3;
    if (year == -255) return -2;
    if (year >= -721) return 0;
    return +1;
}

// Lunar month of a date (negated in a leap month) from its day number n and lunar day l.
int LunarMonthFrom(int year, int month, int day, int n, int l) {
    // Lunations since day -310443, the base of the lunation count; 29.530588 days per lunation.
    const int lunations = static_cast<int>(RoundHalfEven((n - l + 310443) / 29.530588));
    const int g = lunations - LeapMonthCount(year) + MonthOffset(year);
    int v = FloorMod(g, 12) + 1; // 1..12; g is never negative from year 1 on
    const int leap = LeapMonthOf(year);
    const int prevYear = year == 1 ? -1 : year - 1;
    if (LeapMonthOf(prevYear) == v && month == 1 && day < l) return -v;
    if (leap == v) {
        if (month >= 3) return -v;
        return leap == 12 ? -v : v + 1;
    }
    if (leap > v || (month < v && leap > 0)) ++v;
    return (v - 1) % 12 + 1;
}

struct Direct {
    static NewMoonDays Moons(int year) { return detail::ComputeNewMoonDays(year); }
    static bool NewYear(int year, int& y, int& m, int& d);
};

struct Cached {
    static const NewMoonDays& Moons(int year);
    static bool NewYear(int year, int& y, int& m, int& d);
};

template <class Src> int LunarDayOf(int year, int month, int day, int n) {
    return CorrectLunarDay(LunarDayFromMoons(Src::Moons(year), n), year, month, day);
}

template <class Src>
bool NoYearT(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth) {
    if (!detail::IsConvertible(year, month, day)) return false;
    const int n = DayNumber(year, month, day);
    const int l = LunarDayOf<Src>(year, month, day, n);
    const int m = LunarMonthFrom(year, month, day, n, l);
    isLeap = m < 0;
    lunarDay = l;
    lunarMonth = m < 0 ? -m : m;
    return true;
}

template <class Src>
bool LunarToSolarT(int lunarYear, int lunarMonth, int lunarDay, bool isLeap, int& year, int& month,
                   int& day) {
    if (lunarYear < kFirstYear || lunarYear > kLastYear || lunarMonth < 1 || lunarMonth > 12 ||
        lunarDay < 1 || lunarDay > 30)
        return false;
    if (isLeap) {
        const int leap = LeapMonthOf(lunarYear);
        if ((leap < 0 ? 0 : leap) != lunarMonth) return false;
    }
    int lo = DayNumber(lunarYear, 1, 1);
    int hi = DayNumber(lunarYear + 1, 12, 31);
    int estimate = lunarYear; // lunar year of the probe, tracked from the order of month numbers
    int previousMonth = 0;
    enum class Move { None, Up, Down } move = Move::None;
    bool roundUp = false;
    for (int probe = 0; hi > lo && probe < 100; ++probe) {
        const int mid = (lo + hi) / 2 + (roundUp ? 1 : 0);
        if (hi - lo == 1) roundUp = true; // from the next probe on
        int y = 0, m = 0, d = 0;
        bool pLeap = false;
        int pDay = 0, pMonth = 0;
        // A probe the engine cannot convert lies past 2100: it counts as later than the target.
        const bool ok = DayNumberToDate(mid, y, m, d) && NoYearT<Src>(y, m, d, pLeap, pDay, pMonth);
        int order = 1; // probe versus target: -1 earlier, 0 equal, 1 later
        if (ok) {
            if (move == Move::Up && pMonth < previousMonth) ++estimate;
            if (move == Move::Down && pMonth > previousMonth) --estimate;
            const auto cmp = [](int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); };
            order = cmp(estimate, lunarYear);
            if (order == 0) order = cmp(pMonth, lunarMonth);
            if (order == 0) order = cmp(pLeap ? 1 : 0, isLeap ? 1 : 0);
            if (order == 0) order = cmp(pDay, lunarDay);
        }
        if (order == 0) {
            year = y;
            month = m;
            day = d;
            return true;
        }
        if (order < 0) {
            lo = mid;
            move = Move::Up;
        } else {
            hi = mid;
            move = Move::Down;
        }
        if (ok) previousMonth = pMonth;
    }
    return false;
}

template <class Src>
bool SolarToLunarT(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth,
                   int& lunarYear) {
    if (!NoYearT<Src>(year, month, day, isLeap, lunarDay, lunarMonth)) return false;
    lunarYear = year;
    int ny = 0, nm = 0, nd = 0;
    if (Src::NewYear(year, ny, nm, nd) && DateKey(year, month, day) < DateKey(ny, nm, nd))
        lunarYear = year == 1 ? -1 : year - 1;
    return true;
}

bool Direct::NewYear(int year, int& y, int& m, int& d) {
    return LunarToSolarT<Direct>(year, 1, 1, false, y, m, d);
}

const NewMoonDays& Cached::Moons(int year) {
    static detail::PerYear<NewMoonDays> table;
    return table.get(year, &Direct::Moons);
}

// DateKey of a civil year's lunar New Year, 0 when the search finds none.
int NewYearKey(int year) {
    static detail::PerYear<int> table;
    return table.get(year, [](int civil) {
        int y = 0, m = 0, d = 0;
        return LunarToSolarT<Cached>(civil, 1, 1, false, y, m, d) ? DateKey(y, m, d) : 0;
    });
}

bool Cached::NewYear(int year, int& y, int& m, int& d) {
    if (year < kFirstYear || year > kLastYear) return false;
    const int key = NewYearKey(year);
    if (key == 0) return false;
    // Keys of years before 1 are negative; split with floor arithmetic.
    y = detail::FloorDiv(key, 10000);
    const int rest = key - y * 10000;
    m = rest / 100;
    d = rest % 100;
    return true;
}

} // namespace

namespace detail {

NewMoonDays ComputeNewMoonDays(int year) {
    // Truncated lunar series in centuries T from 1899.5 and lunations k from 1900; J is a day
    // number with fraction, whole at the new moon of step v. 8/24 moves the instant to UTC+8.
    constexpr double kRadian = 57.29577951308232; // degrees per radian
    constexpr double kTwoPi = 2 * std::numbers::pi;
    const auto frac = [](double x) { return x - std::trunc(x); };
    const double t = (year - 1899.5) / 100;
    const double k = std::floor(12.3685 * (year - 1900));
    const double s0 = 0.75933 - 0.0002172 * t * t - 0.000000155 * t * t * t + 0.53058868 * k -
                      0.000837 * t + 8.0 / 24.0 + 0.5;
    const double mq = 0.1734 - 0.000393 * t;
    const double a0 = kTwoPi * frac(0.08084821133 * k) +
                      (359.2242 - 0.0000333 * t * t - 0.00000347 * t * t * t) / kRadian;
    const double c0 = kTwoPi * frac(0.07171366128 * k) +
                      (306.0253 + 0.0107306 * t * t + 0.00001236 * t * t * t) / kRadian;
    const double g0 = kTwoPi * frac(0.08519585128 * k) +
                      (21.2964 - 0.0016528 * t * t - 0.00000239 * t * t * t) / kRadian;
    const double base = 29 * k + 693595;
    NewMoonDays out;
    // The half steps of the series never decide a lunar day, so only whole v are evaluated.
    for (int i = 0; i < 15; ++i) {
        const double v = i - 1;
        const double a = a0 + 0.507984293 * v;
        const double c = c0 + 6.73377553 * v;
        const double g = g0 + 6.818486628 * v;
        const double j = base + 28 * v + s0 + 1.53058868 * v + mq * std::sin(a) -
                         0.4068 * std::sin(c) + 0.0021 * std::sin(2 * a) +
                         0.0161 * std::sin(2 * c) + 0.0104 * std::sin(2 * g) -
                         0.0074 * std::sin(a - c) - 0.0051 * std::sin(a + c);
        out.day[static_cast<std::size_t>(i)] = static_cast<int>(std::floor(j));
    }
    return out;
}

} // namespace detail

int GetLunarDay(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear) return direct::GetLunarDay(year, month, day);
    return LunarDayOf<Cached>(year, month, day, DayNumber(year, month, day));
}

int GetLunarMonth(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear) return direct::GetLunarMonth(year, month, day);
    const int n = DayNumber(year, month, day);
    return LunarMonthFrom(year, month, day, n, LunarDayOf<Cached>(year, month, day, n));
}

bool SolarToLunar(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth,
                  int& lunarYear) {
    return SolarToLunarT<Cached>(year, month, day, isLeap, lunarDay, lunarMonth, lunarYear);
}

bool SolarToLunarNoYear(int year, int month, int day, bool& isLeap, int& lunarDay,
                        int& lunarMonth) {
    return NoYearT<Cached>(year, month, day, isLeap, lunarDay, lunarMonth);
}

bool LunarToSolar(int lunarYear, int lunarMonth, int lunarDay, bool isLeap, int& year, int& month,
                  int& day) {
    return LunarToSolarT<Cached>(lunarYear, lunarMonth, lunarDay, isLeap, year, month, day);
}

namespace direct {

int GetLunarDay(int year, int month, int day) {
    return LunarDayOf<Direct>(year, month, day, DayNumber(year, month, day));
}

int GetLunarMonth(int year, int month, int day) {
    const int n = DayNumber(year, month, day);
    return LunarMonthFrom(year, month, day, n, LunarDayOf<Direct>(year, month, day, n));
}

bool SolarToLunar(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth,
                  int& lunarYear) {
    return SolarToLunarT<Direct>(year, month, day, isLeap, lunarDay, lunarMonth, lunarYear);
}

bool SolarToLunarNoYear(int year, int month, int day, bool& isLeap, int& lunarDay,
                        int& lunarMonth) {
    return NoYearT<Direct>(year, month, day, isLeap, lunarDay, lunarMonth);
}

bool LunarToSolar(int lunarYear, int lunarMonth, int lunarDay, bool isLeap, int& year, int& month,
                  int& day) {
    return LunarToSolarT<Direct>(lunarYear, lunarMonth, lunarDay, isLeap, year, month, day);
}

} // namespace direct

} // namespace kuvano::lunar
