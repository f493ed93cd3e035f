#include "desk_fixture.h"

using namespace kuvano;
using namespace kuvano::notes;
using kuvano::test::DeskFixture;

TEST(DayKey, IsYearMonthDayUnpaddedWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(dayKey(QDate(2010, 5, 3)), QStringLiteral("2010-5-3"));
    EXPECT_EQ(dayKey(QDate(2010, 11, 30)), QStringLiteral("2010-11-30"));
    QLocale::setDefault(before);
    EXPECT_EQ(monthKey(QDate(2011, 1, 5)), QStringLiteral("20111"));
    EXPECT_EQ(monthKey(QDate(2011, 11, 5)), QStringLiteral("201111"));
}

TEST_F(DeskFixture, ADayWithoutARowShowsAnEmptyBoxAndTypingCreatesIt) {
    start(QDate(2010, 5, 10));
    s->desk->SelectTodayAndLoadDay(QDate(2010, 5, 10));
    EXPECT_TRUE(s->day->box()->toPlainText().isEmpty());
    EXPECT_EQ(rows(QStringLiteral("TailiNew_day")), 0);
    type(s->day->box(), QStringLiteral("meeting"));
    EXPECT_EQ(rows(QStringLiteral("TailiNew_day")), 1);
    EXPECT_NE(stored(QStringLiteral("TailiNew_day"), QStringLiteral("daydate"),
                     QStringLiteral("2010-5-10"), 1),
              QStringLiteral("<no row>"));

    // Another day, then back.
    s->desk->grid()->selectDate(QDate(2010, 5, 11));
    s->desk->JvTFMonths1Click();
    EXPECT_TRUE(s->day->box()->toPlainText().isEmpty());
    s->desk->grid()->selectDate(QDate(2010, 5, 10));
    s->desk->JvTFMonths1Click();
    EXPECT_EQ(s->day->box()->toPlainText(), QStringLiteral("meeting"));
    EXPECT_EQ(rows(QStringLiteral("TailiNew_day")), 1); // loading wrote nothing
}

TEST_F(DeskFixture, TheNoteOfADayShowsInEveryGridThatHoldsIt) {
    start(QDate(2010, 4, 1));
    s->desk->grid()->selectDate(QDate(2010, 4, 30));
    s->desk->JvTFMonths1Click();
    type(s->day->box(), QStringLiteral("end of april"));

    s->state.shownDate = QDate(2010, 5, 1);
    s->desk->ChnCalendar1Change();
    ASSERT_TRUE(s->desk->grid()->selectDate(QDate(2010, 4, 30)));
    s->desk->JvTFMonths1Click();
    EXPECT_EQ(s->day->box()->toPlainText(), QStringLiteral("end of april"));
    // The desk cell over that day is a note of May's page, still empty.
    EXPECT_TRUE(cell(6)->toPlainText().isEmpty());
}

TEST_F(DeskFixture, WithNoSelectedCellTheFirstCellsDayIsUsed) {
    start(QDate(2010, 5, 10));
    s->desk->grid()->selectCell(-1);
    s->desk->JvTFMonths1Click();
    type(s->day->box(), QStringLiteral("first"));
    EXPECT_NE(stored(QStringLiteral("TailiNew_day"), QStringLiteral("daydate"),
                     QStringLiteral("2010-4-25"), 1),
              QStringLiteral("<no row>"));
}
