// Civil calendar arithmetic of the engine (Julian before the 1582 reform, Gregorian after) and
// the compiled-in leap-month tables.

#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <array>
#include <string_view>

namespace kuvano::lunar {

using detail::FloorDiv;
using detail::kFirstYear;
using detail::kLastYear;

namespace {

// Day numbers of the reform: Julian 1582-10-04 is the last Julian day, Gregorian 1582-10-15 the
// next.
constexpr int kLastJulianDay = 577735;
constexpr int kFirstGregorianDay = 577736;

// Years beyond this magnitude would overflow the day count; the engine never needs them.
constexpr int kMaxAbsYear = 1000000;

// One character per civil year -849..2100 (index = year + 849; index 849 is a placeholder for the
// missing year 0). '0' = no leap month, '1'..'9', 'a'..'c' = number of the month followed by the
// leap month. Years -849..-1 follow a regular 19-year intercalation rhythm (mean excess of the
// solar over the lunar year 10.84 days) chosen so that 311 of them carry a leap month, which puts
// the running count at 311 for year 1.
constexpr std::string_view kLeapMonths =
    // -849..-1
    "0c0080050020b007004001090060030b0080050010a0070040c0090060020b0080040010a0060030c0090050020b00"
    "7004001090060030b0080050020a0070040c0090060020b0080040010a0060030c0090050020b00700400109006003"
    "0b0080050020a0070040c0090060020b0080040010a0070030c0090050020b007004001090060030b0080050020a00"
    "70040c0090060020b0080040010a0070030c0090050020b007004001090060030c0080050020a0070040c009006002"
    "0b0080040010a0070030c0090050020b007004001090060030c0080050020a0070040c0090060020b0080050010a00"
    "70030c0090050020b0070040010a0060030c0080050020a0070040c0090060020b0080050010a0070030c009005002"
    "0b0070040010a0060030c0080050020a0070040c0090060030b0080050010a0070030c0090050020b0070040010a00"
    "60030c0080050020a0070040c0090060030b0080050010a0070030c0090050020b0080040010a0060030c008005002"
    "0a007004001090060030b0080050010a0070030c0090050020b0080040010a0060030c0080050020a0070040010900"
    "600"
    // 0 (no such year)
    "0"
    // 1..1899, 100 years a line
    "080050010a008005001090050020a0060030c0080040010a0060030c0090050010a0070030b0080050010a0070030b"
    "008005"
    "001090070040c0080050020a0060030c0080040010a0060030c0090050010a0070030b008005001090070040c00800"
    "50020a"
    "0060030c0080040010a0060030c0090050010a0060030c0090050010a0070030b008005001090070040c0080050020"
    "a00600"
    "30c0080040010a0070030b0080050010a0070040c0080050020a0060030c0080040010a0070030c0090050010a0070"
    "030b00"
    "80050020a0060030c0080040010a0060030c0090050050020a0060030c0090050010b0070030c0090050010a007004"
    "0c0080"
    "040020a0060030c0080050020a0060030c0090050010a0070030b0080040020a0060040c0090050020b0070030c00a"
    "005001"
    "0a0070030b0090050020a0070030c0080040020a0060030c0090050010a0070030c0090050030b0070050010900500"
    "20a007"
    "004001090060020c0070050c0090060030b0080040020a0060030b0080040010a0060030b0080050010a0050040c00"
    "800500"
    "10a0060030c0080050010b0070030c007005001090070030b0070040020a0060030c0080040020a0070030b0090050"
    "010a00"
    "60040c0080050020a0060040c0080050010b0070030c007005001090070030c0080050020a0070030c0090050020a0"
    "070030"
    "c0090050020a0060040c0090050020a0060040c0090050010b0070030c0080050030b007004001090060020c008004"
    "002090"
    "060020a008004001090050030b0080040020a0060040b0080040c00a0060020b007005001090060030b0070050020a"
    "006002"
    "0c008004002090070030c008005002090070040c0080040020a0060040b0090050010a0060030b0080050020a00600"
    "40c008"
    "0050010b00700300108005001090070030c0080050020a007003001090050030a0070030b0090050020a0060040c00"
    "900500"
    "30b0070040c0090050010c0070040c0080060020b00700400a090060020b007003002090060020a005004001090050"
    "030b00"
    "7004001090050040c0080040c00a0060020c007005001090060030b0070050020a0060020c008004002090060030b0"
    "080040"
    "02090060030b0080040020a0060040b0080040010b0060030b0070050010a006004002070050030800600400307005"
    "003070"
    "06004003070050030800600400307005004090060040030700500409006005002070050030a0060050030700500400"
    "206004"
    "002060050030020600400307005004090060040030700500408007005003080050040a006005003070050040020600"
    "50030"
    // 1900..2100, 50 years a line
    "80050040020600500207005004002060050030700600400207"
    "0050030800600400307005004080060040a006005003080050"
    "040020700500409006004002060050030b0060050020700500"
    "308006004003070050040800600400307005004080060040020";
static_assert(kLeapMonths.size() == 2950);
static_assert(kLeapMonths.substr(0, 10) == "0c00800500");

constexpr int LeapDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'c') return c - 'a' + 10;
    return -1;
}

