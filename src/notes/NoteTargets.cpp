#include "notes/NoteTargets.h"

#include "notes/CalendarNotesPage.h"
#include "notes/DaySchedule.h"
#include "notes/DeskCalendarPage.h"
#include "notes/GeneralNotesPage.h"
#include "notes/NoteBox.h"
#include "notes/YearNotesPage.h"

namespace kuvano::notes {

NoteBox* NoteTargets::FocusedDeskCell() const {
    for (int n = 1; n <= kDeskCells; ++n)
        if (desk->box(n)->hasFocus()) return desk->box(n);
    return nullptr;
}

NoteBox* NoteTargets::FocusedDaySchedule() const {
    return day->box()->hasFocus() ? day->box() : nullptr;
}

NoteBox* NoteTargets::FocusedMonthBox() const {
    return year ? year->FocusedBox() : nullptr; // a page not made yet has no focus
}

NoteBox* NoteTargets::DeskCellByTabOrder(int tabOrder) const {
    for (int n = 1; n <= kDeskCells; ++n)
        if (desk->box(n)->TabOrderNumber() == tabOrder) return desk->box(n);
    return nullptr;
}

LinePage* NoteTargets::linePage(ShownPage page) const {
    switch (page) {
    case ShownPage::General:
        return general;
    case ShownPage::Calendar:
        return calendar;
    default:
        return nullptr;
    }
}

LineBox* NoteTargets::FocusedLineCell(ShownPage page) const {
    const LinePage* p = linePage(page);
    return p ? p->FocusedBox() : nullptr;
}

} // namespace kuvano::notes
