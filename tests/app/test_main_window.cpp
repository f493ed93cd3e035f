#include "app/Main.h"
#include "calendarctl/ChnCalendarPicker.h"
#include "notes/DeskCalendarPage.h"
#include "notes/JvTFMonths.h"
#include "notes/NoteBox.h"
#include "notes/untdb.h"
#include "support/test_support.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::app;

class MainWindowPages : public ::testing::Test {
protected:
    test::TempProgramFolder pf;
    test::FixedClock clock{QDateTime(QDate(2011, 6, 30), QTime(10, 0))};
    test::FakeScreen screen{QSize(1366, 768)};
    test::MessageRecorder messages;
    std::unique_ptr<notes::TDM> dm;
    std::unique_ptr<TMainForm> form;

    void start() {
        form.reset();
        dm = std::make_unique<notes::TDM>(pf.folder());
        form = std::make_unique<TMainForm>(pf.folder(), *dm);
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
    }
    notes::TNoteBox* cell(int n) { return form->deskPage().box(n); }
    QWidget* page() {
        return form->findChild<QStackedWidget*>(QStringLiteral("pgcMain"))->currentWidget();
    }
};

TEST_F(MainWindowPages, FirstShowingOpensTheDeskPageOnTodayWithTheCellSelected) {
    start();
    EXPECT_EQ(page()->objectName(), QStringLiteral("tsTaiLi"));
    EXPECT_EQ(form->monthPicker()->Date(), QDate(2011, 6, 30));
    EXPECT_TRUE(form->monthPicker()->isVisible());
    EXPECT_EQ(form->monthPicker()->size(), QSize(242, 42));
    EXPECT_EQ(form->deskPage().grid()->selectedDate(), QDate(2011, 6, 30));
    EXPECT_TRUE(cell(1)->isVisible());
    EXPECT_TRUE(form->state().saving.desk);
    EXPECT_TRUE(messages.messages().empty());
    // Placed as the window's 1024 x 738 (on a 1366 x 768 screen) puts it.
    EXPECT_EQ(form->pos(), QPoint(171, 0));
}

TEST_F(MainWindowPages, TurningTheMonthPickerReloadsTheDeskMonth) {
    start();
    cell(8)->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(cell(8), QStringLiteral("june note"));
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 7, 15), QTime(0, 0)));
    EXPECT_EQ(form->shownDate(), QDate(2011, 7, 15));
    EXPECT_EQ(form->deskPage().grid()->displayDate().month(), 7);
    EXPECT_TRUE(cell(8)->toPlainText().isEmpty());
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 6, 2), QTime(0, 0)));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("june note"));

    // On its own page the month button only selects today, and only where
    // the grid holds it: another month stays as it is.
    form->monthPicker()->SetDateTime(QDateTime(QDate(2012, 1, 1), QTime(0, 0)));
    form->deskPage().grid()->selectCell(20);
    form->btnMonthClick();
    EXPECT_EQ(form->shownDate(), QDate(2012, 1, 1));
    EXPECT_EQ(form->deskPage().grid()->selectedCell(), 20);
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 6, 1), QTime(0, 0)));
    form->btnMonthClick();
    EXPECT_EQ(form->deskPage().grid()->selectedDate(), QDate(2011, 6, 30));
}

TEST_F(MainWindowPages, TheCalendarPageShowsTheFullCalendarOnToday) {
    start();
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 9, 1), QTime(0, 0)));
    form->fullCalendar()->SetDateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    form->findChild<QPushButton*>(QStringLiteral("btnRili"))->click();
    EXPECT_EQ(page()->objectName(), QStringLiteral("tsRili"));
    EXPECT_EQ(form->fullCalendar()->Date(), QDate(2011, 6, 30));
    EXPECT_EQ(form->fullCalendar()->StatusText(), QStringLiteral("2011-06-30 农历五月廿九"));
    EXPECT_EQ(form->shownDate(), QDate(2011, 6, 30));
    EXPECT_FALSE(form->monthPicker()->isVisible());
    EXPECT_TRUE(form->fullCalendar()->isVisible());

    form->findChild<QPushButton*>(QStringLiteral("btnMonth"))->click();
    EXPECT_EQ(page()->objectName(), QStringLiteral("tsTaiLi"));
    EXPECT_TRUE(form->monthPicker()->isVisible());
}
