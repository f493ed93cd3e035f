#pragma once
// The general notes page: 42 one-line notes with their colours for each
// month, on ruled paper, kept in edtText and edtTextColor under the month key.

#include "notes/LinePage.h"

#include <functional>

namespace kuvano::notes {

class GeneralNotesPage : public LinePage {
    Q_OBJECT
public:
    // Builds DrawGrid1, Edit1..Edit42 and pnlHide on pnlJishi.
    GeneralNotesPage(TDM& dm, MainState& state, QWidget* pnlJishi);

    void Layout(); // the general layout, with the page's save switch off

    // The month of the shown date, then the memo list. Throws DbError.
    void LoadGeneralNotes();
    // All 42 texts and colours of the shown month; false when not written.
    // An error opening the tables is thrown.
    bool SaveGeneralNotes();
    // Change and exit of every box: saves while the page's switch is on.
    void Edit1Exit(LineBox* box);

    std::function<void()> loadMemoList; // LoadMemoList, run at the end of every load
};

} // namespace kuvano::notes
