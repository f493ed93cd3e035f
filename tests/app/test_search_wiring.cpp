#include "app/MainCommands.h"
#include "app/MainSearch.h"
#include "calendarctl/JvTFMonths.h"
#include "lock/typing.h"
#include "main_fixture.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/NoteBox.h"
#include "store/search_index.h"
#include "support/search_notes.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

using namespace kuvano;
using namespace kuvano::test;
using app::Page;

namespace {

class SearchWiring : public MainFixture {
protected:
    app::MainSearch* search = nullptr;

    void startWithSearch() {
        start();
        search = new app::MainSearch(*form, *dm);
    }
    QLineEdit* field() {
        return search->window()->findChild<QLineEdit*>(QStringLiteral("edtSearch"));
    }
    QTreeWidget* list() {
        return search->window()->findChild<QTreeWidget*>(QStringLiteral("lvResults"));
    }
    // Opens the window as the user does, types, waits for the list, presses Enter.
    void findAndOpen(const QString& words, int expectHits = 1) {
        search->entry()->trigger();
        field()->clear();
        typeText(field(), words);
        QTest::keyClick(field(), Qt::Key_Return); // without waiting for the list
        ASSERT_EQ(list()->topLevelItemCount(), expectHits);
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(SearchWiring, MenuEntryAfterExportAndCtrlFAnywhere) {
    start();
    new app::MainCommands(*form, pf.folder(), *dm, nullptr);
    search = new app::MainSearch(*form, *dm); // as start-up makes them, in this order
    QStringList captions;
    for (QAction* a : form->frame().optionsMenu()->actions())
        if (!a->isSeparator()) captions.append(a->text());
    const qsizetype at = captions.indexOf(QStringLiteral("内容导出"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(captions.mid(at, 2),
              (QStringList{QStringLiteral("内容导出"), QStringLiteral("搜索笔记")}));
    EXPECT_TRUE(search->entry()->isEnabled());

    notes::NoteBox* cell = form->deskPage().box(12);
    cell->setFocus();
    QTest::keyClick(cell, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(search->window()->isVisible());
    EXPECT_EQ(search->window()->windowTitle(), QStringLiteral("搜索笔记"));
    EXPECT_TRUE(cell->toPlainText().isEmpty()) << "the shortcut types nothing into the note";
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(search->window()->isVisible());
    search->entry()->trigger(); // the menu entry
    EXPECT_TRUE(search->window()->isVisible());
}

TEST_F(SearchWiring, TheIndexIsBroughtUpToDateOnceTheWindowIsDrawn) {
    using State = notes::SearchIndexBuilder::State;
    // Made as start-up makes them: the search before the window is shown.
    dm = std::make_unique<notes::TDM>(pf.folder());
    form = std::make_unique<app::TMainForm>(pf.folder(), *dm);
    form->endProgram = [this] { ++ends; };
    search = new app::MainSearch(*form, *dm);
    form->show();
    EXPECT_EQ(dm->searchIndex()->buildStatus().state, State::Idle)
        << "reading every note waits for the first frame";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dm->searchIndex()->buildStatus().state == State::Ready; }, 10000));
}

TEST_F(SearchWiring, ANoteTypedInADeskCellIsFoundAndShownSelected) {
    startWithSearch();
    notes::NoteBox* cell = form->deskPage().box(10);
    cell->setFocus();
    typeText(cell, QStringLiteral("下午看牙医，带上医保卡"));
    form->setShownDate(QDate(2011, 2, 14)); // months later the user is elsewhere
    ASSERT_TRUE(cell->toPlainText().isEmpty());

    findAndOpen(QStringLiteral("牙医"));
    EXPECT_EQ(list()->topLevelItem(0)->text(1), QStringLiteral("2011-6-7")); // cell 10 of June 2011
    EXPECT_EQ(form->pageOnView(), Page::Desk);
    EXPECT_EQ(form->shownDate().month(), 6);
    EXPECT_EQ(form->focusWidget(), cell);
    EXPECT_EQ(cell->textCursor().selectedText(), QStringLiteral("牙医"));
    EXPECT_EQ(form->deskPage().grid()->selectedCell(), 9);
    EXPECT_EQ(form->state().lastEdit.selLength, 2);

    // An edit is found at once, and the old words no more.
    cell->selectAll();
    typeText(cell, QStringLiteral("改约到周五"));
    findAndOpen(QStringLiteral("周五"));
    field()->setText(QStringLiteral("牙医"));
    search->window()->Search();
    EXPECT_EQ(list()->topLevelItemCount(), 0);
}

TEST_F(SearchWiring, ADayScheduleTypedIsFoundFromAnotherPage) {
    startWithSearch();
    notes::DeskCalendarPage& desk = form->deskPage();
    desk.grid()->selectDate(QDate(2011, 6, 15));
    desk.JvTFMonths1Click();
    notes::NoteBox* memday = form->daySchedule().box();
    memday->setFocus();
    typeText(memday, QStringLiteral("交房租，找房东修热水器"));
    click(QStringLiteral("btnYear"));
    ASSERT_EQ(form->pageOnView(), Page::Yearly);

    findAndOpen(QStringLiteral("房东修"));
    EXPECT_EQ(list()->topLevelItem(0)->text(0), QStringLiteral("日安排"));
    EXPECT_EQ(form->pageOnView(), Page::Desk);
    EXPECT_EQ(desk.grid()->selectedDate(), QDate(2011, 6, 15));
    EXPECT_EQ(form->focusWidget(), memday);
    EXPECT_EQ(memday->textCursor().selectedText(), QStringLiteral("房东修"));
}

TEST_F(SearchWiring, NotesOfTheOtherPagesAreShownInTheirPageAndBox) {
    const struct {
        const NoteTable* table;
        const char16_t* key;
        int position;
        Page page;
        QDate shown;
        const char16_t* box;
    } cases[] = {
        {&kGeneralTable, u"20113", 5, Page::General, QDate(2011, 3, 1), u"Edit5"},
        {&kCalendarTable, u"rili2011", 42, Page::Calendar, QDate(2011, 6, 30), u"edtr42"},
        {&kYearTable, u"2009", 5, Page::Yearly, QDate(2009, 5, 1), u"redt5"},
        {&kMemoTable, u"bwl", 3, Page::General, QDate(2011, 6, 30), u"edt3"},
    };
    startWithSearch();
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.box).toStdString());
        click(QStringLiteral("btnMonth"));
        putNote(*dm, *c.table, QString::fromUtf16(c.key), c.position,
                QStringLiteral("记事%1 体检").arg(QString::fromUtf16(c.box)));
        findAndOpen(QStringLiteral("记事%1").arg(QString::fromUtf16(c.box)));
        EXPECT_EQ(form->pageOnView(), c.page);
        EXPECT_EQ(form->shownDate(), c.shown);
        ASSERT_NE(form->focusWidget(), nullptr);
        EXPECT_EQ(form->focusWidget()->objectName(), QString::fromUtf16(c.box));
    }
}
