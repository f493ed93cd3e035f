#include "notes/CalendarNotesPage.h"

#include "notes/LineBox.h"
#include "store/untdb.h"

#include <QWidget>

namespace kuvano::notes {

CalendarNotesPage::CalendarNotesPage(TDM& dm, MainState& state, QWidget* pnlRili, QWidget* chnRili)
    : LinePage(dm, state, pnlRili, QStringLiteral("drwgrd1"), QStringLiteral("edtr"),
               QStringLiteral("pnlSplit"), LineBook::Calendar),
      chnRili_(chnRili) {
    chnRili_->raise(); // over the strip that hides the middle line
    for (int i = 1; i <= kLineBoxes; ++i) {
        connect(box(i), &LineBox::Changed, this, &CalendarNotesPage::edtr1Change);
        connect(box(i), &LineBox::Exited, this, &CalendarNotesPage::edtr1Exit);
    }
}

void CalendarNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.calendar);
    const CalendarLayoutRects r = CalendarLayout(panel()->size(), chnRili_->width());
    place(r.grid, r.boxes, r.split);
    chnRili_->move(r.calendar);
}

void CalendarNotesPage::LoadCalendarNotes() {
    SaveSwitchOff off(state_.saving.calendar);
    loadLines(calendarNotesKey());
}

bool CalendarNotesPage::SaveCalendarNotes() {
    return saveLines(calendarNotesKey());
}

void CalendarNotesPage::edtr1Change(LineBox*) {
    if (!state_.saving.calendar) return;
    saveOnEvent([this] { return SaveCalendarNotes(); });
}

void CalendarNotesPage::edtr1Exit(LineBox* b) {
    if (!state_.saving.calendar) return;
    if (b->text().isEmpty()) b->SetFontColor(0);
    saveOnEvent([this] { return SaveCalendarNotes(); });
}

} // namespace kuvano::notes
