// Day record and date texts: lunar month and day texts, festivals, the day label, reign eras.

#include "lunar/chn_calendar_use.h"
#include "lunar/lunar_core.h"
#include "lunar/lunar_internal.h"

#include <array>
#include <cmath>
#include <vector>

namespace kuvano::lunar {

namespace {

// Day number of the date-time value's day 0, 1899-12-30.
constexpr int kDateTimeEpoch = 693594;
// About ±270,000 years: beyond this a date-time value names no date the engine could use.
constexpr double kMaxDateTimeDays = 1e8;

constexpr std::array<std::string_view, 12> kMonthNames = {"正", "二", "三", "四", "五", "六",
                                                          "七", "八", "九", "十", "冬", "腊"};
constexpr std::array<std::string_view, 11> kDigits = {"",   "一", "二", "三", "四", "五",
                                                      "六", "七", "八", "九", "十"};
constexpr std::array<std::string_view, 6> kTens = {"初", "十", "廿", "卅", "二", "三"};

// Day number of a date-time value; false for NaN, infinities and absurd magnitudes.
bool DayNumberOfValue(double value, int& n) {
    if (!(std::fabs(value) < kMaxDateTimeDays)) return false;
    // The integer part is the day; the fraction (of either sign) is the time of day.
    n = static_cast<int>(std::trunc(value)) + kDateTimeEpoch;
    return true;
}

// The engine's civil date of a date-time value: Julian before 1582-10-15, Gregorian after. The
// same day as the value's proleptic Gregorian date, so conversions before the reform describe the
// day the value names.
bool EngineDateOf(double value, int& year, int& month, int& day) {
    int n = 0;
    return DayNumberOfValue(value, n) && DayNumberToDate(n, year, month, day);
}

// 0 = Sunday; day 0 of the date-time count (1899-12-30) was a Saturday.
int WeekdayOf(double value) {
    int n = 0;
    DayNumberOfValue(value, n);
    return detail::FloorMod(n - kDateTimeEpoch + 6, 7);
}

} // namespace

void SplitDateTime(double value, int& year, int& month, int& day) {
    int n = 0;
    if (!DayNumberOfValue(value, n) || !detail::GregorianDateOf(n, year, month, day))
        year = month = day = 0;
}

double EncodeDate(int year, int month, int day) {
    // Days since 0000-03-01 of the proleptic Gregorian count (astronomical years), then shifted to
    // day 0 = 1899-12-30.
    const int y = (year < 0 ? year + 1 : year) - (month <= 2 ? 1 : 0);
    const int era = detail::FloorDiv(y, 400);
    const int yoe = y - era * 400;                                                 // [0, 399]
    const int doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1; // [0, 365]
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;                         // [0, 146096]
    const int days = era * 146097 + doe; // 0001-01-01 is day 306
    return static_cast<double>(days - 306 + 1 - kDateTimeEpoch);
}

bool DateToLunar(double value, bool& isLeap, int& lunarDay, int& lunarMonth, int& lunarYear) {
    int y = 0, m = 0, d = 0;
    return EngineDateOf(value, y, m, d) &&
           SolarToLunar(y, m, d, isLeap, lunarDay, lunarMonth, lunarYear);
}

std::string LunarDayText(int day) {
    if (day < 1 || day > 30) return {};
    std::size_t tens = static_cast<std::size_t>(day / 10);
    std::size_t unit = static_cast<std::size_t>(day % 10);
    if (unit == 0) {
        static constexpr std::size_t kTensOfRound[4] = {0, 0, 4, 5}; // 初十, 二十, 三十
        tens = kTensOfRound[tens];
        unit = 10;
    }
    return std::string(kTens[tens]) + std::string(kDigits[unit]);
}

std::string SolarFestivalOf(int day, double value) {
    // Civil festivals follow the proleptic Gregorian date the value names, as shown in the grid.
    int y = 0, m = 0, d = 0;
    SplitDateTime(value, y, m, d);
    const double dayValue = value - d + day;
    // Nth weekday of the month: weekday w with (day - 1) div 7 = nth - 1.
    const auto nth = [&](int w, int n) {
        return (day - 1) / 7 == n - 1 && WeekdayOf(dayValue) == w;
    };
    switch (m) {
    case 1:
        if (day == 1) return "元旦节";
        break;
    case 2:
        if (day == 14) return "情人节";
        break;
    case 3:
        if (day == 8) return "妇女节";
        break;
    case 4:
        if (day == 1) return "愚人节";
        break;
    case 5:
        if (day == 1) return "劳动节";
        if (day == 4) return "青年节";
        if (nth(0, 2)) return "母亲节";
        break;
    case 6:
        if (day == 1) return "儿童节";
        if (nth(0, 3)) return "父亲节";
        break;
    case 7:
        if (day == 1) return "建党节";
        break;
    case 8:
        if (day == 1) return "建军节";
        break;
    case 9:
        if (day == 10) return "教师节";
        break;
    case 10:
        if (day == 1) return "国庆节";
        if (day == 6) return "老人节";
        if (day == 31) return "万圣节";
        break;
    case 11:
        if (day == 8) return "记者日";
        if (nth(4, 4)) return "感恩节";
        break;
    case 12:
        if (day == 25) return "圣诞节";
        break;
    default:
        break;
    }
    return {};
}

std::string LunarFestivalOf(int lunarMonth, int lunarDay, double value) {
    switch (lunarMonth * 100 + lunarDay) {
    case 101:
        return "春节";
    case 115:
        return "元宵节";
    case 505:
        return "端午节";
    case 707:
        return "七夕节";
    case 815:
        return "中秋节";
    case 909:
        return "重阳节";
    case 1208:
        return "腊八节";
    default:
        break;
    }
    if (lunarMonth != 12) return {};
    switch (lunarDay) {
    case 1:
    case 5:
    case 7:
    case 8:
    case 9:
    case 15:
        return {};
    default:
        break;
    }
    // New Year's Eve: the last day of month 12, whatever its length.
    bool leap = false;
    int d = 0, m = 0, y = 0;
    if (DateToLunar(value + 1, leap, d, m, y) && m == 1 && d == 1) return "除夕";
    return {};
}

std::string SolarTermOfDate(double value) {
    int y = 0, m = 0, d = 0;
    if (!EngineDateOf(value, y, m, d)) return {};
    int tm = 0, td = 0;
    // A civil month holds terms 2M - 2 and 2M - 1 of the civil-year order (index + 1 = term
    // number).
    if (SolarTermDate(y, 2 * m - 2, tm, td) && tm == m && td == d)
        return std::string(SolarTermName((2 * m + 20) % 24));
    if (SolarTermDate(y, 2 * m - 1, tm, td) && tm == m && td == d)
        return std::string(SolarTermName((2 * m + 21) % 24));
    return {};
}

void TChnCal::SetDate(double value) {
    Date = value;
    int y = 0, m = 0, d = 0;
    bool leap = false;
    int lunarDay = 0, lunarMonth = 0, lunarYear = 0;
    if (!EngineDateOf(value, y, m, d) ||
        !SolarToLunar(y, m, d, leap, lunarDay, lunarMonth, lunarYear))
        return;
    // The texts that follow the civil calendar (era year, constellation,
    // festivals) take the date shown, which differs from the engine's date
    // before 1582-10-15; the cycles and terms follow the day itself.
    int gy = 0, gm = 0, gd = 0;
    SplitDateTime(value, gy, gm, gd);

    const bool yearRefresh = !hasCache_ || lunarYear != CachedLunarYear;
    if (yearRefresh) {
        CachedLunarYear = lunarYear;
        YearText = std::to_string(lunarYear);
        YearGanZhi = GanZhiName(YearGanZhiOfDate(y, m, d));
        Animal = AnimalName(YearBranch(lunarYear));
        EraText = EraTextOf(gy);
    }
    if (yearRefresh || lunarMonth != CachedLunarMonth || leap != CachedLeap) {
        CachedLunarMonth = lunarMonth;
        CachedLeap = leap;
        const std::string_view name = kMonthNames[static_cast<std::size_t>(lunarMonth - 1)];
        MonthText = leap ? "闰" + std::string(name) : std::string(name) + "月";
        MonthGanZhi = GanZhiName(MonthGanZhiOfDate(y, m, d));
    }
    hasCache_ = true;

    DayText = LunarDayText(lunarDay);
    DayGanZhi = GanZhiName(DayGanZhiOfDate(y, m, d));
    Constellation = ConstellationName(ConstellationOf(gm, gd));
    SolarFestival = SolarFestivalOf(gd, value);
    LunarFestival = LunarFestivalOf(lunarMonth, lunarDay, value);
    SolarTerm = SolarTermOfDate(value);

    // Day label, from lowest to highest priority.
    label_ = DayText;
    labelKind_ = DayLabelKind::LunarDay;
    if (lunarDay == 1) {
        label_ = MonthText;
        labelKind_ = DayLabelKind::MonthFirst;
    }
    const auto over = [this](const std::string& text, DayLabelKind kind) {
        if (text.empty()) return;
        label_ = text;
        labelKind_ = kind;
    };
    over(SolarFestival, DayLabelKind::CivilFestival);
    over(SolarTerm, DayLabelKind::SolarTerm);
    over(LunarFestival, DayLabelKind::LunarFestival);
}

const std::string& TChnCal::DayLabel() const {
    return label_;
}
DayLabelKind TChnCal::DayLabelKindOf() const {
    return labelKind_;
}

std::string_view DayLabelKindName(DayLabelKind kind) {
    switch (kind) {
    case DayLabelKind::LunarDay:
        return "lunar-day";
    case DayLabelKind::MonthFirst:
        return "month-first";
    case DayLabelKind::CivilFestival:
        return "civil-festival";
    case DayLabelKind::SolarTerm:
        return "solar-term";
    case DayLabelKind::LunarFestival:
        return "lunar-festival";
    }
    return {};
}

std::string SplitField(std::string_view text, std::string_view separator, int n, bool skipEmpty) {
    if (n < 1) return {};
    const auto trim = [](std::string_view s) {
        // Blanks: spaces and control characters.
        while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
        while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
        return s;
    };
    int count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end =
            separator.empty() ? std::string_view::npos : text.find(separator, start);
        const std::string_view field = trim(text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!(skipEmpty && field.empty()) && ++count == n) return std::string(field);
        if (end == std::string_view::npos) return {};
        start = end + separator.size();
    }
}

