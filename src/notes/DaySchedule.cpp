#include "notes/DaySchedule.h"

#include "notes/NoteBox.h"
#include "store/untdb.h"

#include <QScopeGuard>
#include <QWidget>

namespace kuvano::notes {

DaySchedule::DaySchedule(TDM& dm, MainState& state, QWidget* pnlRijishi)
    : QObject(pnlRijishi), dm_(dm), state_(state) {
    memday = new NoteBox(pnlRijishi);
    memday->setObjectName(QStringLiteral("memday"));
    connect(memday, &NoteBox::Changed, this, &DaySchedule::memdayChange);
    connect(memday, &NoteBox::Exited, this, &DaySchedule::memdayChange);
    connect(memday, &NoteBox::MouseReleased, this,
            [this](NoteBox*, Qt::MouseButton b) { memdayMouseUp(b); });
}

void DaySchedule::LoadDaySchedule() {
    if (!selectedDay) return;
    // Filling the box is no edit: it must not write the same note back (or
    // create an empty row for a day that has none).
    loading_ = true;
    const auto reset = qScopeGuard([this] { loading_ = false; });
    std::optional<QByteArray> note;
    try {
        note = dm_.notes().loadDaySchedule(dayKey(selectedDay()));
    } catch (const FileError&) {
        memday->ClearText();
        throw;
    }
    if (note) {
        memday->LoadFromStream(*note);
    } else {
        memday->ClearText();
    }
}

bool DaySchedule::save(const QByteArray& rtf, const QString& plain, const QString& key) {
    try {
        return dm_.notes().saveDaySchedule(key, {rtf, plain});
    } catch (const FileError&) {
        return false;
    }
}

void DaySchedule::memdayChange() {
    if (loading_ || !selectedDay) return;
    const bool saved = save(memday->SaveToStream(), memday->toPlainText(), dayKey(selectedDay()));
    state_.unsaved = !saved;
    if (onSaveResult) onSaveResult(saved);
}

void DaySchedule::memdayMouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    state_.lastEdit = {memday->SelStart(), memday->SelLength(), memday->TabOrderNumber(),
                       EditBoxKind::DaySchedule};
}

} // namespace kuvano::notes
