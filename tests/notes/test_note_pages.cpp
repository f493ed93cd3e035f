#include "pages_fixture.h"

#include <functional>

#include <QTextCursor>

using namespace kuvano;
using namespace kuvano::notes;
using kuvano::test::PagesFixture;

namespace {
const QString kTexts = QStringLiteral("edtText");
const QString kColors = QStringLiteral("edtTextColor");
const QString kMonthKey = QStringLiteral("edtYearMonth");
const QString kNoRow = QStringLiteral("<no row>");
} // namespace

// ---- general notes ---------------------------------------------------------

TEST_F(PagesFixture, ANeverEditedMonthIsEmptyAndBlackAndItsFirstKeystrokeWritesBothRowsWhole) {
    start();
    fill(s->general->box(7), QStringLiteral("left over"), s->state.saving.general);
    s->general->box(7)->SetFontColor(255);
    const int before = changes();
    s->general->LoadGeneralNotes();
    EXPECT_EQ(changes(), before); // loading writes nothing
    for (int i = 1; i <= 42; ++i) {
        EXPECT_TRUE(s->general->box(i)->text().isEmpty()) << i;
        EXPECT_EQ(s->general->box(i)->FontColor(), 0) << i;
    }
    EXPECT_EQ(rows(kTexts) + rows(kColors), 0);

    type(s->general->box(5), QStringLiteral("a"));
    EXPECT_EQ(rows(kTexts), 1);
    EXPECT_EQ(rows(kColors), 1);
    EXPECT_EQ(stored(kTexts, kMonthKey, QStringLiteral("20111"), 5).toString(),
              QStringLiteral("a"));
    for (int i = 1; i <= 42; ++i) {
        const QVariant text = stored(kTexts, kMonthKey, QStringLiteral("20111"), i);
        const QVariant color = stored(kColors, kMonthKey, QStringLiteral("20111"), i);
        EXPECT_TRUE(text.isValid()) << i; // an empty cell as an empty text, not as null
        EXPECT_TRUE(color.isValid()) << i;
        EXPECT_EQ(color.toInt(), 0) << i;
    }
    EXPECT_EQ(s->failures, 0);
}

TEST_F(PagesFixture, MonthKeysOfOneAndTwoDigitMonthsAreDifferentRows) {
    const struct {
        QDate date;
        const char* key;
    } months[] = {{QDate(2011, 1, 9), "20111"},
                  {QDate(2011, 11, 9), "201111"},
                  {QDate(2010, 1, 9), "20101"},
                  {QDate(2010, 10, 9), "201010"}};
    start();
    for (const auto& m : months) {
        s->state.shownDate = m.date;
        s->general->LoadGeneralNotes();
        type(s->general->box(1), QLatin1String(m.key));
    }
    EXPECT_EQ(rows(kTexts), 4);
    start();
    for (const auto& m : months) {
        EXPECT_EQ(stored(kTexts, kMonthKey, QLatin1String(m.key), 1).toString(),
                  QLatin1String(m.key));
        s->state.shownDate = m.date;
        s->general->LoadGeneralNotes();
        EXPECT_EQ(s->general->box(1)->text(), QLatin1String(m.key));
    }
}

TEST_F(PagesFixture, EmptyingACellKeepsItsColourUntilTheNextChange) {
    start();
    s->general->LoadGeneralNotes();
    s->general->box(3)->SetFontColor(255);
    type(s->general->box(3), QStringLiteral("red"));
    clear(s->general->box(3));
    s->general->box(4)->setFocus(); // leaving saves again
    EXPECT_EQ(stored(kTexts, kMonthKey, QStringLiteral("20111"), 3).toString(), QString());
    EXPECT_EQ(stored(kColors, kMonthKey, QStringLiteral("20111"), 3).toInt(), 255);
}

TEST_F(PagesFixture, AMonthWithOnlyOneOfItsTwoRowsLoadsWhatThereIsAndTheNextSaveMakesTheOther) {
    start();
    exec("insert into edtText(edtYearMonth, Text1) values('20111', 'hello')");
    exec("insert into edtTextColor(edtYearMonth, Color2) values('20112', 255)");
    s->general->box(1)->SetFontColor(255);
    s->general->LoadGeneralNotes();
    EXPECT_EQ(s->general->box(1)->text(), QStringLiteral("hello"));
    EXPECT_EQ(s->general->box(1)->FontColor(), 0);
    type(s->general->box(1), QStringLiteral("!"));
    EXPECT_EQ(stored(kColors, kMonthKey, QStringLiteral("20111"), 1).toInt(), 0);
    EXPECT_EQ(rows(kTexts), 1);

    s->state.shownDate = QDate(2011, 2, 1);
    s->general->LoadGeneralNotes();
    EXPECT_TRUE(s->general->box(2)->text().isEmpty());
    EXPECT_EQ(s->general->box(2)->FontColor(), 255);
    EXPECT_EQ(s->general->box(3)->FontColor(), 0); // a null colour reads as black
    type(s->general->box(2), QStringLiteral("x"));
    EXPECT_EQ(stored(kTexts, kMonthKey, QStringLiteral("20112"), 2).toString(),
              QStringLiteral("x"));
    EXPECT_EQ(rows(kColors), 2);
}

