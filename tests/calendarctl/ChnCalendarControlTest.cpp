// The control driven as a user drives it: date changes and their events,
// the up-downs, the menus, clicks and arrow keys on the grid, the layout.
#include "calendarctl/ChnCalendarGrid.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "support/test_support.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace kuvano::calendarctl {
namespace {

const QDateTime kNow(QDate(2011, 6, 30), QTime(10, 30));

class ChnCalendarControl : public ::testing::Test {
protected:
    test::FixedClock clock_{kNow};
    TChnCalendar cal_;
    int changes_ = 0, selects_ = 0, clicks_ = 0;

    void SetUp() override {
        cal_.OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, &cal_);
            ++changes_;
        };
        cal_.OnDateSelect = [this](QObject*) { ++selects_; };
        cal_.OnDateClick = [this](QObject*) { ++clicks_; };
    }
    void setDate(int y, int m, int d) { cal_.SetDateTime(lunar::EncodeDate(y, m, d)); }
    QPoint cellCenter(int column, int row) const {
        return cal_.Grid()->cellRect(column, row).center();
    }
    void click(int column, int row) {
        QTest::mouseClick(cal_.Grid(), Qt::LeftButton, {}, cellCenter(column, row));
    }
    void key(Qt::Key k) { QTest::keyClick(cal_.Grid(), k); }
    UpDown* upDown(const char16_t* name) const {
        return cal_.findChild<UpDown*>(QString::fromUtf16(name));
    }
    QString labelText(const char16_t* name) const {
        return cal_.findChild<QLabel*>(QString::fromUtf16(name))->text();
    }
    QAction* action(QMenu* menu, const QString& name) const {
        for (QAction* a : menu->findChildren<QAction*>(name))
            if (!a->menu()) return a;
        return nullptr;
    }
};

TEST_F(ChnCalendarControl, StartsAtNowWithTitleShown) {
    EXPECT_DOUBLE_EQ(cal_.DateTime(), toDateTimeValue(kNow));
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 30));
    EXPECT_EQ(cal_.size(), QSize(313, 253));
    EXPECT_TRUE(cal_.ShowTitle());
    EXPECT_EQ(labelText(u"lblMonth"), QStringLiteral("6"));
    EXPECT_EQ(labelText(u"lblYear"), QStringLiteral("2011"));
    EXPECT_EQ(labelText(u"lblToday"), QStringLiteral("今天"));
    EXPECT_EQ(upDown(u"udMonth")->position(), 6);
    EXPECT_EQ(upDown(u"udYear")->position(), 2011);
    EXPECT_FALSE(upDown(u"udMonth")->isHidden());
    // June 2011 starts on a Wednesday: the 30th is cell 33, row 5, column 5
    EXPECT_EQ(cal_.Grid()->currentColumn(), 5);
    EXPECT_EQ(cal_.Grid()->currentRow(), 5);
    EXPECT_TRUE(cal_.Cell(33).selected);
    EXPECT_EQ(cal_.AlphaBlend(), 50);
    EXPECT_EQ(cal_.ColorHoliday(), 33023);
}

TEST_F(ChnCalendarControl, OnlyRealDateChangesFireOnChange) {
    cal_.SetDateTime(cal_.DateTime());
    EXPECT_EQ(changes_, 0);

    setDate(2012, 3, 4);
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(cal_.Date(), QDate(2012, 3, 4));
    EXPECT_EQ(labelText(u"lblMonth"), QStringLiteral("3"));
    EXPECT_EQ(upDown(u"udYear")->position(), 2012);

    const QString status = cal_.StatusText();
    setDate(2101, 1, 1);
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(cal_.Date(), QDate(2012, 3, 4));
    EXPECT_EQ(cal_.StatusText(), status);
    EXPECT_EQ(labelText(u"lblYear"), QStringLiteral("2012"));
}

