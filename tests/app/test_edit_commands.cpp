#include "edit_tools_fixture.h"

#include <QClipboard>
#include <QKeySequence>

using namespace kuvano;
using kuvano::test::EditToolsFixture;

namespace {
QStringList captions(const QMenu* menu) {
    QStringList l;
    for (const QAction* a : menu->actions())
        l.append(a->isSeparator() ? QStringLiteral("-")
                                  : a->objectName() + QLatin1Char('=') + a->text());
    return l;
}
} // namespace

TEST_F(EditToolsFixture, BothMenusHoldTheirEntriesInOrderWithoutAccessKeys) {
    start();
    const QMenu* desk = form->editCommands().deskMenu();
    const QMenu* year = form->editCommands().yearMenu();
    EXPECT_EQ(desk->objectName(), QStringLiteral("pmDeskTopMonCal"));
    EXPECT_EQ(year->objectName(), QStringLiteral("pmYearjishi"));
    EXPECT_EQ(captions(desk),
              QStringList({QStringLiteral("N1=复制"), QStringLiteral("N2=粘贴"),
                           QStringLiteral("CtrlZ1=撤销(Ctrl+Z)"), QStringLiteral("N9=删除"),
                           QStringLiteral("N3=剪切"), QStringLiteral("V1=打V"),
                           QStringLiteral("X1=打X"), QStringLiteral("N6=添加表情")}));
    EXPECT_EQ(captions(year),
              QStringList({QStringLiteral("MenuItem1=复制"), QStringLiteral("MenuItem2=粘贴"),
                           QStringLiteral("MenuItem3=撤销(Ctrl+Z)"),
                           QStringLiteral("MenuItem4=删除"), QStringLiteral("MenuItem5=剪切"),
                           QStringLiteral("MenuItem6=打V"), QStringLiteral("MenuItem7=打X")}));
    const QMenu* blocks = desk->findChild<QAction*>(QStringLiteral("N6"))->menu();
    ASSERT_NE(blocks, nullptr);
    EXPECT_EQ(captions(blocks), QStringList({QStringLiteral("N14=1"), QStringLiteral("N21=2"),
                                             QStringLiteral("N31=3"), QStringLiteral("N41=4")}));
    // Each block entry shows a 16 x 16 swatch of its colour.
    const QColor colours[] = {QColor(0, 128, 128), QColor(255, 0, 255), QColor(0, 0, 255),
                              QColor(255, 0, 0)};
    for (int i = 0; i < 4; ++i) {
        const QIcon icon = blocks->actions()[i]->icon();
        ASSERT_FALSE(icon.isNull()) << i;
        EXPECT_EQ(icon.availableSizes().value(0), QSize(16, 16));
        EXPECT_EQ(icon.pixmap(16, 16).toImage().pixelColor(8, 8), colours[i]) << i;
    }
    // No entry has an access key, and no key runs one while its menu is closed.
    for (const QMenu* m : {desk, year, blocks})
        for (const QAction* a : m->actions()) {
            EXPECT_FALSE(a->text().contains(QLatin1Char('&'))) << a->text().toStdString();
            EXPECT_TRUE(QKeySequence::mnemonic(a->text()).isEmpty());
            EXPECT_TRUE(a->shortcut().isEmpty());
        }
}

TEST_F(EditToolsFixture, ARightClickRecordsThePlaceThenOpensTheBoxsOwnMenu) {
    start();
    struct Case {
        const char* page;
        QWidget* box;
        const char* menu;
        int tabOrder;
    };
    const Case cases[] = {
        {"btnMonth", cell(1), "pmDeskTopMonCal", 1},
        {"btnMonth", cell(42), "pmDeskTopMonCal", 42},
        {"btnMonth", memday(), "pmDeskTopMonCal", memday()->TabOrderNumber()},
        {"btnYear", month(1), "pmYearjishi", 6},
        {"btnYear", month(12), "pmYearjishi", 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString());
        click(QString::fromLatin1(c.page));
        focusAndType(c.box, QStringLiteral("abc"));
        static_cast<notes::NoteBox*>(c.box)->SetSelection(1, 2);
        form->state().lastEdit.clear();
        QMenu* menu = openMenu(c.box);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QString::fromLatin1(c.menu));
        menu->close();
        const notes::LastEditPosition& at = form->state().lastEdit;
        EXPECT_EQ(at.tabOrder, c.tabOrder);
        EXPECT_EQ(at.selStart, 1);
        EXPECT_EQ(at.selLength, 2);
        EXPECT_TRUE(c.box->hasFocus());
    }

    // The one-line boxes keep the edit box's usual menu, in Chinese, and it works.
    click(QStringLiteral("btnYiban"));
    for (auto* line : {form->generalPage().box(7), form->memoList().line(3)}) {
        SCOPED_TRACE(line->objectName().toStdString());
        focusAndType(line, QStringLiteral("ab"));
        QMenu* menu = openMenu(line);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QStringLiteral("pmLineEdit"));
        EXPECT_EQ(captions(menu),
                  QStringList(
                      {QStringLiteral("LineUndo=撤销(&U)"), QStringLiteral("-"),
                       QStringLiteral("LineCut=剪切(&T)"), QStringLiteral("LineCopy=复制(&C)"),
                       QStringLiteral("LinePaste=粘贴(&P)"), QStringLiteral("LineDelete=删除(&D)"),
                       QStringLiteral("-"), QStringLiteral("LineSelectAll=全选(&A)")}));
        choose(menu, QStringLiteral("LineSelectAll"));
        fromMenu(line, QStringLiteral("LineCut"));
        EXPECT_TRUE(line->text().isEmpty());
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ab"));
        fromMenu(line, QStringLiteral("LinePaste"));
        fromMenu(line, QStringLiteral("LinePaste"));
        EXPECT_EQ(line->text(), QStringLiteral("abab"));
    }
}

