#pragma once
// Chinese lunisolar calendar core: civil <-> lunar conversion, sexagenary
// cycles, solar terms, zodiac and constellations. Pure functions over
// compiled-in tables; plain standard C++ (no Qt).
//
// Civil dates are (year, month 1..12, day 1..31) with no year 0; dates before
// 1582-10-15 are read as Julian, 1582-10-05..14 do not exist (the gap).

#include <string_view>

namespace kuvano::lunar {

enum class CalendarKind { Julian, Gap, Gregorian };

CalendarKind GetCalendarKind(int year, int month, int day);
bool IsLeapYearCn(int year);
int DaysInMonth(int year, int month);
int DayOfYear(int year, int month, int day);

// Whole-day count, proleptic Gregorian 0001-01-01 = day 1; gap dates give 0.
int DayNumber(int year, int month, int day);
bool DayNumberToDate(int n, int& year, int& month, int& day);

int LeapMonthOf(int year);    // -1..12; 0 = no leap month
int LeapMonthCount(int year); // cumulative count from -849

int GetLunarDay(int year, int month, int day);   // 1..30, -1 when no new moon fits
int GetLunarMonth(int year, int month, int day); // 1..12, negated in a leap month

bool SolarToLunar(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth,
                  int& lunarYear);
bool SolarToLunarNoYear(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth);
bool LunarToSolar(int lunarYear, int lunarMonth, int lunarDay, bool isLeap, int& year, int& month,
                  int& day);

// The functions above read each year's whole-day new moons and lunar New Year from tables built
// once on first use. These evaluate the series on every call and give the same results; they are
// the reference for that agreement and the baseline of the benchmark.
namespace direct {
int GetLunarDay(int year, int month, int day);
int GetLunarMonth(int year, int month, int day);
bool SolarToLunar(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth,
                  int& lunarYear);
bool SolarToLunarNoYear(int year, int month, int day, bool& isLeap, int& lunarDay, int& lunarMonth);
bool LunarToSolar(int lunarYear, int lunarMonth, int lunarDay, bool isLeap, int& year, int& month,
                  int& day);
} // namespace direct

// Cycles. A cycle index 0..59 names an entry of the sexagenary table (0 = 甲子); -1 = none.
std::string_view GanZhiName(int index); // UTF-8; empty outside 0..59
int GanZhiIndex(int stem, int branch);
bool SplitGanZhi(int index, int& stem, int& branch);
int YearCycleIndex(int year);
int YearBranch(int year);
std::string_view AnimalName(int branch);
int YearGanZhiOfDate(int year, int month, int day);  // changes at 立春
int MonthGanZhiOfDate(int year, int month, int day); // solar months from the odd terms
int DayGanZhiOfDate(int year, int month, int day);

int ConstellationOf(int month, int day); // 0..11
std::string_view ConstellationName(int index);

// Solar terms. Term number n: 1 = 小寒, 2 = 大寒, 3 = 立春 ... 24 = 冬至 (civil-year order);
// name table index 0 = 立春.
double SolarTermDay(int year, int n); // day of the year (Jan 1 = 1) with time as fraction
bool SolarTermDate(int year, int index, int& month, int& day); // index 0..23 = term index + 1
std::string_view SolarTermName(int index);

} // namespace kuvano::lunar
