#pragma once
// Official days off and make-up working days of mainland China: the State Council's yearly
// arrangement, published each November for the next year. A listed day is either an official
// day off (休: a statutory holiday, or a weekend day moved into one) or a make-up working day
// (班: a weekend day worked); a day not listed follows the week. Plain standard C++ (no Qt).
//
// Dates are proleptic Gregorian (year, month 1..12, day 1..31), as the calendars show them.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kuvano::lunar {

enum class DayOff : unsigned char {
    None, // not listed: follows the week
    Off,  // 休
    Work, // 班
};

struct ListedDay {
    int year = 0, month = 0, day = 0; // a real date of years 1..2100
    DayOff kind = DayOff::None;
    bool operator==(const ListedDay&) const = default;
};

// The arrangement compiled into the program (every listed day of 2007 to 2026 and the days of
// late 2006 worked for them), in date order.
std::span<const ListedDay> BuiltInListedDays();

// What a day is: the overlay's entry when it lists the date, else the built-in one. Costs an
// index computation and two array reads.
DayOff DayOffOf(int year, int month, int day) noexcept;

// Lays listed days over the built-in table: a listed date replaces the built-in entry of that
// date (a later entry of the same date wins), and an empty span restores the built-in table
// alone. Meant for start-up, before the calendars ask: not synchronised with lookups.
void SetDayOffOverlay(std::span<const ListedDay> days);

// "休", "班", or empty for None. UTF-8.
std::string_view DayOffMark(DayOff kind);

// Text of the table's file form, UTF-8: one listed day per line, "YYYY-MM-DD", "休" or "班" and
// the holiday's name, separated by tabs (runs of blanks are taken as well; the name may be
// missing). Blank lines and lines starting with '#' are skipped, so are a leading byte-order
// mark and CRs before line ends. Any other line that does not read is a bad line.
struct ListedDayLines {
    std::vector<ListedDay> days; // in file order
    int badLines = 0;
    int firstBadLine = 0;     // 1-based number of the first bad line; 0 when none
    std::string firstBadText; // that line as written (without its line end)
};
ListedDayLines ParseListedDays(std::string_view text);

} // namespace kuvano::lunar
