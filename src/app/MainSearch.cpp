#include "app/MainSearch.h"
#include "platform/guarded.h"

#include "app/Main.h"
#include "app/MainFrame.h"
#include "calendarctl/JvTFMonths.h"
#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/LineBox.h"
#include "notes/MemoList.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"
#include "platform/background.h"
#include "store/untdb.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>

namespace kuvano::app {

using notes::NotePage;

MainSearch::MainSearch(TMainForm& form, notes::TDM& dm) : QObject(&form), form_(form), dm_(dm) {
    setObjectName(QStringLiteral("MainSearch"));

    // Right after "内容导出"; the window shortcut works wherever the focus is
    // in the main window, a note box included.
    QMenu* menu = form_.frame().optionsMenu();
    QAction* exportEntry = form_.frame().entry(OptionsEntry::NoteToTxt);
    const QList<QAction*> actions = menu->actions();
    const qsizetype at = actions.indexOf(exportEntry);
    entry_ = new QAction(notes::SearchWindow::caption(), menu);
    entry_->setObjectName(QStringLiteral("N_Search"));
    entry_->setShortcut(QKeySequence::Find);
    entry_->setShortcutContext(Qt::WindowShortcut);
    menu->insertAction(at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr, entry_);
    form_.addAction(entry_);
    connect(entry_, &QAction::triggered, this,
            [this] { guarded(&form_, [this] { openSearch(); }); });
    // The index is brought up to date off the window's thread, once the
    // window is on the screen: reading every note must not delay its first frame.
    afterFirstPaint(form_, [&dm = dm_] { dm.StartSearchBuild(); });
}

notes::SearchWindow* MainSearch::window() {
    // Made at the first search, not at start: most starts never search.
    if (!frm_) {
        frm_ = new notes::SearchWindow(dm_, *this, &form_);
        frm_->hide();
    }
    return frm_;
}

void MainSearch::openSearch() {
    window()->Popup();
}

void MainSearch::ShowPageAt(NotePage page, const QDate& date) {
    if (form_.isMinimized()) form_.showNormal();
    switch (page) {
    case NotePage::Desk:
    case NotePage::Day:
        form_.OpenPage(Page::Desk);
        break;
    case NotePage::General:
        form_.OpenPage(Page::General);
        break;
    case NotePage::Yearly:
        form_.OpenPage(Page::Yearly);
        break;
    case NotePage::Calendar:
        form_.OpenPage(Page::Calendar);
        break;
    case NotePage::Memo:
        // The memo list shows beside every page but the desk calendar.
        if (!SidePanelRule(form_.pageOnView()).memo) form_.OpenPage(Page::General);
        break;
    }
    // The month picker turned to the note's month or year reloads the page.
    if (date.isValid() && page != NotePage::Calendar && page != NotePage::Memo)
        form_.setShownDate(date);
    if (page == NotePage::Day) {
        // The day comes into the side panel with its schedule.
        guarded(&form_, [&] { form_.deskPage().ShowDay(date); });
    }
    form_.raise();
    form_.activateWindow();
}

QWidget* MainSearch::boxOf(NotePage page, int box) const {
    auto in = [box](int last) { return box >= 1 && box <= last; };
    switch (page) {
    case NotePage::Desk:
        return in(notes::kDeskCells) ? form_.deskPage().box(box) : nullptr;
    case NotePage::Day:
        return form_.daySchedule().box();
    case NotePage::General:
        return in(notes::kLineBoxes) ? form_.generalPage().box(box) : nullptr;
    case NotePage::Calendar:
        return in(notes::kLineBoxes) ? form_.calendarPage().box(box) : nullptr;
    case NotePage::Yearly:
        return in(notes::kYearBoxes) ? form_.yearPage().box(box) : nullptr;
    case NotePage::Memo:
        return in(notes::kMemoLines) ? form_.memoList().line(box) : nullptr;
    }
    return nullptr;
}

bool MainSearch::FocusBox(NotePage page, int box) {
    QWidget* w = boxOf(page, box);
    focused_ = w;
    focusedPage_ = page;
    if (!w || !w->isVisibleTo(&form_)) return false;
    w->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainSearch::SelectRange(int start, int length) {
    if (auto* rich = qobject_cast<notes::NoteBox*>(focused_.data())) {
        rich->SetSelection(start, length);
        rich->ensureCursorVisible();
        // As a click into the cell would: the grid selects its day, and the
        // font commands work on the words found.
        if (focusedPage_ == NotePage::Desk) {
            form_.deskPage().RichEdit1Enter(rich); // also when the focus has not arrived yet
            form_.deskPage().RichEdit1MouseUp(rich, Qt::LeftButton);
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(focused_.data())) {
        line->setSelection(start, length);
    }
}

} // namespace kuvano::app
