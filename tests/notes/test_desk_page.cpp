#include "desk_fixture.h"
#include "notes/DeferredTail.h"
#include "store/sqlite_db.h"

#include <QLabel>
#include <QTextCursor>

using namespace kuvano;
using namespace kuvano::notes;
using kuvano::test::DeskFixture;

TEST(DeskLayout, FollowsTheGridArithmetic) {
    // W = 137, B = 76, rW = 3, rH = 1.
    const auto r = DeskBoxLayout(QRect(0, 0, 1000, 600));
    EXPECT_EQ(r[0], QRect(6, 45, 137, 72));
    EXPECT_EQ(r[1].left() - r[0].left(), 143);
    EXPECT_EQ(r[3].left() - r[2].left(), 143);
    EXPECT_EQ(r[4].left() - r[3].left(), 142);
    EXPECT_EQ(r[6].left() - r[5].left(), 142);
    for (int n = 1; n <= 42; ++n) {
        const int expected = n <= 21 ? 72 : n <= 35 ? 70 : 68;
        EXPECT_EQ(r[size_t(n - 1)].height(), expected) << n;
        EXPECT_EQ(r[size_t(n - 1)].width(), 137) << n;
        if (n > 7) {
            EXPECT_EQ(r[size_t(n - 1)].top() - r[size_t(n - 8)].top(), 97) << n;
            EXPECT_EQ(r[size_t(n - 1)].left(), r[size_t(n - 8)].left()) << n;
        }
    }
    // Even splits take the smaller offsets; the grid's place shifts every box.
    const auto even = DeskBoxLayout(QRect(10, 20, 1004, 605)); // rW = 0, rH = 0
    EXPECT_EQ(even[0].topLeft(), QPoint(15, 64));
    EXPECT_EQ(even[1].left() - even[0].left(), even[0].width() + 5);
}

TEST_F(DeskFixture, TypingInACellOfANewMonthCreatesOneRowAndComesBackAfterARestart) {
    start(QDate(2010, 5, 10));
    EXPECT_EQ(rows(QStringLiteral("TailiNew")), 0); // loading writes nothing
    type(cell(10), QStringLiteral("dentist 3pm"));
    EXPECT_EQ(s->saveFailures, 0);
    EXPECT_EQ(rows(QStringLiteral("TailiNew")), 1);
    EXPECT_EQ(s->state.currentCell, 10);
    EXPECT_TRUE(
        stored(QStringLiteral("TailiNew"), QStringLiteral("YearMonth"), QStringLiteral("20105"), 10)
            .startsWith(QStringLiteral("{\\rtf1")));
    for (int c = 1; c <= 42; ++c) {
        if (c == 10) continue;
        EXPECT_EQ(stored(QStringLiteral("TailiNew"), QStringLiteral("YearMonth"),
                         QStringLiteral("20105"), c),
                  QString())
            << c;
    }

    start(QDate(2010, 5, 10));
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("dentist 3pm"));
    EXPECT_TRUE(cell(9)->toPlainText().isEmpty());
    EXPECT_EQ(rows(QStringLiteral("TailiNew")), 1);
}

TEST_F(DeskFixture, ANoteBelongsToTheShownMonthNotToTheCellsDate) {
    start(QDate(2010, 5, 1));
    ASSERT_EQ(s->desk->grid()->dateOfCell(0), QDate(2010, 4, 25));
    type(cell(1), QStringLiteral("x"));
    EXPECT_NE(
        stored(QStringLiteral("TailiNew"), QStringLiteral("YearMonth"), QStringLiteral("20105"), 1),
        QStringLiteral("<no row>"));
    EXPECT_EQ(
        stored(QStringLiteral("TailiNew"), QStringLiteral("YearMonth"), QStringLiteral("20104"), 1),
        QStringLiteral("<no row>"));

    // April's grid has 25 April in cell 29, a different note.
    s->state.shownDate = QDate(2010, 4, 1);
    s->desk->ChnCalendar1Change();
    EXPECT_EQ(s->desk->grid()->cellOfDate(QDate(2010, 4, 25)), 28);
    EXPECT_TRUE(cell(29)->toPlainText().isEmpty());
    EXPECT_TRUE(cell(1)->toPlainText().isEmpty());
    s->state.shownDate = QDate(2010, 5, 20);
    s->desk->ChnCalendar1Change();
    EXPECT_EQ(cell(1)->toPlainText(), QStringLiteral("x"));
}

