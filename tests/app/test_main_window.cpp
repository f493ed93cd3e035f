#include "calendarctl/ChnCalendarPicker.h"
#include "calendarctl/JvTFMonths.h"
#include "main_fixture.h"
#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/PageLayouts.h"
#include "notes/YearNotesPage.h"

#include "store/sqlite_db.h"
#include "support/store_peek.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QThread>

#include <signal.h>

using namespace kuvano;
using namespace kuvano::app;
using kuvano::test::MainFixture;

namespace {
QDateTime at(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}
} // namespace

class MainWindowPages : public MainFixture {
protected:
    notes::NoteBox* cell(int n) { return form->deskPage().box(n); }
    QString page() { return form->sheet(form->pageOnView())->objectName(); }
};

TEST_F(MainWindowPages, FirstShowingOpensTheDeskPageOnTodayWithTheCellSelected) {
    start();
    EXPECT_EQ(page(), QStringLiteral("tsTaiLi"));
    EXPECT_EQ(form->monthPicker()->Date(), QDate(2011, 6, 30));
    EXPECT_TRUE(form->monthPicker()->isVisible());
    EXPECT_EQ(form->monthPicker()->size(), QSize(242, 42));
    EXPECT_EQ(form->deskPage().grid()->selectedDate(), QDate(2011, 6, 30));
    EXPECT_TRUE(cell(1)->isVisible());
    const notes::SaveSwitches& s = form->state().saving;
    EXPECT_TRUE(s.desk && s.general && s.calendar && s.yearly); // every layout leaves it on
    EXPECT_TRUE(messages.messages().empty());
    // Placed as the window's 1024 x 738 (on a 1366 x 768 screen) puts it.
    EXPECT_EQ(form->pos(), QPoint(171, 0));
    EXPECT_TRUE(child<QAbstractButton>(QStringLiteral("btnMonth"))->isVisible());
}

TEST_F(MainWindowPages, TurningTheMonthPickerReloadsTheDeskMonth) {
    start();
    cell(8)->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(cell(8), QStringLiteral("june note"));
    form->monthPicker()->SetDateTime(at(2011, 7, 15));
    EXPECT_EQ(form->shownDate(), QDate(2011, 7, 15));
    EXPECT_EQ(form->deskPage().grid()->displayDate().month(), 7);
    EXPECT_TRUE(cell(8)->toPlainText().isEmpty());
    form->monthPicker()->SetDateTime(at(2011, 6, 2));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("june note"));

    // On its own page the month button only selects today, and only where
    // the grid holds it: another month stays as it is.
    form->monthPicker()->SetDateTime(at(2012, 1, 1));
    form->deskPage().grid()->selectCell(20);
    form->btnMonthClick();
    EXPECT_EQ(form->shownDate(), QDate(2012, 1, 1));
    EXPECT_EQ(form->deskPage().grid()->selectedCell(), 20);
    form->monthPicker()->SetDateTime(at(2011, 6, 1));
    form->btnMonthClick();
    EXPECT_EQ(form->deskPage().grid()->selectedDate(), QDate(2011, 6, 30));
}

TEST_F(MainWindowPages, TheCalendarPageShowsTheFullCalendarOnToday) {
    start();
    form->monthPicker()->SetDateTime(at(2011, 9, 1));
    form->fullCalendar()->SetDateTime(at(2000, 1, 1));
    click(QStringLiteral("btnRili"));
    EXPECT_EQ(page(), QStringLiteral("tsRili"));
    EXPECT_EQ(form->fullCalendar()->Date(), QDate(2011, 6, 30));
    EXPECT_EQ(form->fullCalendar()->StatusText(), QStringLiteral("2011-06-30 农历五月廿九"));
    EXPECT_EQ(form->shownDate(), QDate(2011, 6, 30));
    EXPECT_FALSE(form->monthPicker()->isVisible());
    EXPECT_TRUE(form->fullCalendar()->isVisible());

    click(QStringLiteral("btnMonth"));
    EXPECT_EQ(page(), QStringLiteral("tsTaiLi"));
    EXPECT_TRUE(form->monthPicker()->isVisible());
}