TEST_F(ChnCalendarControl, StatusLineShowsTheLunarDateOrBeforeNineteenFortyNineTheEra) {
    EXPECT_EQ(cal_.StatusText(), QStringLiteral("2011-06-30 农历五月廿九"));
    EXPECT_EQ(cal_.CnDate(), QStringLiteral("五月廿九"));
    EXPECT_EQ(cal_.CnMonth(), QStringLiteral("五月"));
    EXPECT_EQ(cal_.CnDay(), QStringLiteral("廿九"));
    EXPECT_EQ(cal_.Cell(kYearNameCell).label, QStringLiteral("辛卯"));
    EXPECT_EQ(cal_.Cell(kAnimalCell).label, QStringLiteral("兔年"));
    EXPECT_FALSE(cal_.Cell(kConstellationCell).label.isEmpty());

    setDate(2010, 6, 11);
    EXPECT_EQ(cal_.StatusText(), QStringLiteral("2010-06-11 农历四月廿九"));

    setDate(1912, 6, 1);
    const QString era = QString::fromStdString(lunar::EraTextOf(1912));
    ASSERT_FALSE(era.isEmpty());
    EXPECT_EQ(cal_.StatusText(), era + QStringLiteral(" 农历") + cal_.CnDate());
    setDate(1949, 1, 1);
    EXPECT_TRUE(cal_.StatusText().startsWith(QStringLiteral("1949-01-01 农历")));

    // assigned texts last only until the next date change
    cal_.SetCnDate(QStringLiteral("x"));
    EXPECT_EQ(cal_.CnDate(), QStringLiteral("x"));
    setDate(2011, 6, 30);
    EXPECT_EQ(cal_.CnDate(), QStringLiteral("五月廿九"));
}

TEST_F(ChnCalendarControl, LeapMonthsAndFestivalsReachTheCells) {
    setDate(2020, 5, 23); // first day of leap month 4: cell 6 + 22
    EXPECT_EQ(cal_.CnMonth(), QStringLiteral("闰四"));
    const CalendarCell& leap = cal_.Cell(MonthLayout(2020, 5).cellOfDay(23));
    EXPECT_EQ(leap.label, QStringLiteral("闰四"));
    EXPECT_EQ(leap.labelColor, kRed);

    setDate(2024, 2, 1);
    const MonthLayout feb(2024, 2);
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(9)).label, QStringLiteral("除夕"));
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(10)).label, QStringLiteral("春节"));
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(10)).labelColor, cal_.ColorCnHolDay());
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(4)).labelColor, cal_.ColorLunarHolDay()); // 立春
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(14)).label, QStringLiteral("情人节"));
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(14)).labelColor, cal_.ColorHoliday());
    EXPECT_EQ(cal_.Cell(feb.cellOfDay(20)).labelColor, cal_.ColorCnDate());

    // October 1582 holds the ten days the engine cannot convert: still a whole month
    setDate(1582, 10, 10);
    const MonthLayout oct(1582, 10);
    for (int d = 1; d <= 31; ++d) EXPECT_EQ(cal_.Cell(oct.cellOfDay(d)).day, d);
    EXPECT_FALSE(cal_.Cell(oct.cellOfDay(20)).cnDayText.isEmpty());
    EXPECT_FALSE(cal_.grab().isNull());
}

TEST_F(ChnCalendarControl, MonthUpDownKeepsTheDayWithinTheNewMonth) {
    UpDown* month = upDown(u"udMonth");
    setDate(2011, 1, 31);
    month->step(1);
    EXPECT_EQ(cal_.Date(), QDate(2011, 2, 28));
    month->step(-1);
    EXPECT_EQ(cal_.Date(), QDate(2011, 1, 28));
    month->step(-1); // position 0: December of the year before
    EXPECT_EQ(cal_.Date(), QDate(2010, 12, 28));
    EXPECT_EQ(month->position(), 12);
    month->step(1); // position 13: January of the next year
    EXPECT_EQ(cal_.Date(), QDate(2011, 1, 28));
    EXPECT_EQ(upDown(u"udYear")->position(), 2011);
    EXPECT_EQ(month->position(), 1);

    // clicking the arrow button itself goes the same way
    QTest::mouseClick(month->findChild<QWidget*>(QStringLiteral("up")), Qt::LeftButton);
    EXPECT_EQ(cal_.Date(), QDate(2011, 2, 28));
}