TEST_F(DeskFixture, EveryKeystrokeStoresTheWholeFormattedBox) {
    start();
    type(cell(3), QStringLiteral("ab"));
    QTextCursor c = cell(3)->textCursor();
    c.select(QTextCursor::Document);
    cell(3)->setTextCursor(c);
    cell(3)->SetSelColor(QColor(255, 0, 0)); // a format change is a change too
    type(cell(3), QStringLiteral("c"));
    start();
    EXPECT_EQ(cell(3)->toPlainText(), QStringLiteral("c"));
    EXPECT_EQ(
        cell(3)->document()->firstBlock().begin().fragment().charFormat().foreground().color(),
        QColor(255, 0, 0));
}

// Clicks go through the window, as the platform delivers them: that is where
// a right press turns into a context-menu request.
TEST_F(DeskFixture, LeftAndRightReleasesRecordTheEditPositionAndSelectTheCellsDay) {
    start(QDate(2010, 5, 10));
    type(cell(12), QStringLiteral("hello"));
    s->desk->grid()->selectDate(QDate(2010, 5, 6)); // cell 12's day
    s->desk->JvTFMonths1Click();
    type(s->day->box(), QStringLiteral("sixth"));
    QWindow* window = s->window->windowHandle();
    ASSERT_NE(window, nullptr);
    auto clickAt = [&](QWidget* box, Qt::MouseButton button) {
        QTest::mouseClick(window, button, {}, box->mapTo(s->window.get(), QPoint(5, 5)));
        QApplication::processEvents();
    };
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        SCOPED_TRACE(button == Qt::LeftButton ? "left" : "right");
        s->desk->grid()->selectDate(QDate(2010, 5, 20));
        s->desk->JvTFMonths1Click();
        s->state.lastEdit.clear();
        ASSERT_TRUE(s->day->box()->toPlainText().isEmpty());

        clickAt(cell(12)->viewport(), button);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr); // no menu of the text control
        EXPECT_EQ(s->state.lastEdit.tabOrder, 12);
        EXPECT_EQ(s->state.lastEdit.kind, EditBoxKind::DeskCell);
        EXPECT_EQ(s->desk->grid()->selectedCell(), 11);
        EXPECT_EQ(s->desk->grid()->selectedDate(), QDate(2010, 5, 6));
        EXPECT_EQ(s->day->box()->toPlainText(), QStringLiteral("sixth"));

        s->day->box()->SetSelection(1, 2);
        clickAt(s->day->box()->viewport(), button);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(s->state.lastEdit.kind, EditBoxKind::DaySchedule);
        EXPECT_EQ(s->state.lastEdit.tabOrder, s->day->box()->TabOrderNumber());
    }

    // A box given a pop-up menu opens it at a right release, after recording.
    QMenu menu;
    menu.addAction(QStringLiteral("复制"));
    cell(20)->SetPopupMenu(&menu);
    clickAt(cell(20)->viewport(), Qt::LeftButton);
    EXPECT_FALSE(menu.isVisible());
    s->state.lastEdit.clear();
    clickAt(cell(20)->viewport(), Qt::RightButton);
    EXPECT_EQ(s->state.lastEdit.tabOrder, 20);
    EXPECT_EQ(s->desk->grid()->selectedCell(), 19);
    EXPECT_TRUE(menu.isVisible());
    menu.close();

    // A release before the box's focus-in (an inactive window without a
    // window manager) selects the box released in, not the last one entered.
    s->state.currentCell = 42;
    QTest::mouseRelease(cell(5)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(s->desk->grid()->selectedCell(), 4);
    EXPECT_EQ(s->state.currentCell, 5);
}

