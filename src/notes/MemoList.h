#pragma once
// The memo list "备忘录": eleven one-line entries in the side panel, one
// list for the whole program, kept in the memo row of beiwanglu (line n in
// column n).

#include "notes/MainState.h"
#include "notes/PageErrors.h"

#include <QObject>

#include <array>

class QLabel;
class QWidget;

namespace kuvano::notes {

class TDM;
class LineBox;
class RuledGrid;

constexpr int kMemoLines = 11;

class MemoList : public QObject {
    Q_OBJECT
public:
    // Builds lbl1, the ruled grid drwgrd16 and edt1..edt11 on Panel2, at
    // fixed places.
    MemoList(TDM& dm, MainState& state, QWidget* Panel2);

    LineBox* line(int n) const { return edt[size_t(n - 1)]; } // 1..11
    int CurrentLine() const { return currentLine_; }          // the line entered last, 0 before any

    // Fills the eleven lines from the memo row (none: eleven empty lines).
    // Errors are swallowed.
    void LoadMemoList();
    void edt1Enter(LineBox* box);
    // A changed line, while it has the focus, is written when it differs
    // from the stored one; errors are swallowed (the unsaved sign shows).
    void edt1Change(LineBox* box);
    // A line left is written when it differs from the stored one; errors are
    // shown.
    void edt1Exit(LineBox* box);

    SaveResult onSaveResult;

private:
    bool writeLine(LineBox* box, bool onlyFocused);

    TDM& dm_;
    MainState& state_;
    QLabel* lbl1 = nullptr;
    RuledGrid* drwgrd16 = nullptr;
    std::array<LineBox*, kMemoLines> edt{};
    int currentLine_ = 0;
    bool loading_ = false;
};

} // namespace kuvano::notes
