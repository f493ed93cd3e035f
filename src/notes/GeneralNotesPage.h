#pragma once
// The general notes page: 42 one-line notes with their colours for each
// month, on ruled paper.

#include "notes/LinePage.h"

namespace kuvano::notes {

class TGeneralNotesPage : public TLinePage {
    Q_OBJECT
public:
    // Builds DrawGrid1, Edit1..Edit42 and pnlHide on pnlJishi.
    TGeneralNotesPage(TDM& dm, MainState& state, QWidget* pnlJishi);

    void Layout(); // the general layout, with the page's save switch off
};

} // namespace kuvano::notes
