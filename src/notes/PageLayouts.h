#pragma once
// The layout arithmetic of the general, calendar and yearly pages, as pure
// functions of the page panel's size. Every panel lies at 0, 0 of its page,
// so panel coordinates and page coordinates are the same. Division truncates
// towards zero, as everywhere in the layouts.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace kuvano::notes {

constexpr int kLineBoxes = 42; // general notes and calendar notes
constexpr int kYearBoxes = 12; // one per month
constexpr int kLineRows = 21;  // rows of the ruled grid: two boxes a row
constexpr int kLineBoxHeight = 20;
constexpr int kYearTitleHeight = 25; // the row title pictures

// The ruled grid both one-line pages lie on: 21 rows, 2 columns, one-pixel
// grid lines (so each row takes rowHeight + 1).
struct RuledGridSize {
    int columnWidth = 0; // PW div 2 - 3
    int rowHeight = 0;   // (PH - 22) div 21
};
RuledGridSize LineGridSize(QSize panel);

// The general page: the 42 boxes and the white strip over the middle line.
struct GeneralLayoutRects {
    RuledGridSize grid;
    std::array<QRect, kLineBoxes> boxes; // Edit1..Edit42
    QRect hide;                          // pnlHide
};
GeneralLayoutRects GeneralLayout(QSize panel);

// The calendar page: the 42 boxes around the calendar control of width K,
// the control's place and the strip over the middle line.
struct CalendarLayoutRects {
    RuledGridSize grid;
    std::array<QRect, kLineBoxes> boxes; // edtr1..edtr42
    QPoint calendar;                     // chnRili's top left
    QRect split;                         // pnlSplit
};
CalendarLayoutRects CalendarLayout(QSize panel, int calendarWidth);

// The yearly page: three rows of four month boxes under three title strips,
// split by one-pixel column lines.
struct YearLayoutRects {
    std::array<int, 5> lineLeft;           // pnl_yearLine0..4
    std::array<int, 3> titleTop;           // imgtitle_year1..3
    std::array<QRect, kYearBoxes> boxes;   // redt1..redt12
    std::array<QPoint, kYearBoxes> labels; // lblMonth1..12, top left
};
YearLayoutRects YearLayout(QSize panel);

} // namespace kuvano::notes
