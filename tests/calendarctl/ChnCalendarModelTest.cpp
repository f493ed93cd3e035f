// The month table without widgets: the date <-> cell mapping, the cells a
// month fills and the ISO week texts of its rows.
#include "calendarctl/ChnCalendarModel.h"

#include <gtest/gtest.h>

namespace kuvano::calendarctl {
namespace {

TEST(ChnCalendarModel, CellNumberingRoundTripsAndClosesRowsOnMultiplesOfSeven) {
    for (int i = 1; i <= kCellCount; ++i) {
        const CellPos p = cellPos(i);
        ASSERT_GE(p.column, 1) << i;
        ASSERT_LE(p.column, 7) << i;
        ASSERT_EQ(cellIndex(p.column, p.row), i) << i;
    }
    EXPECT_EQ(cellPos(7), (CellPos{7, 1}));
    EXPECT_EQ(cellPos(8), (CellPos{1, 2}));
    // the title cells sit in row 6, columns 5..7
    EXPECT_EQ(cellPos(kConstellationCell), (CellPos{5, 6}));
    EXPECT_EQ(cellPos(kAnimalCell), (CellPos{7, 6}));
    EXPECT_TRUE(isWeekendCell(1));
    EXPECT_TRUE(isWeekendCell(35));
    EXPECT_FALSE(isWeekendCell(2));
}

TEST(ChnCalendarModel, MonthLayoutFindsFirstWeekdayAndLength) {
    const MonthLayout dec2012(2012, 12); // a Saturday, 31 days
    EXPECT_EQ(dec2012.firstWeekday(), 7);
    EXPECT_EQ(dec2012.days(), 31);
    EXPECT_EQ(dec2012.cellOfDay(1), 7);
    EXPECT_EQ(dec2012.cellOfDay(31), kLastDayCell);
    EXPECT_EQ(dec2012.dayOfCell(6), 0);
    EXPECT_EQ(dec2012.dayOfCell(38), 0);
    EXPECT_EQ(dec2012.dayOfCell(20), 14);

    EXPECT_EQ(MonthLayout(2015, 2).firstWeekday(), 1);
    EXPECT_EQ(MonthLayout(2015, 2).days(), 28);
    EXPECT_EQ(MonthLayout(2000, 2).days(), 29);
    EXPECT_EQ(MonthLayout(1900, 2).days(), 28);
    // before day 0 of the date-time count the weekday must not drift
    EXPECT_EQ(MonthLayout(1899, 12).firstWeekday(), 6); // 1899-12-01 was a Friday
    EXPECT_EQ(MonthLayout(1, 1).firstWeekday(), 2);     // proleptic 0001-01-01, a Monday
}

TEST(ChnCalendarModel, SaturdayMonthFillsCellsSevenToThirtySeven) {
    CalendarMonthModel m;
    ASSERT_TRUE(m.rebuild(lunar::EncodeDate(2012, 12, 5), LabelColors{}));
    for (int i = 1; i <= kLastDayCell; ++i) {
        const CalendarCell& c = m.cell(i);
        EXPECT_EQ(c.present, i >= 7) << i;
        EXPECT_EQ(c.dayColor, isWeekendCell(i) ? kRed : LabelColors{}.date) << i;
        if (c.present) {
            EXPECT_EQ(c.day, i - 6);
            EXPECT_EQ(c.dayText, QString::number(i - 6));
        }
    }
    EXPECT_FALSE(m.cell(38).present);
    EXPECT_FALSE(m.cell(39).present);
    for (int i = kConstellationCell; i <= kAnimalCell; ++i) EXPECT_TRUE(m.cell(i).present) << i;
    EXPECT_EQ(m.selectedCell(), 11);
    EXPECT_TRUE(m.cell(11).selected);
    EXPECT_FALSE(m.cell(12).selected);
    EXPECT_TRUE(m.cell(kAnimalCell).label.endsWith(QStringLiteral("年")));
}

TEST(ChnCalendarModel, WeekTextsFollowDistinctIsoWeeksNotGridRows) {
    CalendarMonthModel m;
    // February 1, 2015 is a Sunday and still in ISO week 5: five texts in four rows
    ASSERT_TRUE(m.rebuild(lunar::EncodeDate(2015, 2, 10), LabelColors{}));
    const QStringList feb = {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                             QStringLiteral("8"), QStringLiteral("9"), QString()};
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(m.weekText(row), feb[row - 1]) << row;
    EXPECT_FALSE(m.cell(29).present);

    // December 31, 2012 opens ISO week 1 of 2013; a rebuild clears the old texts
    ASSERT_TRUE(m.rebuild(lunar::EncodeDate(2012, 12, 31), LabelColors{}));
    const QStringList dec = {QStringLiteral("48"), QStringLiteral("49"), QStringLiteral("50"),
                             QStringLiteral("51"), QStringLiteral("52"), QStringLiteral("1")};
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(m.weekText(row), dec[row - 1]) << row;
}

TEST(ChnCalendarModel, YearsOutsideTheRangeChangeNothing) {
    CalendarMonthModel m;
    ASSERT_TRUE(m.rebuild(lunar::EncodeDate(2011, 6, 30), LabelColors{}));
    const QString status = m.statusText();
    EXPECT_FALSE(m.rebuild(lunar::EncodeDate(2101, 1, 1), LabelColors{}));
    EXPECT_FALSE(m.rebuild(lunar::EncodeDate(1, 1, 1) - 1, LabelColors{})); // year 0
    EXPECT_EQ(m.year(), 2011);
    EXPECT_EQ(m.month(), 6);
    EXPECT_EQ(m.statusText(), status);
    EXPECT_TRUE(m.cell(m.selectedCell()).selected);
    EXPECT_TRUE(m.rebuild(lunar::EncodeDate(2100, 12, 31), LabelColors{}));
    EXPECT_TRUE(m.rebuild(lunar::EncodeDate(1, 1, 1), LabelColors{}));
}

TEST(ChnCalendarModel, ColoursConvertFromBgrAndDateTimesCountFrom1899) {
    EXPECT_EQ(toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(16711680), QColor(0, 0, 255));
    EXPECT_EQ(toQColor(5197647), QColor(0x4F, 0x4F, 0x4F));
    EXPECT_EQ(toQColor(33023), QColor(255, 128, 0));
    EXPECT_DOUBLE_EQ(toDateTimeValue(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(toDateTimeValue(QDateTime(QDate(2011, 6, 30), QTime(18, 0))), 40724.75);
}

} // namespace
} // namespace kuvano::calendarctl
