// The pages off view at start and the memo list are made after the first
// frame, or at their first use before it: either way they show as when the
// window made them at once.
#include "calendarctl/ChnCalendarPicker.h"
#include "main_fixture.h"
#include "notes/CalendarNotesPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/PageLayouts.h"
#include "notes/YearNotesPage.h"

#include <functional>

using namespace kuvano;
using namespace kuvano::app;
using kuvano::test::MainFixture;

class DeferredParts : public MainFixture {
protected:
    // As start-up makes the window, up to its showing: no event is handled yet.
    void makeWindow() {
        frmSet.reset();
        pwset.reset();
        form.reset();
        dm = std::make_unique<notes::TDM>(pf.folder());
        form = std::make_unique<TMainForm>(pf.folder(), *dm);
        form->endProgram = [this] { ++ends; };
        pwset = std::make_unique<lock::TpwsetFrm>(pf.folder(), form.get());
        frmSet = std::make_unique<TFrmSetFrm>(*form);
        form->setDialogs(pwset.get(), frmSet.get());
    }
    bool made() const { return form->findChild<QWidget*>(QStringLiteral("chnRili")) != nullptr; }
    void type(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClicks(box, text);
    }
};

TEST_F(DeferredParts, AreMadeAfterTheFirstFrameLaidOutAndLoaded) {
    start();
    type(form->memoList().line(2), QStringLiteral("call mum"));
    makeWindow();
    EXPECT_FALSE(made());
    EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("edt1")), nullptr);
    form->show();
    QTRY_VERIFY(made());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(form->memoList().line(2)->text(), QStringLiteral("call mum"));
    const QSize sheet = form->sheet(Page::General)->size();
    const auto general = notes::GeneralLayout(sheet);
    const auto year = notes::YearLayout(sheet);
    const auto calendar = notes::CalendarLayout(sheet, form->fullCalendar()->width());
    EXPECT_EQ(form->generalPage().box(42)->geometry(), general.boxes[41]);
    EXPECT_EQ(form->yearPage().box(12)->geometry(), year.boxes[11]);
    EXPECT_EQ(form->calendarPage().box(42)->geometry(), calendar.boxes[41]);
    EXPECT_EQ(form->fullCalendar()->pos(), calendar.calendar);
    const notes::SaveSwitches& s = form->state().saving;
    EXPECT_TRUE(s.desk && s.general && s.calendar && s.yearly);
}

// A page button pressed before the idle time makes them then: the page shows
// its notes and the memo list its lines, and nothing is made twice.
TEST_F(DeferredParts, AFirstSwitchBeforeTheIdleTimeShowsThePageAsEver) {
    start();
    click(QStringLiteral("btnYiban"));
    type(form->generalPage().box(3), QStringLiteral("june"));
    type(form->memoList().line(2), QStringLiteral("call mum"));
    click(QStringLiteral("btnYear"));
    type(form->yearPage().box(3), QStringLiteral("march"));
    click(QStringLiteral("btnRili"));
    type(form->calendarPage().box(40), QStringLiteral("always"));
    click(QStringLiteral("btnMonth"));

    const struct {
        const char* button;
        Page page;
        std::function<QString(TMainForm&)> note;
        const char* text;
    } cases[] = {
        {"btnYiban", Page::General, [](TMainForm& f) { return f.generalPage().box(3)->text(); },
         "june"},
        {"btnYear", Page::Yearly, [](TMainForm& f) { return f.yearPage().box(3)->toPlainText(); },
         "march"},
        {"btnRili", Page::Calendar, [](TMainForm& f) { return f.calendarPage().box(40)->text(); },
         "always"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        makeWindow();
        form->show();
        ASSERT_FALSE(made());
        click(QLatin1String(c.button));
        EXPECT_EQ(form->pageOnView(), c.page);
        EXPECT_EQ(c.note(*form), QLatin1String(c.text));
        EXPECT_EQ(form->memoList().line(2)->text(), QStringLiteral("call mum"));
        EXPECT_TRUE(form->memoList().line(2)->isVisible());
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(form->findChildren<calendarctl::TChnCalendar*>().size(), 2u);
        EXPECT_EQ(form->findChildren<notes::LineBox*>(QStringLiteral("edt1")).size(), 1);
        EXPECT_TRUE(messages.messages().empty());
    }
}

// Start-up hands over makers, not dialogs: each is made when first opened,
// once.
TEST_F(DeferredParts, ThePasswordAndSizeDialogsAreMadeAtTheirFirstUse) {
    makeWindow();
    frmSet.reset();
    pwset.reset();
    form->setDialogs(nullptr, nullptr);
    int made = 0;
    std::unique_ptr<TFrmSetFrm> sizes;
    form->setDialogMakers(nullptr, [&] {
        ++made;
        sizes = std::make_unique<TFrmSetFrm>(*form);
        return sizes.get();
    });
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(made, 0);
    for (int i = 0; i < 2; ++i) {
        click(QStringLiteral("btnUISize"));
        ASSERT_NE(sizes, nullptr);
        EXPECT_TRUE(sizes->isVisible());
        sizes->hide();
    }
    EXPECT_EQ(made, 1);
    form.reset(); // before the dialog it parents goes
    sizes.release();
}
