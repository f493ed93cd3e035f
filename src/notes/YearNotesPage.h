#pragma once
// The yearly notes page: twelve rich-text boxes, one per month of the shown
// year, in three rows of four under title strips, kept in one row of
// YearJishi per year.

#include "notes/MainState.h"
#include "notes/PageErrors.h"
#include "notes/PageLayouts.h"

#include <QObject>

#include <array>
#include <functional>

class QLabel;
class QWidget;

namespace kuvano::notes {

class TDM;
class NoteBox;

// Month box k has tab order k + 5: the font commands find it by that number.
constexpr int kYearFirstTabOrder = 6;

class YearNotesPage : public QObject {
    Q_OBJECT
public:
    // Builds the title strips (from titlePicture), the month labels, the
    // lines and redt1..redt12 on pnl_year.
    YearNotesPage(TDM& dm, MainState& state, QWidget* pnl_year, const QString& titlePicture);

    NoteBox* box(int month) const { return redt[size_t(month - 1)]; } // 1..12
    std::array<QString, kYearBoxes> MonthTexts() const; // what each box shows, January first
    NoteBox* BoxByTabOrder(int tabOrder) const;         // nullptr when no month box has it
    NoteBox* FocusedBox() const;
    QLabel* monthLabel(int month) const { return lblMonth[size_t(month - 1)]; }
    QLabel* titlePicture(int row) const { return imgtitle_year[size_t(row - 1)]; } // 1..3
    QWidget* line(int n) const { return pnl_yearLine[size_t(n)]; }                 // 0..4

    void Layout(); // the yearly layout, with the page's save switch off

    // The twelve months of the shown year, then the memo list. Throws DbError.
    void LoadYearNotes();
    // All twelve boxes into the shown year's row, made first when missing.
    // Throws DbError.
    void SaveYearNotes();
    // Change and exit of every box: saves while the page's switch is on.
    void RichEdit(NoteBox* box);
    // Left or right button: the last edit position, for the font commands.
    void redt1MouseUp(NoteBox* box, Qt::MouseButton button);

    std::function<void()> loadMemoList; // LoadMemoList, run at the end of every load
    SaveResult onSaveResult;            // the outcome of every save (the unsaved sign)

private:
    TDM& dm_;
    MainState& state_;
    QWidget* panel_;
    std::array<QLabel*, 3> imgtitle_year{};
    std::array<QLabel*, kYearBoxes> lblMonth{};
    std::array<QWidget*, 5> pnl_yearLine{};
    QWidget* pnl_buttonline = nullptr;
    std::array<NoteBox*, kYearBoxes> redt{};
};

} // namespace kuvano::notes
