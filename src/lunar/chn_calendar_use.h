#pragma once
// Day record and date texts of the lunar calendar: lunar month and day texts,
// cycle names, festivals, solar terms, reign eras. UTF-8 strings.

#include <span>
#include <string>
#include <string_view>

namespace kuvano::lunar {

// Date-time value: days since 1899-12-30 (day 0), the fraction being the time of day.
void SplitDateTime(double value, int& year, int& month, int& day); // proleptic Gregorian
double EncodeDate(int year, int month, int day);                   // proleptic Gregorian

enum class DayLabelKind { LunarDay, MonthFirst, CivilFestival, SolarTerm, LunarFestival };

class TChnCal {
public:
    void SetDate(double value);

    // The one text a day cell shows under its day number, and its kind.
    const std::string& DayLabel() const;
    DayLabelKind DayLabelKindOf() const;

    // Date texts of the date last given.
    const std::string& CnMonth() const { return MonthText; }
    const std::string& CnDay() const { return DayText; }
    std::string CnDate() const { return MonthText + DayText; }

    int CachedLunarYear = 0;
    int CachedLunarMonth = 0;
    double Date = 0;
    std::string SolarTerm;
    std::string SolarFestival;
    std::string MonthText;
    std::string DayGanZhi;
    std::string YearGanZhi;
    std::string MonthGanZhi;
    std::string LunarFestival;
    std::string YearText;
    std::string DayText;
    std::string Animal;
    std::string Constellation;
    std::string EraText;
    bool CachedLeap = false;

private:
    bool hasCache_ = false;
    std::string label_;
    DayLabelKind labelKind_ = DayLabelKind::LunarDay;
};

// Stable English name of a label kind: lunar-day, month-first, civil-festival, solar-term,
// lunar-festival.
std::string_view DayLabelKindName(DayLabelKind kind);

bool DateToLunar(double value, bool& isLeap, int& lunarDay, int& lunarMonth, int& lunarYear);
std::string LunarDayText(int day);
std::string SolarFestivalOf(int day, double value);
std::string LunarFestivalOf(int lunarMonth, int lunarDay, double value);
std::string SolarTermOfDate(double value);
std::string EraTextOf(int year);
// The reign-era table: one "start,length,offset,dynasty,title,name,era" row per era, in table
// order (parallel dynasties one after the other), closed by the row of 1949.
std::span<const std::string_view> EraTableRows();
std::string SplitField(std::string_view text, std::string_view separator, int n, bool skipEmpty);

} // namespace kuvano::lunar