// Running count of leap years from -849, one entry per real year (-849..-1, then 1..2100), plus 1
// for 1200..1499 (a single extra lunation that the month formula needs in those centuries).
constexpr std::array<int, 2949> BuildLeapCounts() {
    std::array<int, 2949> counts{};
    int running = 0;
    int out = 0;
    for (int year = kFirstYear; year <= kLastYear; ++year) {
        if (kLeapMonths[static_cast<std::size_t>(year - kFirstYear)] != '0') ++running;
        if (year == 0) continue;
        counts[static_cast<std::size_t>(out++)] =
            running + ((year >= 1200 && year <= 1499) ? 1 : 0);
    }
    return counts;
}
constexpr std::array<int, 2949> kLeapCounts = BuildLeapCounts();

constexpr int LeapCountIndex(int year) {
    return year < 0 ? year + 849 : year + 848;
}
static_assert(kLeapCounts[LeapCountIndex(1)] == 311);
static_assert(kLeapCounts[LeapCountIndex(1582)] == 893);
static_assert(kLeapCounts[LeapCountIndex(1899)] == 1010);
static_assert(kLeapCounts[LeapCountIndex(1900)] == 1011);
static_assert(kLeapCounts[LeapCountIndex(2000)] == 1047);
static_assert(kLeapCounts[LeapCountIndex(2100)] == 1084);

// Julian-calendar date of day number n (Julian 0001-01-01 is day -1), years without a year 0.
bool JulianDateOf(int n, int& year, int& month, int& day) {
    // Days since Julian 0000-03-01 of the astronomical count (year 0 = civil -1): 0001-01-01 is
    // 306 days after it. Four-year cycles of 1461 days, each starting on March 1.
    const int z = n + 1 + 306;
    const int cycle = FloorDiv(z, 1461);
    const int doc = z - cycle * 1461;           // [0, 1460]
    const int yoc = (doc - doc / 1460) / 365;   // [0, 3]
    const int doy = doc - 365 * yoc;            // [0, 365], from March 1
    const int mp = (5 * doy + 2) / 153;         // [0, 11], March = 0
    const int d = doy - (153 * mp + 2) / 5 + 1; // [1, 31]
    const int m = mp < 10 ? mp + 3 : mp - 9;    // [1, 12]
    const int astro = yoc + cycle * 4 + (m <= 2 ? 1 : 0);
    year = astro <= 0 ? astro - 1 : astro;
    month = m;
    day = d;
    return true;
}

} // namespace

