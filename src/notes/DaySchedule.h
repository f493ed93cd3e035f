#pragma once
// The day schedule: one rich-text note per date, for the day selected in the
// desk grid, kept in TailiNew_day under the day key.

#include "notes/MainState.h"

#include <QDate>
#include <QObject>

#include <functional>

class QWidget;

namespace kuvano::notes {

class TDM;
class NoteBox;

class DaySchedule : public QObject {
    Q_OBJECT
public:
    // Creates the box memday on pnlRijishi.
    DaySchedule(TDM& dm, MainState& state, QWidget* pnlRijishi);

    NoteBox* box() const { return memday; }
    // The date load and save key by: the desk grid's selected day.
    std::function<QDate()> selectedDay;

    void LoadDaySchedule();
    void memdayChange(); // change and exit: save under the selected day
    void memdayMouseUp(Qt::MouseButton button);

    // Called after every save attempt with its outcome (the unsaved sign).
    std::function<void(bool saved)> onSaveResult;

private:
    bool save(const QByteArray& rtf, const QString& plain, const QString& key);

    TDM& dm_;
    MainState& state_;
    NoteBox* memday;
    bool loading_ = false;
};

} // namespace kuvano::notes
