#include "edit_tools_fixture.h"

using namespace kuvano;
using kuvano::test::ColorDialogAnswerer;
using kuvano::test::EditToolsFixture;

TEST_F(EditToolsFixture, AFontChosenAfterAClickIntoADeskCellAppliesTheShownSizeToo) {
    start();
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("11"));
    focusAndType(cell(5), QStringLiteral("hello world"));
    dragSelect(cell(5), 6, 11);
    ASSERT_EQ(form->state().lastEdit.tabOrder, 5);
    ASSERT_EQ(form->state().lastEdit.selLength, 5);
    pick(QStringLiteral("ccbFont"), QStringLiteral("黑体"));
    EXPECT_EQ(family(formatAt(cell(5), 7)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(cell(5), 7).fontPointSize(), 11);
    EXPECT_NE(family(formatAt(cell(5), 2)), QStringLiteral("黑体")); // "hello" untouched

    // The size box applies the name shown too, and sizes the whole box.
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("14"));
    EXPECT_EQ(formatAt(cell(5), 7).fontPointSize(), 14);
    EXPECT_EQ(family(formatAt(cell(5), 7)), QStringLiteral("黑体"));
    EXPECT_EQ(cell(5)->font().pointSize(), 14);

    start(); // the formatting was stored with the cell
    EXPECT_EQ(cell(5)->toPlainText(), QStringLiteral("hello world"));
    EXPECT_EQ(family(formatAt(cell(5), 7)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(cell(5), 7).fontPointSize(), 14);
}

TEST_F(EditToolsFixture, TheDayScheduleTakesEachChoiceOnItsOwn) {
    start();
    focusAndType(memday(), QStringLiteral("plan day"));
    dragSelect(memday(), 0, 4);
    ASSERT_EQ(form->state().lastEdit.kind, notes::EditBoxKind::DaySchedule);
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("13"));
    EXPECT_EQ(formatAt(memday(), 1).fontPointSize(), 13);
    EXPECT_EQ(memday()->font().pointSize(), 13);
    const QString before = family(formatAt(memday(), 1));
    pick(QStringLiteral("ccbFont"), QStringLiteral("黑体"));
    EXPECT_EQ(family(formatAt(memday(), 1)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(memday(), 1).fontPointSize(), 13);
    EXPECT_NE(before, QStringLiteral("黑体"));
    start();
    EXPECT_EQ(family(formatAt(memday(), 1)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(memday(), 1).fontPointSize(), 13);
}

TEST_F(EditToolsFixture, AfterAPageSwitchTheFontBoxesChangeNothingUntilAClick) {
    start();
    focusAndType(cell(6), QStringLiteral("text"));
    dragSelect(cell(6), 0, 4);
    click(QStringLiteral("btnYear"));
    click(QStringLiteral("btnMonth"));
    EXPECT_EQ(form->state().lastEdit.tabOrder, 0);
    const QByteArray stored = cell(6)->SaveToStream();
    pick(QStringLiteral("ccbFont"), QStringLiteral("黑体"));
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("14"));
    EXPECT_EQ(cell(6)->SaveToStream(), stored);
    for (int n = 1; n <= 42; ++n) EXPECT_NE(cell(n)->font().pointSize(), 14) << n;
    // The general page has no rich boxes: nothing there either.
    click(QStringLiteral("btnYiban"));
    form->state().lastEdit = {0, 4, 6, notes::EditBoxKind::DeskCell};
    form->formatTools().ccbFontSelect();
    form->formatTools().cbbFontSizeSelect();
    EXPECT_EQ(cell(6)->SaveToStream(), stored);
}

