#pragma once
// The month a lunar calendar control shows: one civil month laid out in a
// Sunday-first grid of six rows and seven columns, with the lunar texts of
// every day and the title cells. No widgets here; painting and input both
// read this table and its one date <-> cell mapping.

#include "lunar/chn_calendar_use.h"
#include "lunar/holidays.h"

#include <QColor>
#include <QDateTime>
#include <QString>

#include <array>

namespace kuvano::calendarctl {

// Colours are 32-bit values laid out 0x00BBGGRR (255 red, 16711680 blue).
using ColorRef = int;
QColor toQColor(ColorRef c);
constexpr ColorRef kRed = 255;

// Date-time value (days since 1899-12-30, fraction = time of day) of a local date and time.
double toDateTimeValue(const QDateTime& dt);

// Cell numbering: index = column + 7 * (row - 1) for rows 1..6 and columns 1..7
// (column 1 is Sunday). Cells 1..37 can hold days, 40..42 are the title cells.
constexpr int kCellCount = 42;
constexpr int kLastDayCell = 37;
constexpr int kConstellationCell = 40;
constexpr int kYearNameCell = 41;
constexpr int kAnimalCell = 42;

struct CellPos {
    int column = 0; // 1..7
    int row = 0;    // 1..6
    bool operator==(const CellPos&) const = default;
};

constexpr int cellIndex(int column, int row) {
    return column + 7 * (row - 1);
}
constexpr CellPos cellPos(int index) {
    // index 7 is row 1, column 7: multiples of 7 close their row
    return index % 7 == 0 ? CellPos{7, index / 7} : CellPos{index % 7, index / 7 + 1};
}
constexpr bool isWeekendCell(int index) {
    return index % 7 == 1 || index % 7 == 0;
}

// Where the days of one civil month (proleptic Gregorian) fall.
class MonthLayout {
public:
    MonthLayout(int year, int month);
    int firstWeekday() const { return firstWeekday_; } // 1 = Sunday .. 7 = Saturday
    int days() const { return days_; }                 // 28..31
    int cellOfDay(int day) const { return firstWeekday_ + day - 1; }
    int dayOfCell(int index) const; // 0 when the cell holds no day of the month

private:
    int firstWeekday_ = 1;
    int days_ = 0;
};

struct CalendarCell {
    bool present = false;
    bool selected = false; // the cell of the selected day
    int day = 0;           // day of month
    QString dayText;       // day number, decimal
    QString monthText;     // lunar month text
    QString cnDayText;     // lunar day text
    QString label;         // day label, or the title cell's text
    ColorRef dayColor = 0;
    ColorRef labelColor = 0;
    lunar::DayOff dayOff = lunar::DayOff::None; // official day off or make-up working day
};

// Label colours by day-label kind, and the weekday day-number colour.
struct LabelColors {
    ColorRef cnDate = 32768;          // lunar day
    ColorRef date = 5197647;          // day numbers Monday..Friday
    ColorRef holiday = 33023;         // civil festival
    ColorRef lunarHoliday = 16733011; // solar term
    ColorRef cnHoliday = 33023;       // lunar festival
    ColorRef of(lunar::DayLabelKind kind) const;
};

class CalendarMonthModel {
public:
    // Rebuilds the month around value. A year outside 1..2100 is refused and
    // leaves everything as it was (returns false).
    bool rebuild(double value, const LabelColors& colors);

    const CalendarCell& cell(int index) const { return cells_.at(static_cast<size_t>(index - 1)); }
    const QString& weekText(int row) const { return weekTexts_.at(static_cast<size_t>(row - 1)); }
    int year() const { return year_; }
    int month() const { return month_; }
    int day() const { return day_; }
    int selectedCell() const { return selectedCell_; } // 0 before the first rebuild
    const QString& statusText() const { return statusText_; }

    // Lunar texts of the selected date; assignable, overwritten by every rebuild.
    QString CnDate, CnMonth, CnDay;

    const lunar::TChnCal& record() const { return record_; }

private:
    lunar::TChnCal record_;
    std::array<CalendarCell, kCellCount> cells_{};
    std::array<QString, 6> weekTexts_{};
    QString statusText_;
    int year_ = 0, month_ = 0, day_ = 0;
    int selectedCell_ = 0;
};

// Proleptic Gregorian days of a month; 0 for an invalid month.
int daysInMonth(int year, int month);

} // namespace kuvano::calendarctl