TEST_F(PagesFixture, TextsAndColoursAreStoredTogetherOrNotAtAll) {
    start();
    s->general->LoadGeneralNotes();
    exec("create trigger no_colours before insert on edtTextColor "
         "begin select raise(abort, 'disk full'); end");
    type(s->general->box(1), QStringLiteral("a"));
    EXPECT_EQ(rows(kTexts), 0); // the texts' row went back with the colours'
    EXPECT_EQ(s->failures, 1);
    EXPECT_EQ(reported(), 0); // a failed write shows only the unsaved sign
    exec("drop trigger no_colours");
    type(s->general->box(1), QStringLiteral("b"));
    EXPECT_EQ(stored(kTexts, kMonthKey, QStringLiteral("20111"), 1).toString(),
              QStringLiteral("ab"));
    EXPECT_EQ(rows(kColors), 1);
}

// ---- calendar notes --------------------------------------------------------

TEST_F(PagesFixture, CalendarNotesKeepOneRowWhateverTheDate) {
    start();
    s->calendar->LoadCalendarNotes();
    type(s->calendar->box(7), QStringLiteral("birthdays"));
    EXPECT_EQ(
        stored(QStringLiteral("RiliJishi"), kMonthKey, QStringLiteral("rili2011"), 7).toString(),
        QStringLiteral("birthdays"));
    EXPECT_EQ(rows(QStringLiteral("RiliColor")), 1);
    for (const QDate& d : {QDate(1999, 3, 1), QDate(2031, 12, 31)}) {
        s->state.shownDate = d;
        s->calendar->LoadCalendarNotes();
        EXPECT_EQ(s->calendar->box(7)->text(), QStringLiteral("birthdays"));
    }
    EXPECT_EQ(rows(QStringLiteral("RiliJishi")), 1);
}

TEST_F(PagesFixture, AnEmptiedCalendarCellTurnsBlackWhenLeftNotBefore) {
    start();
    s->calendar->LoadCalendarNotes();
    s->calendar->box(2)->SetFontColor(16711680);
    type(s->calendar->box(2), QStringLiteral("blue"));
    clear(s->calendar->box(2));
    const QString key = QStringLiteral("rili2011");
    EXPECT_EQ(stored(QStringLiteral("RiliColor"), kMonthKey, key, 2).toInt(), 16711680);
    s->calendar->box(3)->setFocus();
    EXPECT_EQ(s->calendar->box(2)->FontColor(), 0);
    EXPECT_EQ(stored(QStringLiteral("RiliColor"), kMonthKey, key, 2).toInt(), 0);
    // A cell left with its text keeps its colour.
    s->calendar->box(3)->SetFontColor(255);
    type(s->calendar->box(3), QStringLiteral("x"));
    s->calendar->box(4)->setFocus();
    EXPECT_EQ(stored(QStringLiteral("RiliColor"), kMonthKey, key, 3).toInt(), 255);
}

// ---- yearly notes ----------------------------------------------------------

TEST_F(PagesFixture, YearlyNotesComeBackExactlyAndEveryKeystrokeRewritesAllTwelve) {
    start();
    s->year->LoadYearNotes();
    NoteBox* march = s->year->box(3);
    type(march, QStringLiteral("plain "));
    march->SetSelColor(QColor(255, 0, 0));
    march->SetSelFontSize(14);
    march->SetSelFontName(QStringLiteral("黑体"));
    QTest::keyClicks(march, QStringLiteral("red big"));
    type(s->year->box(12), QStringLiteral("dec"));
    const QByteArray marchRtf = march->SaveToStream();
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(
            stored(QStringLiteral("YearJishi"), QStringLiteral("year"), 2011, m).toByteArray(),
            s->year->box(m)->SaveToStream())
            << m;

    // Typing into December rewrites January too.
    exec("update YearJishi set Month1 = 'junk'");
    type(s->year->box(12), QStringLiteral("!"));
    EXPECT_EQ(stored(QStringLiteral("YearJishi"), QStringLiteral("year"), 2011, 1).toByteArray(),
              s->year->box(1)->SaveToStream());

    start();
    s->year->LoadYearNotes();
    EXPECT_EQ(s->year->box(3)->SaveToStream(), marchRtf);
    QTextCursor c(s->year->box(3)->document());
    c.setPosition(QStringLiteral("plain r").size());
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(c.charFormat().fontPointSize(), 14);
    EXPECT_EQ(s->year->box(12)->toPlainText(), QStringLiteral("dec!"));
}

