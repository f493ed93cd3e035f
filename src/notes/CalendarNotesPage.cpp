#include "notes/CalendarNotesPage.h"

#include <QWidget>

namespace kuvano::notes {

TCalendarNotesPage::TCalendarNotesPage(TDM& dm, MainState& state, QWidget* pnlRili,
                                       QWidget* chnRili)
    : TLinePage(dm, state, pnlRili, QStringLiteral("drwgrd1"), QStringLiteral("edtr"),
                QStringLiteral("pnlSplit")),
      chnRili_(chnRili) {
    chnRili_->raise(); // over the strip that hides the middle line
}

void TCalendarNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.calendar);
    const CalendarLayoutRects r = CalendarLayout(panel()->size(), chnRili_->width());
    place(r.grid, r.boxes, r.split);
    chnRili_->move(r.calendar);
}

} // namespace kuvano::notes
