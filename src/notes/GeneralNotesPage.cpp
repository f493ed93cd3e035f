#include "notes/GeneralNotesPage.h"

#include "notes/LineBox.h"
#include "store/untdb.h"

#include <QWidget>

namespace kuvano::notes {

GeneralNotesPage::GeneralNotesPage(TDM& dm, MainState& state, QWidget* pnlJishi)
    : LinePage(dm, state, pnlJishi, QStringLiteral("DrawGrid1"), QStringLiteral("Edit"),
               QStringLiteral("pnlHide"), LineBook::General) {
    for (int i = 1; i <= kLineBoxes; ++i) {
        connect(box(i), &LineBox::Changed, this, &GeneralNotesPage::Edit1Exit);
        connect(box(i), &LineBox::Exited, this, &GeneralNotesPage::Edit1Exit);
    }
}

void GeneralNotesPage::Layout() {
    SaveSwitchOff off(state_.saving.general);
    const GeneralLayoutRects r = GeneralLayout(panel()->size());
    place(r.grid, r.boxes, r.hide);
}

void GeneralNotesPage::LoadGeneralNotes() {
    {
        SaveSwitchOff off(state_.saving.general);
        loadLines(monthKey(state_.shownDate));
    }
    if (loadMemoList) loadMemoList();
}

bool GeneralNotesPage::SaveGeneralNotes() {
    return saveLines(monthKey(state_.shownDate));
}

void GeneralNotesPage::Edit1Exit(LineBox*) {
    if (!state_.saving.general) return;
    saveOnEvent([this] { return SaveGeneralNotes(); });
}

} // namespace kuvano::notes