TEST_F(PagesFixture, AYearWithoutARowShowsEmptyBoxesAndItsFirstSaveMakesTheRowWithItsYear) {
    start(QDate(2012, 5, 1));
    {
        SaveSwitchOff off(s->state.saving.yearly);
        s->year->box(4)->setPlainText(QStringLiteral("stale"));
    }
    s->year->LoadYearNotes();
    for (int m = 1; m <= 12; ++m) EXPECT_TRUE(s->year->box(m)->toPlainText().isEmpty()) << m;
    EXPECT_EQ(rows(QStringLiteral("YearJishi")), 0);
    type(s->year->box(4), QStringLiteral("ab"));
    EXPECT_EQ(rows(QStringLiteral("YearJishi")), 1);
    EXPECT_NE(stored(QStringLiteral("YearJishi"), QStringLiteral("year"), 2012, 0), kNoRow);
    start(QDate(2012, 8, 8));
    s->year->LoadYearNotes();
    EXPECT_EQ(s->year->box(4)->toPlainText(), QStringLiteral("ab"));
}

TEST_F(PagesFixture, MonthBoxesHaveTabOrdersSixToSeventeenAndRecordLeftAndRightReleases) {
    start();
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(s->year->box(m)->TabOrderNumber(), m + 5);
        EXPECT_EQ(s->year->BoxByTabOrder(m + 5), s->year->box(m));
    }
    NoteBox* b = s->year->box(2);
    b->setPlainText(QStringLiteral("hello world"));
    b->SetSelection(6, 5);
    s->year->redt1MouseUp(b, Qt::MiddleButton);
    EXPECT_EQ(s->state.lastEdit.tabOrder, 0);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        s->state.lastEdit.clear();
        s->year->redt1MouseUp(b, button);
        EXPECT_EQ(s->state.lastEdit.selStart, 6);
        EXPECT_EQ(s->state.lastEdit.selLength, 5);
        EXPECT_EQ(s->state.lastEdit.tabOrder, 7);
        EXPECT_EQ(s->state.lastEdit.kind, EditBoxKind::DeskCell);
    }
}

// ---- memo list -------------------------------------------------------------

TEST_F(PagesFixture, WithoutAMemoRowTheListIsEmptyAndTheFirstLineTypedMakesTheRow) {
    start();
    exec("delete from beiwanglu");
    s->memo->line(4)->setText(QStringLiteral("stale"));
    s->memo->LoadMemoList();
    for (int n = 1; n <= 11; ++n) EXPECT_TRUE(s->memo->line(n)->text().isEmpty()) << n;
    type(s->memo->line(4), QStringLiteral("milk"));
    EXPECT_EQ(s->memo->CurrentLine(), 4);
    EXPECT_EQ(rows(QStringLiteral("beiwanglu")), 1);
    EXPECT_EQ(
        stored(QStringLiteral("beiwanglu"), QStringLiteral("memkey"), QStringLiteral("bwl"), 4)
            .toString(),
        QStringLiteral("milk"));
    clear(s->memo->line(4));
    const QVariant emptied =
        stored(QStringLiteral("beiwanglu"), QStringLiteral("memkey"), QStringLiteral("bwl"), 4);
    EXPECT_TRUE(emptied.isValid()); // stored as an empty text
    EXPECT_EQ(emptied.toString(), QString());
    start();
    type(s->memo->line(9), QStringLiteral("eggs"));
    s->memo->LoadMemoList();
    EXPECT_EQ(s->memo->line(9)->text(), QStringLiteral("eggs"));
    EXPECT_EQ(rows(QStringLiteral("beiwanglu")), 1);
}