TEST_F(ChnCalendarControl, StepsBeyondTheSupportedYearsAreRefused) {
    UpDown* month = upDown(u"udMonth");
    setDate(2100, 12, 31);
    changes_ = 0;
    month->step(1);
    EXPECT_EQ(cal_.Date(), QDate(2100, 12, 31));
    EXPECT_EQ(month->position(), 12); // not left at 13
    EXPECT_EQ(changes_, 0);
    month->step(-1);
    EXPECT_EQ(cal_.Date(), QDate(2100, 11, 30));

    setDate(1, 1, 15);
    month->step(-1);
    EXPECT_EQ(cal_.Date(), QDate(1, 1, 15));
    EXPECT_EQ(month->position(), 1);
    upDown(u"udYear")->step(-1);
    EXPECT_EQ(cal_.Date(), QDate(1, 1, 15));
}

TEST_F(ChnCalendarControl, YearUpDownLowersFebruaryTwentyNinth) {
    setDate(2012, 2, 29);
    upDown(u"udYear")->step(1);
    EXPECT_EQ(cal_.Date(), QDate(2013, 2, 28));
    upDown(u"udYear")->step(-1);
    EXPECT_EQ(cal_.Date(), QDate(2012, 2, 28));
}

TEST_F(ChnCalendarControl, MenusHoldLocaleMonthsAndYearGroups) {
    QMenu* months = cal_.MonthMenu();
    ASSERT_EQ(months->actions().size(), 14);
    EXPECT_EQ(months->defaultAction()->objectName(), QStringLiteral("MenuMonth_ToDay"));
    EXPECT_EQ(months->actions()[0]->text(), QStringLiteral("今日"));
    EXPECT_TRUE(months->actions()[1]->isSeparator());
    const QLocale zh(QLocale::Chinese, QLocale::China);
    for (int m = 1; m <= 12; ++m) {
        QAction* a = months->actions()[m + 1];
        EXPECT_EQ(a->objectName(), QStringLiteral("MenuMonth_%1").arg(m - 1));
        EXPECT_EQ(a->text(), zh.monthName(m, QLocale::LongFormat));
        EXPECT_EQ(a->data().toInt(), m);
    }
    EXPECT_EQ(months->actions()[2]->text(), QStringLiteral("一月"));

    QMenu* years = cal_.YearMenu();
    ASSERT_EQ(years->actions().size(), 4 + 20);
    EXPECT_EQ(years->defaultAction()->objectName(), QStringLiteral("MenuYear_ToDay"));
    QMenu* history = years->actions()[2]->menu();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->title(), QStringLiteral("历史日期"));
    ASSERT_EQ(history->actions().size(), 19);
    QMenu* first = history->actions()[0]->menu();
    EXPECT_EQ(first->title(), QStringLiteral("0"));
    EXPECT_EQ(first->objectName(), QStringLiteral("MenuYear_History_10"));
    ASSERT_EQ(first->actions().size(), 10);
    EXPECT_EQ(first->actions()[0]->data().toInt(), 10);
    EXPECT_EQ(first->actions()[9]->data().toInt(), 100);
    EXPECT_EQ(history->actions()[18]->menu()->actions()[9]->data().toInt(), 1900);
    QMenu* decade = years->actions()[4]->menu();
    EXPECT_EQ(decade->title(), QStringLiteral("1900"));
    EXPECT_EQ(decade->actions()[0]->objectName(), QStringLiteral("MenuYear_1900"));
    EXPECT_EQ(years->actions()[23]->menu()->actions()[9]->data().toInt(), 2099);
}

