// Whole-range sweeps: cached against direct conversion, and the calendar's invariants.

#include "lunar/chn_calendar_use.h"
#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <cmath>

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace kuvano::lunar;

TEST(LunarSweep, CachedAndDirectLunarDayAndMonthAgree) {
    // Every day of 1900..2100 and every 7th day of 1..1899 (a sanitizer build of the direct
    // series is slow).
    for (int n = DayNumber(1, 1, 1); n <= DayNumber(2100, 12, 31); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        if (y < 1900 && n % 7 != 0) continue;
        bool cl = false, dl = false;
        int cd = 0, cm = 0, dd = 0, dm = 0;
        ASSERT_TRUE(SolarToLunarNoYear(y, m, d, cl, cd, cm));
        ASSERT_TRUE(direct::SolarToLunarNoYear(y, m, d, dl, dd, dm));
        ASSERT_TRUE(cl == dl && cd == dd && cm == dm) << y << "-" << m << "-" << d;
    }
}

TEST(LunarSweep, CachedAndDirectFullConversionAgree) {
    // The direct path runs the New Year search (two dozen series evaluations) for every date, so
    // it is sampled: every 5th day of 1900..2100, every 97th before; the sweeps around it cover
    // the lunar day and month and the New Year of every year.
    for (int n = DayNumber(1, 1, 1); n <= DayNumber(2100, 12, 31); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        if (n % ((y >= 1900) ? 5 : 97) != 0) continue;
        bool cl = false, dl = false;
        int cd = 0, cm = 0, cy = 0, dd = 0, dm = 0, dy = 0;
        ASSERT_TRUE(SolarToLunar(y, m, d, cl, cd, cm, cy));
        ASSERT_TRUE(direct::SolarToLunar(y, m, d, dl, dd, dm, dy));
        ASSERT_TRUE(cl == dl && cd == dd && cm == dm && cy == dy) << y << "-" << m << "-" << d;
    }
}

TEST(LunarSweep, CachedAndDirectLunarToSolarAgreeOnNewYears) {
    for (int ly = -849; ly <= 2100; ++ly) {
        int a[3] = {}, b[3] = {};
        const bool ca = LunarToSolar(ly, 1, 1, false, a[0], a[1], a[2]);
        const bool cb = direct::LunarToSolar(ly, 1, 1, false, b[0], b[1], b[2]);
        ASSERT_EQ(ca, cb) << ly;
        if (ca) {
            ASSERT_TRUE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) << ly;
        }
    }
}

TEST(LunarSweep, InvariantsOver1900To2100) {
    int prevDay = 0, prevMonth = 0, prevYear = 0, prevCycle = -1;
    bool prevLeap = false;
    std::map<std::string, int> termsThisYear;
    for (int n = DayNumber(1900, 1, 1); n <= DayNumber(2100, 12, 31); ++n) {
        int y = 0, m = 0, d = 0;
        ASSERT_TRUE(DayNumberToDate(n, y, m, d));
        bool leap = false;
        int ld = 0, lm = 0, ly = 0;
        ASSERT_TRUE(SolarToLunar(y, m, d, leap, ld, lm, ly));
        const int cycle = DayGanZhiOfDate(y, m, d);
        if (prevCycle >= 0) {
            ASSERT_EQ(cycle, (prevCycle + 1) % 60);
            if (ld == 1) {
                // A month ends after 29 or 30 days; the next is the leap month of the same
                // number or the following number, and month 1 starts a new lunar year.
                ASSERT_TRUE(prevDay == 29 || prevDay == 30) << y << "-" << m << "-" << d;
                if (leap) {
                    ASSERT_EQ(lm, prevMonth);
                    ASSERT_EQ(LeapMonthOf(ly), lm);
                } else {
                    ASSERT_EQ(lm, prevMonth % 12 + 1) << y << "-" << m << "-" << d;
                }
                ASSERT_EQ(ly, lm == 1 && !leap ? prevYear + 1 : prevYear);
            } else {
                ASSERT_EQ(ld, prevDay + 1) << y << "-" << m << "-" << d;
                ASSERT_TRUE(lm == prevMonth && leap == prevLeap && ly == prevYear);
            }
        }
        prevDay = ld;
        prevMonth = lm;
        prevYear = ly;
        prevLeap = leap;
        prevCycle = cycle;

        const std::string term = SolarTermOfDate(EncodeDate(y, m, d));
        if (!term.empty()) ++termsThisYear[term];
        if (m == 12 && d == 31) {
            ASSERT_EQ(termsThisYear.size(), 24u) << y;
            for (const auto& [name, count] : termsThisYear) ASSERT_EQ(count, 1) << y << name;
            termsThisYear.clear();
        }
    }
}

TEST(LunarSweep, CachedTermDaysAgreeWithTheFormula) {
    for (int y = -849; y <= 2100; ++y)
        for (int n = 1; n <= 25; ++n)
            ASSERT_EQ(kuvano::lunar::detail::TermDayFloor(y, n),
                      static_cast<int>(std::floor(SolarTermDay(y, n))))
                << y << " " << n;
}
