// Days off and make-up working days: the compiled table, the file form, the overlay.

#include "lunar/holidays.h"
#include "lunar/lunar_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace kuvano::lunar;

namespace {

// Restores the built-in table alone after each test.
class DayOffTest : public ::testing::Test {
protected:
    void SetUp() override { SetDayOffOverlay({}); }
    void TearDown() override { SetDayOffOverlay({}); }
};

// The answer by a plain search: the last overlay entry of the date, else the built-in one.
DayOff Searched(std::span<const ListedDay> overlay, int y, int m, int d) {
    const auto same = [&](const ListedDay& e) {
        return std::tie(e.year, e.month, e.day) == std::tie(y, m, d);
    };
    const auto o = std::find_if(overlay.rbegin(), overlay.rend(), same);
    if (o != overlay.rend()) return o->kind;
    const std::span<const ListedDay> builtIn = BuiltInListedDays();
    const auto b = std::find_if(builtIn.begin(), builtIn.end(), same);
    return b != builtIn.end() ? b->kind : DayOff::None;
}

} // namespace

TEST_F(DayOffTest, PublishedDays) {
    const struct {
        int y, m, d;
        DayOff kind;
    } cases[] = {
        {2026, 2, 15, DayOff::Off},  // 春节, a Sunday
        {2026, 2, 14, DayOff::Work}, // the Saturday before it, worked
        {2026, 2, 23, DayOff::Off},  // the last day of the break, a Monday
        {2026, 2, 24, DayOff::None}, // back to the week
        {2026, 2, 28, DayOff::Work},  {2026, 10, 1, DayOff::Off},
        {2026, 10, 7, DayOff::Off},   {2026, 10, 10, DayOff::Work},
        {2026, 10, 17, DayOff::None}, // an ordinary Saturday
        {2026, 3, 4, DayOff::None},   // an ordinary Wednesday
        {2006, 12, 30, DayOff::Work}, // worked for the New Year of 2007
        {2007, 1, 1, DayOff::Off},    {2020, 1, 19, DayOff::Work},
        {2006, 12, 29, DayOff::None}, // before the table
        {2027, 1, 1, DayOff::None},   // after it
        {1949, 10, 1, DayOff::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DayOffOf(c.y, c.m, c.d), c.kind) << c.y << "-" << c.m << "-" << c.d;
}

TEST_F(DayOffTest, CompiledTableIsTheWholeDataFileInDateOrder) {
    const std::span<const ListedDay> days = BuiltInListedDays();
    // The data file's 545 days off and 133 working days: the build lost no line.
    EXPECT_EQ(std::count_if(days.begin(), days.end(),
                            [](const ListedDay& d) { return d.kind == DayOff::Off; }),
              545);
    EXPECT_EQ(std::count_if(days.begin(), days.end(),
                            [](const ListedDay& d) { return d.kind == DayOff::Work; }),
              133);
    EXPECT_TRUE(std::is_sorted(days.begin(), days.end(), [](const auto& a, const auto& b) {
        return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
    }));
}

TEST_F(DayOffTest, LookupAgreesWithASearchOnEveryDay) {
    // The per-year rows against a plain search, with an overlay that replaces, adds and repeats
    // dates; every day of the years around the table, and the bounds of the range.
    const ListedDay overlay[] = {
        {2026, 10, 1, DayOff::Work}, {2027, 1, 1, DayOff::Off},   {2027, 2, 6, DayOff::Work},
        {2027, 1, 1, DayOff::Work},  {2100, 12, 31, DayOff::Off}, {1, 1, 1, DayOff::Off},
        {2026, 2, 14, DayOff::None},
    };
    for (std::span<const ListedDay> o :
         {std::span<const ListedDay>(), std::span<const ListedDay>(overlay)}) {
        SetDayOffOverlay(o);
        for (int n = DayNumber(2005, 1, 1); n <= DayNumber(2028, 12, 31); ++n) {
            int y = 0, m = 0, d = 0;
            ASSERT_TRUE(DayNumberToDate(n, y, m, d));
            ASSERT_EQ(DayOffOf(y, m, d), Searched(o, y, m, d)) << y << "-" << m << "-" << d;
        }
        for (const auto& [y, m, d] : {std::tuple(1, 1, 1), std::tuple(2100, 12, 31)})
            EXPECT_EQ(DayOffOf(y, m, d), Searched(o, y, m, d));
    }
    // Out-of-range questions are plain days, never a read outside the table.
    for (const auto& [y, m, d] :
         {std::tuple(0, 1, 1), std::tuple(-5, 1, 1), std::tuple(2101, 1, 1), std::tuple(2026, 0, 1),
          std::tuple(2026, 13, 1), std::tuple(2026, 2, 0), std::tuple(2026, 2, 32)})
        EXPECT_EQ(DayOffOf(y, m, d), DayOff::None);
}

TEST_F(DayOffTest, OverlayReplacesAndAnEmptyOneRestores) {
    const ListedDay next[] = {{2027, 1, 1, DayOff::Off}, {2026, 10, 1, DayOff::Work}};
    SetDayOffOverlay(next);
    EXPECT_EQ(DayOffOf(2027, 1, 1), DayOff::Off);
    EXPECT_EQ(DayOffOf(2026, 10, 1), DayOff::Work);
    EXPECT_EQ(DayOffOf(2026, 10, 2), DayOff::Off); // the rest of the built-in year stays
    // A second overlay replaces the first, not adds to it.
    const ListedDay other[] = {{2028, 5, 1, DayOff::Off}};
    SetDayOffOverlay(other);
    EXPECT_EQ(DayOffOf(2027, 1, 1), DayOff::None);
    EXPECT_EQ(DayOffOf(2026, 10, 1), DayOff::Off);
    SetDayOffOverlay({});
    EXPECT_EQ(DayOffOf(2028, 5, 1), DayOff::None);
}

TEST(DayOffLines, ReadsTheTableForm) {
    const ListedDayLines read = ParseListedDays("\xEF\xBB\xBF# date\tkind\tholiday\r\n"
                                                "2027-01-01\t休\t元旦\r\n"
                                                "\r\n"
                                                "   # an indented comment\n"
                                                "2027-02-06\t班\t春节\n"
                                                "2027-2-7  休   春节 假期\n" // blanks, short date
                                                "2027-10-01\t休\n"           // no name
                                                "2028-02-29\t休\t闰日");     // no line end
    EXPECT_EQ(read.badLines, 0);
    EXPECT_EQ(read.firstBadLine, 0);
    const std::vector<ListedDay> expected = {{2027, 1, 1, DayOff::Off},
                                             {2027, 2, 6, DayOff::Work},
                                             {2027, 2, 7, DayOff::Off},
                                             {2027, 10, 1, DayOff::Off},
                                             {2028, 2, 29, DayOff::Off}};
    EXPECT_EQ(read.days, expected);
    EXPECT_EQ(DayOffMark(DayOff::Off), "休");
    EXPECT_EQ(DayOffMark(DayOff::Work), "班");
    EXPECT_EQ(DayOffMark(DayOff::None), "");
}

TEST(DayOffLines, BadLinesAreCountedAndTheFirstKept) {
    const ListedDayLines read = ParseListedDays("2027-01-01\t休\t元旦\n"
                                                "2027-02-30\t休\t春节\r\n" // line 2: no such day
                                                "2027-01-02\t假\n"         // unknown kind
                                                "2027-01-03\n"             // no kind
                                                "27-01-04\t休\n"           // two-digit year
                                                "2027/01/05\t休\n"
                                                "2027-01-06休\n"   // not separated
                                                "2101-01-01\t休\n" // past the calendars
                                                "0000-01-01\t休\n"
                                                "2027-001-07\t休\n"
                                                "2027-01-08\t休息\n"
                                                "2029-02-29\t班\n" // not a leap year
                                                "2027-01-09\t班\t调休\n");
    EXPECT_EQ(read.badLines, 11);
    EXPECT_EQ(read.firstBadLine, 2);
    EXPECT_EQ(read.firstBadText, "2027-02-30\t休\t春节"); // without the CR
    const std::vector<ListedDay> expected = {{2027, 1, 1, DayOff::Off}, {2027, 1, 9, DayOff::Work}};
    EXPECT_EQ(read.days, expected);

    EXPECT_EQ(ParseListedDays("").badLines, 0);
    EXPECT_EQ(ParseListedDays("\n\n#\n").days.size(), 0u);
}