TEST(SidePanel, FollowsThePageOnView) {
    // picker, picker enabled, memo list, day schedule, font boxes
    EXPECT_EQ(SidePanelRule(Page::Yearly), (SidePanel{true, true, true, false, true}));
    EXPECT_EQ(SidePanelRule(Page::Desk), (SidePanel{true, true, false, true, true}));
    EXPECT_EQ(SidePanelRule(Page::General), (SidePanel{true, std::nullopt, true, false, false}));
    EXPECT_EQ(SidePanelRule(Page::Calendar), (SidePanel{false, std::nullopt, true, false, false}));
}

TEST_F(MainWindowPages, EachPageButtonShowsItsPageOnTodayWithItsSidePanel) {
    start();
    const struct {
        const char* button;
        const char* sheet;
        Page page;
    } buttons[] = {{"btnYear", "tsYearjishi", Page::Yearly},
                   {"btnYiban", "tsJiShi", Page::General},
                   {"btnRili", "tsRili", Page::Calendar},
                   {"btnMonth", "tsTaiLi", Page::Desk},
                   {"btnYiban", "tsJiShi", Page::General}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.button);
        form->monthPicker()->SetDateTime(at(2015, 3, 3));
        form->state().lastEdit = {3, 4, 7, notes::EditBoxKind::DeskCell};
        click(QLatin1String(b.button));
        EXPECT_EQ(page(), QLatin1String(b.sheet));
        EXPECT_EQ(form->shownDate(), QDate(2011, 6, 30));
        const SidePanel s = SidePanelRule(b.page);
        EXPECT_EQ(form->monthPicker()->isVisible(), s.picker);
        EXPECT_EQ(child(QStringLiteral("Panel2"))->isVisible(), s.memo);
        EXPECT_EQ(child(QStringLiteral("pnlRijishi"))->isVisible(), s.daySchedule);
        EXPECT_EQ(child(QStringLiteral("ccbFont"))->isVisible(), s.fontBoxes);
        EXPECT_EQ(child(QStringLiteral("cbbFontSize"))->isVisible(), s.fontBoxes);
        EXPECT_TRUE(child(QStringLiteral("Panelweblink"))->isVisible());
        // The year and month buttons forget the last edit position.
        const bool cleared = b.page == Page::Yearly || b.page == Page::Desk;
        EXPECT_EQ(form->state().lastEdit.tabOrder, cleared ? 0 : 7);
        for (const char* other : {"btnYear", "btnMonth", "btnYiban", "btnRili"})
            EXPECT_EQ(child<PictureButton>(QLatin1String(other))->isActive(),
                      QLatin1String(other) == QLatin1String(b.button));
    }
}

TEST_F(MainWindowPages, TheButtonOfThePageOnViewDoesNothing) {
    start();
    for (const char* button : {"btnYear", "btnYiban", "btnRili"}) {
        SCOPED_TRACE(button);
        click(QLatin1String(button));
        form->monthPicker()->SetDateTime(at(2015, 3, 3));
        form->fullCalendar()->SetDateTime(at(2016, 4, 4));
        click(QLatin1String(button));
        EXPECT_EQ(form->fullCalendar()->Date(), QDate(2016, 4, 4));
        EXPECT_EQ(form->shownDate(), QDate(2015, 3, 3));
    }
}

TEST_F(MainWindowPages, LeavingTheDeskPageOnAnotherMonthFirstReloadsItForToday) {
    start();
    cell(8)->setFocus();
    QTest::keyClicks(cell(8), QStringLiteral("june"));
    form->monthPicker()->SetDateTime(at(2011, 9, 1));
    ASSERT_TRUE(cell(8)->toPlainText().isEmpty());
    click(QStringLiteral("btnYiban"));
    EXPECT_EQ(form->deskPage().grid()->displayDate().month(), 6);
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("june"));
    EXPECT_EQ(page(), QStringLiteral("tsJiShi"));
}