TEST_F(DeskFixture, AnUnusableDatabaseGivesOneMessagePerFailedClickAndTheProgramGoesOn) {
    pf.writeBytes(TDM::relativePath(), QByteArray("no database, just some bytes"));
    test::MessageRecorder messages;
    QString loadError; // the month load's own error (the main window shows it at start-up)
    try {
        start(QDate(2010, 5, 10));
    } catch (const DbError& e) {
        loadError = e.message();
    }
    ASSERT_FALSE(loadError.isEmpty());
    auto shownOnce = [&] {
        QApplication::processEvents();
        const bool once =
            messages.messages().size() == 1 && messages.messages()[0].text == loadError;
        messages.clear();
        return once;
    };

    // A click into a desk cell: the day schedule's load fails.
    s->state.saving.desk = false;
    QTest::mouseClick(cell(12)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(shownOnce());
    EXPECT_TRUE(s->state.saving.desk); // on again after the failed load
    EXPECT_EQ(s->desk->grid()->selectedCell(), 11);

    // A click on the grid: the same load, the same single message.
    s->state.saving.desk = false;
    JvTFMonths* grid = s->desk->grid();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->stripRect(20).center());
    EXPECT_TRUE(shownOnce());
    EXPECT_TRUE(s->state.saving.desk);
    EXPECT_EQ(grid->selectedCell(), 20);

    // Typing still works in the boxes; its save failure is the unsaved sign, not a message.
    type(cell(12), QStringLiteral("x"));
    EXPECT_EQ(cell(12)->toPlainText(), QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(DeskFixture, ALockedDatabaseHoldsTheSaveBackAndLosesNothingOnceFree) {
    start();
    type(cell(5), QStringLiteral("a"));
    ASSERT_EQ(s->saveFailures, 0);
    {
        test::ForeignLock writer(pf.path(TDM::relativePath()));
        type(cell(5), QStringLiteral("b"));
        EXPECT_TRUE(s->dm->HasHeldSaves());
        EXPECT_EQ(cell(5)->toPlainText(), QStringLiteral("ab")); // the box keeps what was typed
    }
    type(cell(5), QStringLiteral("c")); // the held save goes first, then this one
    EXPECT_FALSE(s->dm->HasHeldSaves());
    EXPECT_EQ(s->saveFailures, 0);
    start();
    EXPECT_EQ(cell(5)->toPlainText(), QStringLiteral("abc"));
}

TEST_F(DeskFixture, SundayBoxesAreGrey) {
    start();
    for (int n = 1; n <= 42; ++n) {
        const QColor expected = (n - 1) % 7 == 0 ? QColor(0xEB, 0xEB, 0xEB) : QColor(Qt::white);
        EXPECT_EQ(cell(n)->BackgroundColor(), expected) << n;
        EXPECT_EQ(cell(n)->TabOrderNumber(), n);
    }
}

// A note of megabytes is laid out only as far as the box's cap, and says so:
// the month loads, and the cell takes and stores what is typed into it.
TEST_F(DeskFixture, AMonthWithANoteOfTenMegabytesLoadsAndTakesKeystrokes) {
    start();
    type(cell(10), QStringLiteral("x")); // the month's row
    s->window->setFocus(); // the cell's last save, before the note is put in its place
    QApplication::processEvents();
    // 230 000 short lines, 10 MB of RTF: a diary pasted whole into a cell.
    QByteArray huge = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset134 "
                      "\\'cb\\'ce\\'cc\\'e5;}}\\fs18 ";
    for (int line = 1; line <= 230000; ++line) // "N 日记日记日记日记", GBK
        huge += QByteArray::number(line) +
                " \\'c8\\'d5\\'bc\\'c7\\'c8\\'d5\\'bc\\'c7\\'c8\\'d5\\'bc\\'c7\\par\n";
    huge += "}";
    {
        sql::Statement st(s->dm->connection(),
                          QStringLiteral("update TailiNew set Cell10=? where YearMonth='20105'"));
        st.bind(1, huge);
        st.step();
    }
    start(); // loads the month with it
    notes::NoteBox* box = cell(10);

    ASSERT_GT(box->document()->characterCount(), notes::DeferredTail::kMostLaidOut);
    // A hang detector, not a measure: the key must be stored at all.
    const int before = box->document()->characterCount();
    box->setFocus();
    box->moveCursor(QTextCursor::Start);
    QTest::keyClicks(box, QStringLiteral("Q"));
    const auto storedNote = [&] {
        const auto row = test::firstRow(s->dm->connection(), QStringLiteral("TailiNew"),
                                        QStringLiteral("YearMonth"), QStringLiteral("20105"));
        return row ? test::bytesOf(row->at(10)) : QByteArray();
    };
    notes::NoteBox reread;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            reread.LoadFromStream(storedNote());
            return reread.toPlainText().startsWith(QLatin1Char('Q'));
        },
        120000));
    EXPECT_EQ(box->document()->characterCount(), before + 1);
    // Stored whole, the part not laid out with it.
    EXPECT_EQ(reread.toPlainText(), box->toPlainText());
    // Laid out only as far as the cap, and the cell says so.
    auto* tail = box->findChild<notes::DeferredTail*>();
    ASSERT_NE(tail, nullptr);
    EXPECT_TRUE(tail->capped());
    ASSERT_NE(tail->cappedSign(), nullptr);
    EXPECT_TRUE(tail->cappedSign()->isVisible());

    // Emptied, and so after a restart: no sign.
    box->ClearText();
    EXPECT_FALSE(tail->capped());
    EXPECT_FALSE(tail->cappedSign()->isVisible());
    start();
    EXPECT_TRUE(tail = cell(10)->findChild<notes::DeferredTail*>());
    EXPECT_FALSE(tail->capped());
}