TEST_F(ChnCalendarControl, MenuItemsStepLikeTheUpDowns) {
    setDate(2011, 1, 31);
    action(cal_.MonthMenu(), QStringLiteral("MenuMonth_1"))->trigger();
    EXPECT_EQ(cal_.Date(), QDate(2011, 2, 28));
    action(cal_.YearMenu(), QStringLiteral("MenuYear_History_1010"))->trigger();
    EXPECT_EQ(cal_.Date(), QDate(1010, 2, 28));
    EXPECT_EQ(upDown(u"udYear")->position(), 1010);
    action(cal_.YearMenu(), QStringLiteral("MenuYear_2096"))->trigger();
    EXPECT_EQ(cal_.Date(), QDate(2096, 2, 28));
    action(cal_.YearMenu(), QStringLiteral("MenuYear_ToDay"))->trigger();
    EXPECT_DOUBLE_EQ(cal_.DateTime(), toDateTimeValue(kNow));

    setDate(2000, 1, 1);
    QTest::mouseClick(cal_.findChild<QLabel*>(QStringLiteral("lblToday")), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(cal_.DateTime(), toDateTimeValue(kNow));
}

TEST_F(ChnCalendarControl, ClickingADaySelectsItAndEmptyCellsAreRefused) {
    setDate(2011, 6, 30); // June 2011: cells 4..33
    changes_ = 0;
    click(1, 2); // cell 8, June 5
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 5));
    EXPECT_DOUBLE_EQ(cal_.DateTime(), lunar::EncodeDate(2011, 6, 5));
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(clicks_, 1);
    EXPECT_EQ(selects_, 1);
    click(1, 2); // the selected day again: a select, no change
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(selects_, 2);

    for (auto [c, r] : {std::pair{1, 1}, {6, 5}, {5, 6}, {0, 3}, {8, 3}, {3, 0}}) {
        click(c, r);
        EXPECT_EQ(cal_.Date(), QDate(2011, 6, 5)) << c << "," << r;
    }
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(selects_, 2);
    EXPECT_EQ(cal_.Grid()->currentColumn(), 1);
    EXPECT_EQ(cal_.Grid()->currentRow(), 2);
}

TEST_F(ChnCalendarControl, ArrowKeysMoveOnlyOntoDays) {
    setDate(2011, 6, 1); // cell 4, row 1, column 4
    key(Qt::Key_Up);
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 1)); // cells 0 of the header and 3 are empty
    key(Qt::Key_Right);
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 2));
    key(Qt::Key_Down);
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 9));
    EXPECT_EQ(clicks_, 0); // no mouse press yet

    setDate(2011, 6, 30);
    key(Qt::Key_Right);
    key(Qt::Key_Down);
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 30));
}

TEST_F(ChnCalendarControl, MouseClickFlagLastsUntilTheMouseLeaves) {
    setDate(2011, 6, 15);
    click(2, 3); // June 13
    EXPECT_EQ(clicks_, 1);
    key(Qt::Key_Right); // still "clicked": the keyboard choice counts too
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 14));
    EXPECT_EQ(clicks_, 2);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&cal_, &leave);
    key(Qt::Key_Right);
    EXPECT_EQ(cal_.Date(), QDate(2011, 6, 15));
    EXPECT_EQ(clicks_, 2);
}

