#include "notes/NoteTargets.h"

#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"

namespace kuvano::notes {

TNoteBox* NoteTargets::FocusedDeskCell() const {
    for (int n = 1; n <= kDeskCells; ++n)
        if (desk->box(n)->hasFocus()) return desk->box(n);
    return nullptr;
}

TNoteBox* NoteTargets::FocusedDaySchedule() const {
    return day->box()->hasFocus() ? day->box() : nullptr;
}

TNoteBox* NoteTargets::FocusedMonthBox() const {
    return year->FocusedBox();
}

TNoteBox* NoteTargets::DeskCellByTabOrder(int tabOrder) const {
    for (int n = 1; n <= kDeskCells; ++n)
        if (desk->box(n)->TabOrderNumber() == tabOrder) return desk->box(n);
    return nullptr;
}

TLinePage* NoteTargets::LinePage(ShownPage page) const {
    switch (page) {
    case ShownPage::General:
        return general;
    case ShownPage::Calendar:
        return calendar;
    default:
        return nullptr;
    }
}

TLineBox* NoteTargets::FocusedLineCell(ShownPage page) const {
    const TLinePage* p = LinePage(page);
    return p ? p->FocusedBox() : nullptr;
}

} // namespace kuvano::notes
