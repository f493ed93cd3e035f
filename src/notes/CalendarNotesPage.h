#pragma once
// The calendar notes page: a large lunar calendar control with 42 one-line
// notes around it that do not depend on the date, kept in RiliJishi and
// RiliColor under one fixed key.

#include "notes/LinePage.h"

namespace kuvano::notes {

// The one key of the calendar page's rows.
inline QString calendarNotesKey() {
    return QStringLiteral("rili2011");
}

class CalendarNotesPage : public LinePage {
    Q_OBJECT
public:
    // Builds drwgrd1, edtr1..edtr42 and pnlSplit on pnlRili, under the
    // calendar control chnRili (made by the main window, already on pnlRili).
    CalendarNotesPage(TDM& dm, MainState& state, QWidget* pnlRili, QWidget* chnRili);

    void Layout(); // the calendar layout, with the page's save switch off

    void LoadCalendarNotes(); // throws DbError
    // All 42 texts and colours; false when not written. An error opening the
    // tables is thrown.
    bool SaveCalendarNotes();
    void edtr1Change(LineBox* box);
    // Leaving a box: an emptied box turns black, then the page saves.
    void edtr1Exit(LineBox* box);

private:
    QWidget* chnRili_;
};

} // namespace kuvano::notes
