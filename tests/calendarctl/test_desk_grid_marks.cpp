// The desk grid's marks of days off (休) and make-up working days (班) in the title strips,
// compared with the same month painted without them.
#include "calendarctl/JvTFMonths.h"
#include "lunar/holidays.h"
#include "support/pictures.h"

#include <QImage>
#include <gtest/gtest.h>

#include <vector>

using kuvano::JvTFMonths;
using kuvano::lunar::DayOff;
using kuvano::lunar::ListedDay;
namespace test = kuvano::test;

namespace {

class DeskGridMarks : public ::testing::Test {
protected:
    JvTFMonths grid;

    void SetUp() override {
        kuvano::lunar::SetDayOffOverlay({});
        grid.resize(1000, 600);
    }
    void TearDown() override { kuvano::lunar::SetDayOffOverlay({}); }

    void show(const QDate& date) {
        grid.setDisplayDate(date);
        grid.selectDate(date);
    }
    QImage shot() { return grid.grab().toImage(); }
    // The shown grid painted again with the given dates listed as plain days.
    QImage shotWithout(const std::vector<QDate>& dates) {
        std::vector<ListedDay> plain;
        for (const QDate& d : dates) plain.push_back({d.year(), d.month(), d.day()});
        kuvano::lunar::SetDayOffOverlay(plain);
        const QDate shown = grid.displayDate();
        grid.setDisplayDate(shown.addYears(1)); // a new month repaints every strip
        grid.setDisplayDate(shown);
        return shot();
    }
    // The strip within the cell's edge lines.
    QRect strip(const QDate& d) const {
        const int cell = grid.cellOfDate(d);
        return grid.stripRect(cell) & grid.cellRect(cell).adjusted(0, 0, -1, -1);
    }
};

TEST_F(DeskGridMarks, MarksSitAtTheStripsRightEndClearOfTheDayNumber) {
    struct Case {
        QDate date;
        QColor ink;
    };
    const QColor red(255, 0, 0), grey(80, 80, 80);
    for (const QDate shown : {QDate(2026, 2, 15), QDate(2026, 10, 10)}) {
        show(shown);
        const std::vector<Case> cases =
            shown.month() == 2
                ? std::vector<Case>{{QDate(2026, 2, 14), grey},
                                    {QDate(2026, 2, 15), red},
                                    {QDate(2026, 2, 23), red},
                                    {QDate(2026, 2, 28), grey}}
                : std::vector<Case>{{QDate(2026, 10, 1), red}, {QDate(2026, 10, 10), grey}};
        const QImage with = shot();
        std::vector<QDate> dates;
        for (const Case& c : cases) dates.push_back(c.date);
        const QImage without = shotWithout(dates);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
            const QRect r = strip(c.date);
            // the selected strip has a frame: look inside it
            const QRect inside = r.adjusted(1, 1, -1, -1);
            const QRect mark = test::differences(with, without, r);
            const QRect number = test::inkBox(without, inside);
            ASSERT_FALSE(mark.isEmpty());
            ASSERT_FALSE(number.isEmpty());
            EXPECT_GT(mark.left(), number.right() + 1);
            EXPECT_TRUE(inside.contains(mark));
            EXPECT_GE(mark.width(), 9);
            EXPECT_GE(test::pixelsNear(with, mark, c.ink, 40), 4);
        }
        // and the selected strip keeps its own ground and frame around the mark
        const QRect selected = strip(shown);
        EXPECT_EQ(with.pixelColor(selected.topLeft() + QPoint(1, 1)), QColor(192, 220, 192));
    }
}

TEST_F(DeskGridMarks, NeighbouringMonthsDaysAreFadedAndPlainDaysUnmarked) {
    show(QDate(2026, 10, 10)); // the grid starts on Sunday 27 September, a day off
    const QImage with = shot();
    const QRect sep27 = strip(QDate(2026, 9, 27));
    const QImage without = shotWithout({QDate(2026, 9, 27)});
    const QRect mark = test::differences(with, without, sep27);
    ASSERT_FALSE(mark.isEmpty());
    EXPECT_EQ(test::pixelsNear(with, mark, QColor(255, 0, 0), 60), 0);
    EXPECT_GT(test::pixelsNear(with, mark, QColor(255, 160, 160), 30), 3);
    // an ordinary Saturday: nothing right of its number
    const QRect sat = strip(QDate(2026, 10, 17));
    const QRect number = test::inkBox(with, sat);
    EXPECT_TRUE(test::inkBox(with, QRect(number.right() + 1, sat.top(),
                                         sat.right() - number.right(), sat.height()))
                    .isEmpty());
}

TEST_F(DeskGridMarks, NarrowStripsLeaveTheMarkOut) {
    grid.resize(JvTFMonths::Columns * 24, 300);
    show(QDate(2026, 2, 1));
    const QImage with = shot();
    const QImage without = shotWithout({QDate(2026, 2, 16), QDate(2026, 2, 17)});
    for (int day : {16, 17})
        EXPECT_TRUE(test::differences(with, without, strip(QDate(2026, 2, day))).isEmpty());
}

} // namespace