TEST_F(EditToolsFixture, MarksFromTheDeskMenuGoIntoTheFocusedBoxAndAreStoredAtOnce) {
    start();
    focusAndType(cell(8), QStringLiteral("abcd"));
    cell(8)->SetSelection(1, 2); // "bc" is replaced
    fromMenu(cell(8), QStringLiteral("V1"));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("a√d"));
    EXPECT_EQ(cell(8)->SelStart(), 2); // the caret after the mark
    EXPECT_EQ(cell(8)->SelLength(), 0);
    fromMenu(cell(8), QStringLiteral("X1"));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("a√×d"));

    // With the focus in the day schedule, the same menu marks the schedule.
    focusAndType(memday(), QStringLiteral("day"));
    fromMenu(memday(), QStringLiteral("X1"));
    EXPECT_EQ(memday()->toPlainText(), QStringLiteral("day×"));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("a√×d"));
    EXPECT_TRUE(memday()->hasFocus());

    start(); // what was stored
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("a√×d"));
    clickAt(cell(8)->viewport(), Qt::LeftButton); // the day the schedule was for
    EXPECT_EQ(memday()->toPlainText(), QStringLiteral("day×"));
}

TEST_F(EditToolsFixture, TheMarkButtonsMarkTheFocusedBoxOfThePageOnViewAndLeaveTheFocusThere) {
    start();
    struct Case {
        const char* page;
        std::function<QWidget*()> box;
        std::function<QString(QWidget*)> text;
    };
    auto rich = [](QWidget* w) { return static_cast<notes::NoteBox*>(w)->toPlainText(); };
    auto line = [](QWidget* w) { return static_cast<notes::LineBox*>(w)->text(); };
    const Case cases[] = {
        {"btnMonth", [&] { return cell(30); }, rich},
        {"btnMonth", [&] { return memday(); }, rich},
        {"btnYear", [&] { return month(4); }, rich},
        {"btnYiban", [&] { return form->generalPage().box(9); }, line},
        {"btnRili", [&] { return form->calendarPage().box(40); }, line},
    };
    for (const Case& c : cases) {
        QWidget* box = c.box();
        SCOPED_TRACE(box->objectName().toStdString());
        click(QString::fromLatin1(c.page));
        focusAndType(box, QStringLiteral("ok"));
        press(QStringLiteral("btn3"));
        press(QStringLiteral("btn4"));
        EXPECT_EQ(c.text(box), QStringLiteral("ok√×"));
        EXPECT_TRUE(box->hasFocus());
    }
    // Each page stored its marks through its own change handler.
    start();
    for (const Case& c : cases) {
        click(QString::fromLatin1(c.page));
        EXPECT_EQ(c.text(c.box()), QStringLiteral("ok√×")) << c.box()->objectName().toStdString();
    }

    // A tick in an empty general cell is stored at once.
    click(QStringLiteral("btnYiban"));
    form->generalPage().box(12)->setFocus();
    press(QStringLiteral("btn3"));
    EXPECT_EQ(stored(QStringLiteral("edtText"), QStringLiteral("20116"), 12), QStringLiteral("√"));
}

TEST_F(EditToolsFixture, NoFocusedTargetMeansNoChange) {
    start();
    auto allTexts = [&] {
        QStringList l;
        for (int n = 1; n <= 42; ++n)
            l << cell(n)->toPlainText() << form->generalPage().box(n)->text()
              << form->calendarPage().box(n)->text();
        for (int m = 1; m <= 12; ++m) l << month(m)->toPlainText();
        for (int n = 1; n <= 11; ++n) l << form->memoList().line(n)->text();
        return l << memday()->toPlainText();
    };
    // A memo line is never a target.
    click(QStringLiteral("btnYiban"));
    focusAndType(form->memoList().line(2), QStringLiteral("memo"));
    QStringList before = allTexts();
    press(QStringLiteral("btn3"));
    press(QStringLiteral("btn4"));
    EXPECT_EQ(allTexts(), before);

    // Nothing focused.
    click(QStringLiteral("btnMonth"));
    form->setFocus();
    QApplication::processEvents();
    before = allTexts();
    press(QStringLiteral("btn3"));
    for (const char* entry : {"V1", "X1", "N2", "N14"})
        form->editCommands().deskMenu()->findChild<QAction*>(QLatin1String(entry))->trigger();
    form->editCommands().yearMenu()->findChild<QAction*>(QStringLiteral("MenuItem6"))->trigger();
    EXPECT_EQ(allTexts(), before);

    // Each menu acts on its own boxes only.
    focusAndType(cell(3), QStringLiteral("c"));
    form->editCommands().yearMenu()->findChild<QAction*>(QStringLiteral("MenuItem7"))->trigger();
    EXPECT_EQ(cell(3)->toPlainText(), QStringLiteral("c"));
}