TEST_F(PagesFixture, AMemoLineIsWrittenOnlyWhenItHasTheFocusAndDiffers) {
    start();
    s->memo->LoadMemoList();
    // Counts the writes of the memo row alone (the search index's own
    // changes ride in the same statements).
    exec("CREATE TEMP TABLE memo_writes(n); CREATE TEMP TRIGGER count_memo AFTER UPDATE ON "
         "main.beiwanglu BEGIN INSERT INTO memo_writes VALUES(1); END");
    auto writes = [this] {
        sql::Statement st(s->dm->connection(), QStringLiteral("select count(*) from memo_writes"));
        st.step();
        return st.column(0).toInt();
    };
    s->memo->line(2)->setText(QStringLiteral("not typed")); // no focus: nothing written
    EXPECT_EQ(writes(), 0);
    s->memo->line(3)->setFocus();
    EXPECT_EQ(writes(), 0);
    for (int k = 1; k <= 3; ++k) {
        QTest::keyClick(s->memo->line(3), Qt::Key_A);
        EXPECT_EQ(writes(), k) << k; // one write a keystroke
    }
    s->memo->line(5)->setFocus(); // leaving an unchanged line writes nothing more
    EXPECT_EQ(writes(), 3);
}

// ---- every page ------------------------------------------------------------

TEST_F(PagesFixture, LoadingAPageNeverWrites) {
    start();
    s->general->LoadGeneralNotes();
    s->calendar->LoadCalendarNotes();
    s->year->LoadYearNotes();
    type(s->general->box(1), QStringLiteral("g"));
    type(s->calendar->box(1), QStringLiteral("c"));
    type(s->year->box(1), QStringLiteral("y"));
    type(s->memo->line(1), QStringLiteral("m"));
    s->window->setFocus();
    start();
    const int before = changes();
    s->general->LoadGeneralNotes(); // with the memo list
    s->calendar->LoadCalendarNotes();
    s->year->LoadYearNotes(); // with the memo list
    EXPECT_EQ(changes(), before);
    EXPECT_EQ(s->general->box(1)->text(), QStringLiteral("g"));
    EXPECT_EQ(s->memo->line(1)->text(), QStringLiteral("m"));
}

TEST_F(PagesFixture, OnAReadOnlyDatabaseEverySaveEndsWithTheUnsavedSign) {
    start();
    s->general->LoadGeneralNotes();
    s->calendar->LoadCalendarNotes();
    s->year->LoadYearNotes();
    exec("PRAGMA query_only = ON"); // every write fails as on a read-only file
    // Each keystroke's save ends (none tries again and again), shows the
    // unsaved sign, and reaches the error report only where the page says so.
    const auto attempt = [&](QWidget* box, int reports) {
        box->setFocus();
        QApplication::processEvents();
        const int failures = s->failures;
        const qsizetype before = reported();
        QTest::keyClicks(box, QStringLiteral("x"));
        EXPECT_EQ(s->failures, failures + 1) << box->objectName().toStdString();
        EXPECT_EQ(reported() - before, reports) << box->objectName().toStdString();
    };
    attempt(s->general->box(1), 0);
    attempt(s->calendar->box(1), 0);
    attempt(s->year->box(1), 1);
    attempt(s->memo->line(1), 0);
    const qsizetype before = reported();
    s->memo->line(2)->setFocus(); // leaving the memo line reports
    EXPECT_EQ(reported(), before + 1);
    // The boxes keep what was typed.
    EXPECT_EQ(s->general->box(1)->text(), QStringLiteral("x"));
    EXPECT_EQ(s->year->box(1)->toPlainText(), QStringLiteral("x"));
}

TEST_F(PagesFixture, ALongLineShowsItsStartAfterLoading) {
    const QString tail = QStringLiteral(" the end");
    const QString longLine = QString(300, QLatin1Char('x')) + tail;
    start();
    s->general->LoadGeneralNotes();
    s->calendar->LoadCalendarNotes();
    s->memo->LoadMemoList();
    const struct {
        const char* where;
        std::function<notes::LineBox*()> box;
        std::function<void()> load;
    } cases[] = {
        {"general", [this] { return s->general->box(3); },
         [this] { s->general->LoadGeneralNotes(); }},
        {"calendar", [this] { return s->calendar->box(3); },
         [this] { s->calendar->LoadCalendarNotes(); }},
        {"memo", [this] { return s->memo->line(3); }, [this] { s->memo->LoadMemoList(); }},
    };
    for (const auto& c : cases) type(c.box(), longLine);
    s->window->setFocus();
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        c.load();
        ASSERT_EQ(c.box()->text(), longLine);
        EXPECT_EQ(c.box()->cursorPosition(), 0);
    }
}