namespace detail {

bool GregorianDateOf(int n, int& year, int& month, int& day) {
    // Days since 0000-03-01 of the proleptic Gregorian count: 0001-01-01 is 306 days after it.
    // 400-year eras of 146097 days.
    const int z = n - 1 + 306;
    const int era = FloorDiv(z, 146097);
    const int doe = z - era * 146097;                                      // [0, 146096]
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // [0, 399]
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);               // [0, 365]
    const int mp = (5 * doy + 2) / 153;                                    // [0, 11]
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    const int astro = yoe + era * 400 + (month <= 2 ? 1 : 0);
    year = astro <= 0 ? astro - 1 : astro;
    return true;
}

} // namespace detail

CalendarKind GetCalendarKind(int year, int month, int day) {
    if (year < 1582) return CalendarKind::Julian;
    if (year > 1582) return CalendarKind::Gregorian;
    if (month < 10 || (month == 10 && day < 5)) return CalendarKind::Julian;
    if (month == 10 && day <= 14) return CalendarKind::Gap;
    return CalendarKind::Gregorian;
}

bool IsLeapYearCn(int year) {
    if (year >= 1583) return year % 4 == 0 && !(year % 100 == 0 && year % 400 != 0);
    if (year >= 0) return year % 4 == 0;
    return (year - 3) % 4 == 0; // -1, -5, -9 ... (astronomical 0, -4, -8 ...)
}

int DaysInMonth(int year, int month) {
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYearCn(year) ? 29 : 28;
    default:
        return 0;
    }
}

int DayOfYear(int year, int month, int day) {
    int total = day;
    for (int m = 1; m < month && m <= 12; ++m) total += DaysInMonth(year, m);
    return total;
}

int DayNumber(int year, int month, int day) {
    // Outside the calendar (no year 0, no month 13, absurd magnitudes) there is no day: 0, as for
    // the gap.
    if (year == 0 || year > kMaxAbsYear || year < -kMaxAbsYear || month < 1 || month > 12 ||
        day < 1 || day > 31)
        return 0;
    const int doy = DayOfYear(year, month, day);
    if (year < 0) {
        // Years before 1: the Julian count continued backwards without a year 0, so civil -1 is
        // astronomical year 0 and its December 31 is day -2, the day before Julian 0001-01-01.
        const int y = year; // astronomical year - 1
        return 365 * y + FloorDiv(y, 4) + doy - 2;
    }
    const int y = year - 1;
    switch (GetCalendarKind(year, month, day)) {
    case CalendarKind::Julian:
        return 365 * y + y / 4 + doy - 2;
    case CalendarKind::Gregorian:
        return 365 * y + y / 4 - y / 100 + y / 400 + doy;
    case CalendarKind::Gap:
        break;
    }
    return 0;
}

bool DayNumberToDate(int n, int& year, int& month, int& day) {
    static const int firstDay = DayNumber(kFirstYear, 1, 1);
    if (n < firstDay) return false;
    if (n <= kLastJulianDay) return JulianDateOf(n, year, month, day);
    static_assert(kFirstGregorianDay == kLastJulianDay + 1);
    return detail::GregorianDateOf(n, year, month, day);
}

int LeapMonthOf(int year) {
    if (year < kFirstYear || year > kLastYear) return 0;
    return LeapDigit(kLeapMonths[static_cast<std::size_t>(year - kFirstYear)]);
}

int LeapMonthCount(int year) {
    if (year < kFirstYear || year > kLastYear) return 0;
    if (year == 0) year = -1; // year 0 has no leap month: the count through year -1
    return kLeapCounts[static_cast<std::size_t>(LeapCountIndex(year))];
}

namespace detail {

bool IsConvertible(int year, int month, int day) noexcept {
    return year >= kFirstYear && year <= kLastYear && year != 0 && month >= 1 && month <= 12 &&
           day >= 1 && day <= DaysInMonth(year, month);
}

} // namespace detail

} // namespace kuvano::lunar