TEST_F(ChnCalendarControl, LayoutFollowsTheTitleSwitch) {
    CalendarGrid* g = cal_.Grid();
    EXPECT_EQ(g->geometry(), QRect(8, 40, 298, 186));
    EXPECT_EQ(g->colWidth(0), 6);
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(g->colWidth(c), 40);
    EXPECT_EQ(g->colWidth(8), 12);
    EXPECT_EQ(g->rowHeight(0), 18);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(g->rowHeight(r), 27);
    EXPECT_EQ(g->rowHeight(6), 33);

    cal_.SetShowTitle(false);
    EXPECT_EQ(g->geometry(), QRect(2, 2, 309, 249));
    EXPECT_TRUE(upDown(u"udMonth")->isHidden());
    EXPECT_TRUE(upDown(u"udYear")->isHidden());
    EXPECT_EQ(g->colWidth(1), 42);
    EXPECT_EQ(g->colWidth(8), 303 - 7 * 42);

    cal_.SetShowWeekNum(true); // column 0 only, until the next layout
    EXPECT_EQ(g->colWidth(0), 18);
    EXPECT_EQ(g->colWidth(1), 42);
    cal_.show(); // a hidden widget gets its resize event when shown
    cal_.resize(320, 260);
    EXPECT_EQ(g->colWidth(1), (316 - 18) / 7 - 1);
    EXPECT_EQ(cal_.Background().size(), QSize(320, 260));

    // the hit test and the painter share one geometry
    int c = -1, r = -1;
    ASSERT_TRUE(g->cellAt(g->cellRect(3, 4).topLeft(), c, r));
    EXPECT_EQ(std::pair(c, r), std::pair(3, 4));
    ASSERT_TRUE(g->cellAt(g->cellRect(3, 4).bottomRight(), c, r));
    EXPECT_EQ(std::pair(c, r), std::pair(3, 4));
}

TEST_F(ChnCalendarControl, RunTimeLabelColoursRebuildTheShownMonth) {
    setDate(2011, 10, 15); // October 1, 2011 (cell 7) is 国庆节
    ASSERT_EQ(cal_.Cell(7).label, QStringLiteral("国庆节"));
    EXPECT_EQ(cal_.Cell(7).labelColor, 33023);
    changes_ = 0;
    cal_.SetColorHoliday(0x00FF00FF);
    EXPECT_EQ(cal_.Cell(7).labelColor, 0x00FF00FF);
    EXPECT_EQ(cal_.Date(), QDate(2011, 10, 15));
    EXPECT_EQ(changes_, 1);
    cal_.SetColorHoliday(0x00FF00FF); // same value: nothing to rebuild
    EXPECT_EQ(changes_, 1);
    cal_.SetColorDate(0x123456);
    EXPECT_EQ(cal_.Cell(10).dayColor, 0x123456); // a Tuesday
    EXPECT_EQ(cal_.Cell(8).dayColor, kRed);      // a Sunday
}

TEST_F(ChnCalendarControl, MonthPickerShowsOnlyTheTitleBand) {
    QImage picture(242, 42, QImage::Format_RGB32);
    picture.fill(QColor(200, 220, 255));
    TChnCalendar picker;
    ConfigureAsMonthPicker(picker, picture);
    EXPECT_EQ(picker.size(), QSize(242, 42));
    EXPECT_TRUE(picker.isHidden());
    EXPECT_EQ(picker.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(picker.ColorBackYear(), 16777215);
    EXPECT_EQ(picker.ColorBackMonth(), 16777215);
    EXPECT_EQ(picker.ColorTitleMonth(), 16711680);
    EXPECT_EQ(picker.AlphaBlend(), 50);
    picker.show(); // as the side panel rule does; the layout follows the new size
    EXPECT_EQ(picker.Grid()->height(), 0);
    EXPECT_EQ(picker.Background().size(), QSize(242, 42));
    EXPECT_EQ(picker.findChild<QLabel*>(QStringLiteral("lblMonth"))
                  ->palette()
                  .color(QPalette::WindowText),
              QColor(0, 0, 255));
    // the up-downs still turn the month
    picker.findChild<UpDown*>(QStringLiteral("udMonth"))->step(1);
    EXPECT_EQ(picker.Date(), QDate(2011, 7, 30));
}

} // namespace
} // namespace kuvano::calendarctl