TEST_F(MainWindowPages, EveryPageLaysOutAtEachWindowSizeWhetherOnViewOrNot) {
    useScreen(QSize(1600, 1000));
    start();
    for (const SizeChoice& c : kSizeChoices) {
        SCOPED_TRACE(c.width);
        form->SetWindowSize(c.width, c.height);
        // The page control's sheets: the design's 1101 x 687 less what the
        // window lacks of the design size.
        const QSize sheet(c.width - 1327 + 1101, c.height - 829 + 687);
        for (Page p : {Page::Desk, Page::General, Page::Yearly, Page::Calendar})
            EXPECT_EQ(form->sheet(p)->size(), sheet);
        const auto year = notes::YearLayout(sheet);
        for (int m = 1; m <= 12; ++m)
            EXPECT_EQ(form->yearPage().box(m)->geometry(), year.boxes[size_t(m - 1)]) << m;
        const auto general = notes::GeneralLayout(sheet);
        const auto calendar = notes::CalendarLayout(sheet, form->fullCalendar()->width());
        for (int i = 1; i <= 42; ++i) {
            EXPECT_EQ(form->generalPage().box(i)->geometry(), general.boxes[size_t(i - 1)]) << i;
            EXPECT_EQ(form->calendarPage().box(i)->geometry(), calendar.boxes[size_t(i - 1)]) << i;
        }
        EXPECT_EQ(form->fullCalendar()->pos(), calendar.calendar);
        const auto desk = notes::DeskBoxLayout(form->deskPage().grid()->geometry());
        EXPECT_EQ(form->deskPage().grid()->size(), sheet);
        EXPECT_EQ(form->deskPage().box(42)->geometry(), desk[41]);
        // The side panel keeps the memo lines and the bottom-right button inside the window.
        EXPECT_LE(child(QStringLiteral("edt11"))->mapTo(form.get(), QPoint(0, 17)).y(), c.height);
        EXPECT_LE(child(QStringLiteral("btnUISize"))->geometry().bottom(), c.height);
    }
}

TEST_F(MainWindowPages, TheFontSizeReachesTheYearlyBoxesTheDayScheduleAndTheDeskCells) {
    start();
    auto* size = child<QComboBox>(QStringLiteral("cbbFontSize"));
    size->setCurrentIndex(4);
    form->ApplyFontSize();
    EXPECT_EQ(form->yearPage().box(12)->font().pointSize(), 14);
    EXPECT_EQ(form->daySchedule().box()->font().pointSize(), 14);
    EXPECT_EQ(cell(42)->font().pointSize(), 14);
}

TEST_F(MainWindowPages, TheSizeSettingsTickTheRememberedWidthAndApplyTheChoice) {
    EXPECT_EQ(SizeChoiceForWidth(1000), 0);
    EXPECT_EQ(SizeChoiceForWidth(1024), 0);
    EXPECT_EQ(SizeChoiceForWidth(1280), 1);
    EXPECT_EQ(SizeChoiceForWidth(1366), 2);
    EXPECT_EQ(SizeChoiceForWidth(1400), 3);

    pf.writeLines(QStringLiteral("DB3/form.ini"),
                  {QStringLiteral("1000"), QStringLiteral("700"), QStringLiteral("0"),
                   QStringLiteral("0"), QStringLiteral("0")});
    start();
    frmSet->show();
    EXPECT_EQ(frmSet->windowTitle(), QStringLiteral("窗体大小设置"));
    EXPECT_EQ(frmSet->size(), QSize(335, 308));
    EXPECT_TRUE(frmSet->choice(0)->isChecked());
    EXPECT_EQ(frmSet->choice(0)->text(), QStringLiteral("1024*768(默认)"));
    frmSet->choice(1)->setChecked(true);
    frmSet->findChild<QAbstractButton*>(QStringLiteral("btnSave"))->click();
    EXPECT_EQ(form->geometry(), QRect(43, -16, 1280, 770));
    EXPECT_EQ(form->sizeRecord().width, 1280);
    EXPECT_TRUE(frmSet->isVisible()); // stays open
    EXPECT_EQ(form->monthPicker()->pos(), form->frame().optionsLabel()->pos() - QPoint(250, 22));
    frmSet->hide();
    frmSet->show();
    EXPECT_TRUE(frmSet->choice(1)->isChecked());
}

