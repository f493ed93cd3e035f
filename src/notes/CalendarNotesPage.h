#pragma once
// The calendar notes page: a large lunar calendar control with 42 one-line
// notes around it that do not depend on the date.

#include "notes/LinePage.h"

namespace kuvano::notes {

class TCalendarNotesPage : public TLinePage {
    Q_OBJECT
public:
    // Builds drwgrd1, edtr1..edtr42 and pnlSplit on pnlRili, under the
    // calendar control chnRili (made by the main window, already on pnlRili).
    TCalendarNotesPage(TDM& dm, MainState& state, QWidget* pnlRili, QWidget* chnRili);

    void Layout(); // the calendar layout, with the page's save switch off

private:
    QWidget* chnRili_;
};

} // namespace kuvano::notes
