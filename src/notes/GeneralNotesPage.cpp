#include "notes/GeneralNotesPage.h"

#include <QWidget>

namespace kuvano::notes {

TGeneralNotesPage::TGeneralNotesPage(TDM& dm, MainState& state, QWidget* pnlJishi)
    : TLinePage(dm, state, pnlJishi, QStringLiteral("DrawGrid1"), QStringLiteral("Edit"),
                QStringLiteral("pnlHide")) {}

void TGeneralNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.general);
    const GeneralLayoutRects r = GeneralLayout(panel()->size());
    place(r.grid, r.boxes, r.hide);
}

} // namespace kuvano::notes
