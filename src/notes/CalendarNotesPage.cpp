#include "notes/CalendarNotesPage.h"

#include "notes/LineBox.h"
#include "store/untdb.h"

#include <QWidget>

namespace kuvano::notes {

TCalendarNotesPage::TCalendarNotesPage(TDM& dm, MainState& state, QWidget* pnlRili,
                                       QWidget* chnRili)
    : TLinePage(dm, state, pnlRili, QStringLiteral("drwgrd1"), QStringLiteral("edtr"),
                QStringLiteral("pnlSplit"), LineBook::Calendar),
      chnRili_(chnRili) {
    chnRili_->raise(); // over the strip that hides the middle line
    for (int i = 1; i <= kLineBoxes; ++i) {
        connect(box(i), &TLineBox::Changed, this, &TCalendarNotesPage::edtr1Change);
        connect(box(i), &TLineBox::Exited, this, &TCalendarNotesPage::edtr1Exit);
    }
}

void TCalendarNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.calendar);
    const CalendarLayoutRects r = CalendarLayout(panel()->size(), chnRili_->width());
    place(r.grid, r.boxes, r.split);
    chnRili_->move(r.calendar);
}

void TCalendarNotesPage::LoadCalendarNotes() {
    SaveSwitchOff off(state_.saving.calendar);
    loadLines(calendarNotesKey());
}

bool TCalendarNotesPage::SaveCalendarNotes() {
    return saveLines(calendarNotesKey());
}

void TCalendarNotesPage::edtr1Change(TLineBox*) {
    if (!state_.saving.calendar) return;
    saveOnEvent([this] { return SaveCalendarNotes(); });
}

void TCalendarNotesPage::edtr1Exit(TLineBox* b) {
    if (!state_.saving.calendar) return;
    if (b->text().isEmpty()) b->SetFontColor(0);
    saveOnEvent([this] { return SaveCalendarNotes(); });
}

} // namespace kuvano::notes