namespace {

struct EraRow {
    int start;
    std::string dynasty, title, name, era;
};

const std::vector<EraRow>& EraRows() {
    static const std::vector<EraRow> rows = [] {
        std::vector<EraRow> out;
        for (std::string_view row : EraTableRows()) {
            EraRow r;
            r.start = std::stoi(SplitField(row, ",", 1, false));
            r.dynasty = SplitField(row, ",", 4, false);
            r.title = SplitField(row, ",", 5, false);
            r.name = SplitField(row, ",", 6, false);
            r.era = SplitField(row, ",", 7, false);
            out.push_back(std::move(r));
        }
        return out;
    }();
    return rows;
}

} // namespace

std::string EraTextOf(int year) {
    const std::vector<EraRow>& rows = EraRows();
    // Year 0 does not exist; from 1949 on the plain civil year is used.
    if (year == 0 || year >= rows.back().start || year < rows.front().start) return {};
    // First row in table order whose span [start, next start) holds the year; parallel dynasties
    // are listed one after the other, so the earlier listed one wins.
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const EraRow& r = rows[i];
        if (r.start > year || rows[i + 1].start <= year) continue;
        std::string text = "[" + r.dynasty + "]" + r.title + " " + r.name + " " + r.era;
        text += year == r.start ? std::string("元") : std::to_string(year - r.start + 1);
        return text + "年";
    }
    return {};
}

} // namespace kuvano::lunar