TEST_F(EditToolsFixture, ClipboardCommandsOfBothMenusWorkOnTheFocusedBox) {
    start();
    struct Case {
        const char* page;
        std::function<notes::NoteBox*(int)> box;
        const char *copy, *paste, *del, *cut;
    };
    const Case cases[] = {
        {"btnMonth", [&](int i) { return cell(i); }, "N1", "N2", "N9", "N3"},
        {"btnYear", [&](int i) { return month(i); }, "MenuItem1", "MenuItem2", "MenuItem4",
         "MenuItem5"},
    };
    QClipboard* clipboard = QApplication::clipboard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        click(QString::fromLatin1(c.page));
        notes::NoteBox* a = c.box(3);
        notes::NoteBox* b = c.box(4);
        focusAndType(a, QStringLiteral("hello world"));
        a->SetSelection(6, 5);
        fromMenu(a, QLatin1String(c.cut));
        EXPECT_EQ(a->toPlainText(), QStringLiteral("hello "));
        EXPECT_EQ(clipboard->text(), QStringLiteral("world"));

        clickAt(b->viewport(), Qt::LeftButton);
        fromMenu(b, QLatin1String(c.paste));
        EXPECT_EQ(b->toPlainText(), QStringLiteral("world"));
        EXPECT_EQ(a->toPlainText(), QStringLiteral("hello "));

        b->SetSelection(0, 2);
        fromMenu(b, QLatin1String(c.copy));
        EXPECT_EQ(clipboard->text(), QStringLiteral("wo"));
        EXPECT_EQ(b->toPlainText(), QStringLiteral("world"));
        fromMenu(b, QLatin1String(c.del));
        EXPECT_EQ(b->toPlainText(), QStringLiteral("rld"));
        b->SetSelection(1, 0);
        fromMenu(b, QLatin1String(c.del)); // nothing selected: nothing deleted
        EXPECT_EQ(b->toPlainText(), QStringLiteral("rld"));
    }
    start(); // the desk cells stored every change
    EXPECT_EQ(cell(3)->toPlainText(), QStringLiteral("hello "));
    EXPECT_EQ(cell(4)->toPlainText(), QStringLiteral("rld"));
}

TEST_F(EditToolsFixture, UndoTakesBackOnlyTheLastEditOfTheFocusedBoxAndStoresIt) {
    start();
    focusAndType(cell(8), QStringLiteral("abc"));
    fromMenu(cell(8), QStringLiteral("V1"));
    focusAndType(cell(9), QStringLiteral("xyz"));
    clickAt(cell(8)->viewport(), Qt::LeftButton);
    fromMenu(cell(8), QStringLiteral("CtrlZ1"));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("abc"));
    EXPECT_EQ(cell(9)->toPlainText(), QStringLiteral("xyz"));

    // A recolour is one edit: one undo takes all of it back.
    clickAt(cell(9)->viewport(), Qt::LeftButton);
    cell(9)->SetSelection(0, 3);
    {
        test::ColorDialogAnswerer red(QColor(255, 0, 0));
        clickAt(child(QStringLiteral("img4")), Qt::LeftButton);
    }
    ASSERT_EQ(formatAt(cell(9), 1).foreground().color(), QColor(255, 0, 0));
    fromMenu(cell(9), QStringLiteral("CtrlZ1"));
    EXPECT_NE(formatAt(cell(9), 1).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(cell(9)->toPlainText(), QStringLiteral("xyz"));

    // The day schedule and the month boxes undo alike.
    focusAndType(memday(), QStringLiteral("d"));
    fromMenu(memday(), QStringLiteral("X1"));
    fromMenu(memday(), QStringLiteral("CtrlZ1"));
    EXPECT_EQ(memday()->toPlainText(), QStringLiteral("d"));
    start();
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("abc"));
    clickAt(cell(9)->viewport(), Qt::LeftButton);
    EXPECT_EQ(memday()->toPlainText(), QStringLiteral("d"));

    // Loading a month is no edit: undo never brings another month's note back.
    focusAndType(cell(8), QStringLiteral("!"));
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 7, 1), QTime(0, 0)));
    clickAt(cell(8)->viewport(), Qt::LeftButton);
    fromMenu(cell(8), QStringLiteral("CtrlZ1"));
    EXPECT_TRUE(cell(8)->toPlainText().isEmpty());
    form->monthPicker()->SetDateTime(QDateTime(QDate(2011, 6, 1), QTime(0, 0)));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("!abc"));
    clickAt(cell(8)->viewport(), Qt::LeftButton);
    fromMenu(cell(8), QStringLiteral("CtrlZ1"));
    EXPECT_EQ(cell(8)->toPlainText(), QStringLiteral("!abc"));
}
