// Developer tool: prints the lunar calendar engine's view of every civil date in a range, one
// tab-separated UTF-8 line per date, fed to a day record month by month as the calendar control
// does. The 13th column is the day's mark of the built-in arrangement of days off: 休 (day off),
// 班 (make-up working day) or - (follows the week).
//
//   lunar_dump FROM TO     dates YYYY-MM-DD, proleptic Gregorian, years 0001..2100

#include "lunar/chn_calendar_use.h"
#include "lunar/holidays.h"
#include "lunar/lunar_core.h"

#include <cstdio>
#include <string>

using namespace kuvano::lunar;

namespace {

// Parses YYYY-MM-DD with a four-digit year 0001..2100 and a real proleptic Gregorian date.
bool ParseDate(const char* text, double& value) {
    const std::string s(text);
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (s[i] < '0' || s[i] > '9') return false;
    const int y = std::stoi(s.substr(0, 4));
    const int m = std::stoi(s.substr(5, 2));
    const int d = std::stoi(s.substr(8, 2));
    if (y < 1 || y > 2100 || m < 1 || m > 12 || d < 1) return false;
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > kLengths[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    value = EncodeDate(y, m, d);
    return true;
}

std::string OrDash(const std::string& s) {
    return s.empty() ? "-" : s;
}

void PrintDay(const TChnCal& record, double value) {
    int y = 0, m = 0, d = 0;
    SplitDateTime(value, y, m, d);
    bool leap = false;
    int ld = 0, lm = 0, ly = 0;
    DateToLunar(value, leap, ld, lm, ly);
    // The cycle names of the date itself (the record's year and month names are refreshed only
    // when the lunar year or month changes). Dates before the reform are converted as the day
    // they name, i.e. in the Julian calendar.
    const int n = static_cast<int>(value) + DayNumber(1899, 12, 30);
    int ey = 0, em = 0, ed = 0;
    DayNumberToDate(n, ey, em, ed);
    const std::string_view mark = DayOffMark(DayOffOf(y, m, d));
    std::printf("%04d-%02d-%02d\t%d\t%d\t%d\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", y, m, d, ly, lm,
                leap ? 1 : 0, ld, std::string(GanZhiName(YearGanZhiOfDate(ey, em, ed))).c_str(),
                std::string(GanZhiName(MonthGanZhiOfDate(ey, em, ed))).c_str(),
                record.DayGanZhi.c_str(), OrDash(record.SolarTerm).c_str(),
                OrDash(record.DayLabel()).c_str(),
                std::string(DayLabelKindName(record.DayLabelKindOf())).c_str(),
                OrDash(EraTextOf(y)).c_str(), OrDash(std::string(mark)).c_str());
}

} // namespace

int main(int argc, char** argv) {
    double from = 0, to = 0;
    if (argc != 3 || !ParseDate(argv[1], from) || !ParseDate(argv[2], to) || from > to) {
        std::fprintf(stderr, "usage: lunar_dump FROM TO   (dates YYYY-MM-DD, years 0001..2100)\n");
        return 2;
    }
    double value = from;
    while (value <= to) {
        // One fresh record per civil month, given the month's days in order.
        TChnCal record;
        int y = 0, m = 0, d = 0;
        SplitDateTime(value, y, m, d);
        int month = m;
        while (value <= to && month == m) {
            record.SetDate(value);
            PrintDay(record, value);
            value += 1;
            SplitDateTime(value, y, m, d);
        }
    }
    return 0;
}