TEST_F(EditToolsFixture, TheColourPickerRecoloursTheFocusedRichBoxFromTheLastColour) {
    start();
    focusAndType(cell(12), QStringLiteral("red text"));
    cell(12)->SetSelection(0, 3);
    {
        ColorDialogAnswerer red(QColor(255, 0, 0));
        clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
        ASSERT_EQ(red.requests().size(), 1u);
        EXPECT_EQ(red.requests()[0].initial, QColor(Qt::black));
        EXPECT_TRUE(red.requests()[0].customColorsShown);
    }
    EXPECT_EQ(formatAt(cell(12), 1).foreground().color(), QColor(255, 0, 0));
    EXPECT_NE(formatAt(cell(12), 5).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(cell(12)->hasFocus());

    // Cancelled: nothing changes, and the next dialog still starts from red.
    cell(12)->SetSelection(4, 4);
    {
        ColorDialogAnswerer cancel{QColor()};
        clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
        ASSERT_EQ(cancel.requests().size(), 1u);
        EXPECT_EQ(cancel.requests()[0].initial, QColor(255, 0, 0));
    }
    EXPECT_NE(formatAt(cell(12), 5).foreground().color(), QColor(255, 0, 0));

    // The day schedule too, on the same page.
    focusAndType(memday(), QStringLiteral("green"));
    memday()->SetSelection(0, 5);
    {
        ColorDialogAnswerer green(QColor(0, 128, 0));
        clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
        EXPECT_EQ(green.requests().size(), 1u);
    }
    EXPECT_EQ(formatAt(memday(), 2).foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(form->formatTools().LastColor(), QColor(0, 128, 0));

    // No focused box of the page: no dialog.
    form->setFocus();
    QApplication::processEvents();
    {
        ColorDialogAnswerer none(QColor(0, 0, 255));
        clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
        EXPECT_TRUE(none.requests().empty());
    }

    start(); // both were stored by the boxes' own change handlers
    EXPECT_EQ(formatAt(cell(12), 1).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatAt(memday(), 2).foreground().color(), QColor(0, 128, 0));
}

TEST_F(EditToolsFixture, AOneLineCellIsRecolouredOnlyWithTextAndStoredAtOnceInItsColourRow) {
    start();
    const struct {
        const char* page;
        const char* colours;
        QString key;
    } pages[] = {{"btnYiban", "edtTextColor", QStringLiteral("20116")},
                 {"btnRili", "RiliColor", QStringLiteral("rili2011")}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.page);
        click(QString::fromLatin1(p.page));
        notes::LineBox* box = form->pageOnView() == app::Page::General
                                  ? form->generalPage().box(5)
                                  : form->calendarPage().box(5);
        box->setFocus();
        QApplication::processEvents();
        {
            ColorDialogAnswerer blue(QColor(0, 0, 255));
            clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
            EXPECT_TRUE(blue.requests().empty()); // an empty cell: no dialog
        }
        QTest::keyClicks(box, QStringLiteral("x"));
        {
            ColorDialogAnswerer blue(QColor(0, 0, 255));
            clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
            EXPECT_EQ(blue.requests().size(), 1u);
        }
        EXPECT_EQ(box->FontColor(), 0xFF0000);
        EXPECT_TRUE(box->hasFocus());
        const QString colours = QString::fromLatin1(p.colours);
        EXPECT_EQ(stored(colours, p.key, 5), QString::number(0xFF0000));
        EXPECT_EQ(stored(colours, p.key, 4), QStringLiteral("0"));
    }
}

TEST_F(EditToolsFixture, AMonthBoxWordTakesTheSizeThenTheNameEachOnItsOwn) {
    start();
    click(QStringLiteral("btnYear"));
    // Nothing is formatted before a click into a month box.
    focusAndType(month(3), QStringLiteral("one two"));
    const QByteArray untouched = month(3)->SaveToStream();
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("14"));
    EXPECT_EQ(month(3)->SaveToStream(), untouched);

    dragSelect(month(3), 4, 7);
    ASSERT_EQ(form->state().lastEdit.tabOrder, 8);
    pick(QStringLiteral("cbbFontSize"), QStringLiteral("12"));
    EXPECT_EQ(formatAt(month(3), 5).fontPointSize(), 12);
    EXPECT_EQ(month(3)->font().pointSize(), 12);
    EXPECT_NE(formatAt(month(3), 1).fontPointSize(), 12);
    pick(QStringLiteral("ccbFont"), QStringLiteral("黑体"));
    EXPECT_EQ(family(formatAt(month(3), 5)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(month(3), 5).fontPointSize(), 12);
    EXPECT_NE(family(formatAt(month(3), 1)), QStringLiteral("黑体"));

    start();
    click(QStringLiteral("btnYear"));
    EXPECT_EQ(month(3)->toPlainText(), QStringLiteral("one two"));
    EXPECT_EQ(family(formatAt(month(3), 5)), QStringLiteral("黑体"));
    EXPECT_EQ(formatAt(month(3), 5).fontPointSize(), 12);
}

TEST_F(EditToolsFixture, AColourBlockGoesIntoTheFocusedDeskCellInItsColour) {
    start();
    focusAndType(cell(10), QStringLiteral("ab"));
    cell(10)->SetSelection(1, 0);
    fromMenu(cell(10), QStringLiteral("N31"));
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("a█b"));
    EXPECT_EQ(formatAt(cell(10), 1).foreground().color(), QColor(0, 0, 255));
    EXPECT_NE(formatAt(cell(10), 2).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(cell(10)->SelStart(), 2);
    // A selection is replaced by the block.
    cell(10)->SetSelection(0, 1);
    fromMenu(cell(10), QStringLiteral("N14"));
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("██b"));
    EXPECT_EQ(formatAt(cell(10), 0).foreground().color(), QColor(0, 128, 128));

    // The day schedule shares the menu but takes no block.
    focusAndType(memday(), QStringLiteral("m"));
    fromMenu(memday(), QStringLiteral("N41"));
    EXPECT_EQ(memday()->toPlainText(), QStringLiteral("m"));

    start();
    EXPECT_EQ(cell(10)->toPlainText(), QStringLiteral("██b"));
    EXPECT_EQ(formatAt(cell(10), 0).foreground().color(), QColor(0, 128, 128));
    EXPECT_EQ(formatAt(cell(10), 1).foreground().color(), QColor(0, 0, 255));
}

// The size box sizes the whole box too; the rest of the text keeps that size
// across a restart, whether a word was selected or the click only placed the
// caret.
TEST_F(EditToolsFixture, AWholeBoxSizeIsStoredWithTheBox) {
    const struct { int cell, selected; } cases[] = {{7, 5}, {8, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        start();
        ASSERT_NE(cell(c.cell)->font().pointSize(), 13);
        focusAndType(cell(c.cell), QStringLiteral("hello world"));
        if (c.selected)
            dragSelect(cell(c.cell), 6, 11);
        else
            clickAt(surface(cell(c.cell)), Qt::LeftButton);
        ASSERT_EQ(form->state().lastEdit.tabOrder, c.cell);
        ASSERT_EQ(form->state().lastEdit.selLength, c.selected);
        pick(QStringLiteral("cbbFontSize"), QStringLiteral("13"));
        ASSERT_EQ(cell(c.cell)->font().pointSize(), 13);

        start();
        EXPECT_EQ(cell(c.cell)->toPlainText(), QStringLiteral("hello world"));
        EXPECT_EQ(formatAt(cell(c.cell), 2).fontPointSize(), 13); // the rest of the box
        EXPECT_EQ(formatAt(cell(c.cell), 8).fontPointSize(), 13);
    }
}
