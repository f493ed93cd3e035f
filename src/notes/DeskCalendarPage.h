#pragma once
// The desk-calendar page: the month grid with a rich-text note box over each
// of its 42 cells, saved into the shown month's row on every change.

#include "notes/MainState.h"

#include <QDate>
#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <functional>

class QWidget;

namespace kuvano {
class JvTFMonths;
}

namespace kuvano::notes {

class TDM;
class NoteBox;
class DaySchedule;

// Places of the 42 boxes over a grid with the given client rectangle.
std::array<QRect, kDeskCells> DeskBoxLayout(const QRect& grid);

// Background of the Sunday column's boxes.
inline constexpr unsigned kSundayBoxColor = 0xEBEBEB;

class DeskCalendarPage : public QObject {
    Q_OBJECT
public:
    // Builds the grid and the boxes on pnlTaiLi.
    DeskCalendarPage(TDM& dm, MainState& state, QWidget* pnlTaiLi, DaySchedule& daySchedule);

    JvTFMonths* grid() const { return JvTFMonths1; }
    NoteBox* box(int n) const { return RichEdit[size_t(n - 1)]; } // n = 1..42

    // What each box shows, in box order, with the grid day of its tab order:
    // the texts the export and the wallpaper are made of.
    struct CellText {
        QDate date;
        QString text;
    };
    std::array<CellText, kDeskCells> CellTexts() const;

    void LoadMonth();
    void RichEdit1Exit(NoteBox* box); // save cell: bound to change and exit of all boxes
    void RichEdit1Enter(NoteBox* box);
    void RichEdit1MouseUp(NoteBox* box, Qt::MouseButton button);
    void JvTFMonths1Click();
    void DeskLayout();
    void ChnCalendar1Change(); // the shown date changed while this page is on view

    // Selects today's cell when the grid holds it, then loads that day's schedule.
    void SelectTodayAndLoadDay(const QDate& today);
    void SetCellsVisible(bool visible);
    // Selects the day in the grid and loads its schedule. Throws FileError.
    void ShowDay(const QDate& day);
    void ColorSundayBoxes();

    // Called after every save attempt with its outcome (the unsaved sign).
    std::function<void(bool saved)> onSaveResult;

private:
    bool saveCell(int column, const QByteArray& rtf, const QString& plain);
    void boxChanged(NoteBox* box); // the box typed in becomes the current cell, then saves
    void loadDaySchedule();

    TDM& dm_;
    MainState& state_;
    DaySchedule& day_;
    QWidget* panel_;
    JvTFMonths* JvTFMonths1;
    std::array<NoteBox*, kDeskCells> RichEdit{};
};

} // namespace kuvano::notes
