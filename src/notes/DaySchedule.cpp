#include "notes/DaySchedule.h"

#include "notes/NoteBox.h"
#include "store/untdb.h"

#include <QWidget>

namespace kuvano::notes {

TDaySchedule::TDaySchedule(TDM& dm, MainState& state, QWidget* pnlRijishi)
    : QObject(pnlRijishi), dm_(dm), state_(state) {
    memday = new TNoteBox(pnlRijishi);
    memday->setObjectName(QStringLiteral("memday"));
    connect(memday, &TNoteBox::Changed, this, &TDaySchedule::memdayChange);
    connect(memday, &TNoteBox::Exited, this, &TDaySchedule::memdayChange);
    connect(memday, &TNoteBox::MouseReleased, this,
            [this](TNoteBox*, Qt::MouseButton b) { memdayMouseUp(b); });
}

void TDaySchedule::LoadDaySchedule() {
    if (!selectedDay) return;
    const QString key = dayKey(selectedDay());
    // Filling the box is no edit: it must not write the same note back (or
    // create an empty row for a day that has none).
    loading_ = true;
    struct Reset {
        bool& b;
        ~Reset() { b = false; }
    } reset{loading_};
    TAdoQuery& q = dm_.qryRiArr;
    q.Close();
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from TailiNew_day where daydate=:YearMonth3"));
    q.SetParam(QStringLiteral("YearMonth3"), key);
    try {
        q.Open();
    } catch (const DbError&) {
        memday->ClearText();
        throw;
    }
    if (q.RecordCount() == 1 && q.FieldCount() > 1) {
        memday->LoadFromStream(q.FieldAsBytes(1));
    } else {
        memday->ClearText();
    }
}

bool TDaySchedule::save(const QByteArray& rtf, const QString& key) {
    TAdoQuery& q = dm_.qrySaveRiArr;
    struct CloseAtEnd {
        TAdoQuery& q;
        ~CloseAtEnd() { q.Close(); }
    } closer{q};
    try {
        sql::Transaction tx(dm_.connection());
        auto open = [&] {
            q.Close();
            q.ClearSql();
            q.AddSql(QStringLiteral("select * from TailiNew_day where daydate=:dayStr2 "));
            q.SetParam(QStringLiteral("dayStr2"), key);
            q.Open();
        };
        open();
        if (q.RecordCount() != 1) {
            q.Close();
            q.ClearSql();
            q.AddSql(QStringLiteral("insert into TailiNew_day(daydate, daycontent) "
                                    "Values(:daydate2, :daycontent2)"));
            q.SetParam(QStringLiteral("daydate2"), key);
            q.SetParam(QStringLiteral("daycontent2"), QString());
            q.ExecSQL();
            open();
            if (q.RecordCount() != 1) return false;
        }
        q.Edit();
        q.SetFieldByName(QStringLiteral("daycontent"), rtf);
        q.Post();
        tx.commit();
        return true;
    } catch (const DbError&) {
        return false;
    }
}

void TDaySchedule::memdayChange() {
    if (loading_ || !selectedDay) return;
    const bool saved = save(memday->SaveToStream(), dayKey(selectedDay()));
    state_.unsaved = !saved;
    if (onSaveResult) onSaveResult(saved);
}

void TDaySchedule::memdayMouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    state_.lastEdit = {memday->SelStart(), memday->SelLength(), memday->TabOrderNumber(),
                       EditBoxKind::DaySchedule};
}

} // namespace kuvano::notes
