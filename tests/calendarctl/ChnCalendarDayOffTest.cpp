// Days off and make-up working days in the control: the cells and the status line, and the marks
// as painted, compared with the same month painted without them.
#include "calendarctl/ChnCalendarGrid.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "lunar/holidays.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace kuvano::calendarctl {
namespace {

using lunar::DayOff;

class ChnCalendarDayOff : public ::testing::Test {
protected:
    test::FixedClock clock_{QDateTime(QDate(2026, 2, 15), QTime(9, 0))};
    TChnCalendar cal_;

    void SetUp() override {
        lunar::SetDayOffOverlay({});
        cal_.SetShowBackYearMonth(false); // a plain white ground under the texts
        cal_.show();
    }
    void TearDown() override { lunar::SetDayOffOverlay({}); }

    void setDate(int y, int m, int d) { cal_.SetDateTime(lunar::EncodeDate(y, m, d)); }
    // The cell of a day of the shown month, in control coordinates.
    QRect dayRect(int day) const {
        const int index = MonthLayout(cal_.Month().year(), cal_.Month().month()).cellOfDay(day);
        const CellPos p = cellPos(index);
        return cal_.Grid()->cellRect(p.column, p.row).translated(cal_.Grid()->pos());
    }
    QImage shot() { return cal_.grab().toImage(); }
    // The shown month painted again with the given days of it listed as plain days.
    QImage shotWithout(const std::vector<int>& days) {
        std::vector<lunar::ListedDay> plain;
        for (int d : days) plain.push_back({cal_.Month().year(), cal_.Month().month(), d});
        lunar::SetDayOffOverlay(plain);
        const double value = cal_.DateTime();
        cal_.SetDateTime(value + 1);
        cal_.SetDateTime(value);
        return shot();
    }
};

TEST_F(ChnCalendarDayOff, CellsAndStatusLineCarryTheDay) {
    setDate(2026, 2, 15);
    const auto kindOf = [&](int day) {
        return cal_.Cell(MonthLayout(2026, 2).cellOfDay(day)).dayOff;
    };
    EXPECT_EQ(kindOf(14), DayOff::Work);
    EXPECT_EQ(kindOf(15), DayOff::Off);
    EXPECT_EQ(kindOf(23), DayOff::Off);
    EXPECT_EQ(kindOf(24), DayOff::None);
    EXPECT_EQ(kindOf(28), DayOff::Work);
    EXPECT_EQ(kindOf(7), DayOff::None); // an ordinary Saturday
    EXPECT_EQ(cal_.StatusText(), QStringLiteral("2026-02-15（休） 农历腊月廿八"));
    setDate(2026, 2, 14);
    EXPECT_EQ(cal_.StatusText(), QStringLiteral("2026-02-14（班） 农历腊月廿七"));
    setDate(2026, 2, 7);
    EXPECT_EQ(cal_.StatusText(), QStringLiteral("2026-02-07 农历腊月二十"));

    // a day the user's file adds, after the next rebuild
    const lunar::ListedDay added[] = {{2027, 1, 1, DayOff::Off}};
    lunar::SetDayOffOverlay(added);
    setDate(2027, 1, 1);
    EXPECT_EQ(cal_.Cell(MonthLayout(2027, 1).cellOfDay(1)).dayOff, DayOff::Off);
    EXPECT_TRUE(cal_.StatusText().startsWith(QStringLiteral("2027-01-01（休） 农历")));
}

TEST_F(ChnCalendarDayOff, MarksSitRightOfTheDayNumberAboveTheLabel) {
    struct Case {
        int day;
        QColor ink;
        bool selected;
    };
    const QColor red(255, 0, 0), grey(80, 80, 80);
    for (const QDate shown : {QDate(2026, 2, 15), QDate(2026, 10, 10)}) {
        setDate(shown.year(), shown.month(), shown.day());
        const std::vector<Case> cases =
            shown.month() == 2
                ? std::vector<Case>{{14, grey, false},
                                    {15, red, true},
                                    {16, red, false},
                                    {21, red, false},
                                    {28, grey, false}}
                : std::vector<Case>{{1, red, false}, {7, red, false}, {10, grey, true}};
        const QImage with = shot();
        std::vector<int> days;
        for (const Case& c : cases) days.push_back(c.day);
        const QImage without = shotWithout(days);
        for (const Case& c : cases) {
            SCOPED_TRACE(
                (shown.toString(Qt::ISODate) + QStringLiteral(" day %1").arg(c.day)).toStdString());
            const QRect cell = dayRect(c.day);
            const QRect inside = cell.adjusted(1, 1, -1, -1); // within the selection frame
            const QRect upper(inside.left(), inside.top(), inside.width(), cell.height() / 2 - 1);
            const QRect mark = test::differences(with, without, cell);
            ASSERT_FALSE(mark.isEmpty());
            const QRect number = test::inkBox(without, upper);
            const QRect label = test::inkBox(without, inside.adjusted(0, cell.height() / 2, 0, 0));
            ASSERT_FALSE(number.isEmpty());
            ASSERT_FALSE(label.isEmpty());
            EXPECT_GT(mark.left(), number.right());
            EXPECT_LT(mark.bottom(), cell.top() + cell.height() / 2);
            EXPECT_FALSE(mark.intersects(label));
            EXPECT_GE(mark.width(), 8); // a readable glyph, not a speck
            EXPECT_GE(test::pixelsNear(with, mark, c.ink, 40), 4);
            // on the selection's gradient the mark keeps a white ground of its own
            int whitened = 0;
            for (int y = mark.top(); y <= mark.bottom(); ++y)
                for (int x = mark.left(); x <= mark.right(); ++x)
                    whitened +=
                        with.pixelColor(x, y) == Qt::white && without.pixelColor(x, y) != Qt::white;
            EXPECT_EQ(whitened > 20, c.selected) << whitened;
        }
    }
}

TEST_F(ChnCalendarDayOff, OrdinaryDaysAndCrampedCellsHaveNoMark) {
    setDate(2026, 2, 15);
    QImage img = shot();
    for (int day : {7, 24}) { // an ordinary Saturday, a Tuesday
        const QRect cell = dayRect(day);
        const QRect number = test::inkBox(img, cell.adjusted(1, 1, -1, -cell.height() / 2));
        const QRect corner(number.right() + 1, cell.top() + 1, cell.right() - number.right() - 1,
                           cell.height() / 2 - 1);
        EXPECT_TRUE(test::inkBox(img, corner).isEmpty()) << day;
    }
    // Columns of 28 pixels leave no room beside a two-digit number: the mark is left out
    // rather than drawn over it.
    cal_.resize(230, 253);
    EXPECT_EQ(cal_.Grid()->colWidth(1), 28);
    img = shot();
    const QImage without = shotWithout({16, 17});
    for (int day : {16, 17}) EXPECT_TRUE(test::differences(img, without, dayRect(day)).isEmpty());
}

} // namespace
} // namespace kuvano::calendarctl