TEST_F(MainWindowPages, EachPageReloadsItsNotesWhenTheMonthPickerTurns) {
    start();
    click(QStringLiteral("btnYiban"));
    auto* general = form->generalPage().box(3);
    general->setFocus();
    QTest::keyClicks(general, QStringLiteral("june"));
    form->monthPicker()->SetDateTime(at(2011, 7, 1));
    EXPECT_TRUE(general->text().isEmpty());
    form->monthPicker()->SetDateTime(at(2011, 6, 9));
    EXPECT_EQ(general->text(), QStringLiteral("june"));

    click(QStringLiteral("btnYear"));
    auto* march = form->yearPage().box(3);
    march->setFocus();
    QTest::keyClicks(march, QStringLiteral("2011"));
    form->monthPicker()->SetDateTime(at(2012, 3, 1));
    EXPECT_TRUE(march->toPlainText().isEmpty());
    form->monthPicker()->SetDateTime(at(2011, 1, 1));
    EXPECT_EQ(march->toPlainText(), QStringLiteral("2011"));

    click(QStringLiteral("btnRili"));
    auto* calendar = form->calendarPage().box(40);
    calendar->setFocus();
    QTest::keyClicks(calendar, QStringLiteral("always"));
    form->monthPicker()->SetDateTime(at(2015, 3, 1));
    form->fullCalendar()->SetDateTime(at(2016, 4, 4));
    EXPECT_EQ(calendar->text(), QStringLiteral("always"));
    // Back on the general page: today's month.
    click(QStringLiteral("btnYiban"));
    EXPECT_EQ(general->text(), QStringLiteral("june"));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(MainWindowPages, TheMemoListShowsItsStoredLinesFromTheStart) {
    start();
    click(QStringLiteral("btnRili"));
    auto* line = form->memoList().line(2);
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("call mum"));
    start(); // straight to the calendar page: no general or yearly load before it
    click(QStringLiteral("btnRili"));
    EXPECT_EQ(form->memoList().line(2)->text(), QStringLiteral("call mum"));
}

TEST_F(MainWindowPages, AFailedSaveShowsTheUnsavedSignUntilASaveSucceeds) {
    start();
    click(QStringLiteral("btnYiban"));
    auto* unsaved = child<QLabel>(QStringLiteral("lblUnsaved"));
    auto* box = form->generalPage().box(1);
    box->setFocus();
    dm->connection().exec("PRAGMA query_only = ON");
    QTest::keyClicks(box, QStringLiteral("a"));
    EXPECT_TRUE(unsaved->isVisible());
    EXPECT_TRUE(messages.messages().empty()); // a failed write of this page shows no box
    click(QStringLiteral("btnYear"));
    auto* month = form->yearPage().box(1);
    month->setFocus();
    QTest::keyClicks(month, QStringLiteral("b"));
    EXPECT_EQ(messages.messages().size(), 1u); // the yearly save's error reaches the report
    dm->connection().exec("PRAGMA query_only = OFF");
    QTest::keyClicks(month, QStringLiteral("c"));
    EXPECT_FALSE(unsaved->isVisible());
}

