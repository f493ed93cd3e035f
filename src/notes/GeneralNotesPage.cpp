#include "notes/GeneralNotesPage.h"

#include "notes/LineBox.h"
#include "store/untdb.h"

#include <QWidget>

namespace kuvano::notes {

TGeneralNotesPage::TGeneralNotesPage(TDM& dm, MainState& state, QWidget* pnlJishi)
    : TLinePage(dm, state, pnlJishi, QStringLiteral("DrawGrid1"), QStringLiteral("Edit"),
                QStringLiteral("pnlHide"), LineBook::General) {
    for (int i = 1; i <= kLineBoxes; ++i) {
        connect(box(i), &TLineBox::Changed, this, &TGeneralNotesPage::Edit1Exit);
        connect(box(i), &TLineBox::Exited, this, &TGeneralNotesPage::Edit1Exit);
    }
}

void TGeneralNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.general);
    const GeneralLayoutRects r = GeneralLayout(panel()->size());
    place(r.grid, r.boxes, r.hide);
}

void TGeneralNotesPage::LoadGeneralNotes() {
    {
        SaveSwitchOff off(state_.saving.general);
        loadLines(monthKey(state_.shownDate));
    }
    if (loadMemoList) loadMemoList();
}

bool TGeneralNotesPage::SaveGeneralNotes() {
    return saveLines(monthKey(state_.shownDate));
}

void TGeneralNotesPage::Edit1Exit(TLineBox*) {
    if (!state_.saving.general) return;
    saveOnEvent([this] { return SaveGeneralNotes(); });
}

} // namespace kuvano::notes