// Another program holding the notes file: typing goes on, the sign shows,
// the program will not end with the typing unwritten, and once the file is
// free the notes are written without another keystroke.
TEST_F(MainWindowPages, TypingWhileAnotherProgramHoldsTheFileGoesOnAndIsSavedLater) {
    start();
    auto* unsaved = child<QLabel>(QStringLiteral("lblUnsaved"));
    auto* box = form->deskPage().box(8);
    box->setFocus();
    auto lock = std::make_unique<test::ForeignLock>(pf.path(notes::TDM::relativePath()));
    QElapsedTimer t;
    t.start();
    QTest::keyClicks(box, QStringLiteral("typed while held"));
    EXPECT_LT(t.elapsed(), 4500); // each of 16 keys used to wait 1.5 s
    // The sign shows once the wait has lasted.
    for (int i = 0; i < 100 && !unsaved->isVisible(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    EXPECT_TRUE(unsaved->isVisible());
    EXPECT_TRUE(unsaved->toolTip().contains(QStringLiteral("另一个程序")));
    EXPECT_TRUE(messages.messages().empty());
    // The month shown again reads what was typed, not the file's older note.
    form->monthPicker()->SetDateTime(at(2011, 7, 1));
    form->monthPicker()->SetDateTime(at(2011, 6, 30));
    EXPECT_EQ(form->deskPage().box(8)->toPlainText(), QStringLiteral("typed while held"));

    Q_EMIT form->frame().closeClicked();
    EXPECT_EQ(ends, 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages().back().text.contains(QStringLiteral("还没有保存")));

    lock.reset();
    for (int i = 0; i < 100 && unsaved->isVisible(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    EXPECT_FALSE(unsaved->isVisible());
    EXPECT_TRUE(dm->notes().loadDeskMonth(QStringLiteral("20116"))[7].contains("typed while held"));
    Q_EMIT form->frame().closeClicked();
    EXPECT_EQ(ends, 1);
}

TEST_F(MainWindowPages, EveryPageHasStoredItsEditWhenTheProgramIsKilledRightAfter) {
    QProcess probe;
    probe.start(QStringLiteral(KUVANO_PROBE_DIR "/probe_keystroke"), {pf.path(QString())});
    ASSERT_TRUE(probe.waitForReadyRead(20000)) << probe.readAllStandardError().toStdString();
    ASSERT_TRUE(probe.readAllStandardOutput().startsWith("typed"));
    ::kill(pid_t(probe.processId()), SIGKILL);
    probe.waitForFinished(5000);

    notes::TDM after(pf.folder());
    const QDate today = QDate::currentDate();
    const QString month = QString::number(today.year()) + QString::number(today.month());
    const auto value = [&](const QString& statement, const QVariant& key) {
        sql::Statement st(after.connection(), statement);
        st.bind(1, key);
        return st.step() ? st.column(0) : QVariant();
    };
    EXPECT_TRUE(value(QStringLiteral("select Cell1 from TailiNew where YearMonth=?"), month)
                    .toByteArray()
                    .contains("d-note"));
    EXPECT_EQ(value(QStringLiteral("select Text1 from edtText where edtYearMonth=?"), month),
              QStringLiteral("g-note"));
    EXPECT_EQ(value(QStringLiteral("select Text1 from RiliJishi where edtYearMonth=?"),
                    QStringLiteral("rili2011")),
              QStringLiteral("c-note"));
    EXPECT_EQ(
        value(QStringLiteral("select Line1 from beiwanglu where memkey=?"), QStringLiteral("bwl")),
        QStringLiteral("m-note"));
    EXPECT_TRUE(value(QStringLiteral("select Month1 from YearJishi where year=?"), today.year())
                    .toByteArray()
                    .contains("y-note"));
}

TEST_F(MainWindowPages, SwitchingPagesLeavesTheFocusWithTheWindowNotInAMemoLine) {
    start();
    // From a box of the page, and from the tool strip and month picker that
    // the side panel rule hides.
    for (QWidget* focused : {static_cast<QWidget*>(cell(9)), child(QStringLiteral("ccbFont")),
                             static_cast<QWidget*>(form->monthPicker())}) {
        click(QStringLiteral("btnMonth"));
        click(QStringLiteral("btnYiban"));
        click(QStringLiteral("btnMonth"));
        focused->setFocus();
        click(QStringLiteral("btnYiban"));
        click(QStringLiteral("btnRili"));
        EXPECT_EQ(QApplication::focusWidget(), form.get()) << focused->objectName().toStdString();
        QTest::keyClicks(form.get(), QStringLiteral("typed"));
        for (int n = 1; n <= 11; ++n) EXPECT_TRUE(form->memoList().line(n)->text().isEmpty()) << n;
    }
    EXPECT_EQ(ends, 0);
}
