#pragma once
// The memo list "备忘录": eleven one-line entries in the side panel, one
// list for the whole program, kept in the memo row of beiwanglu.

#include "notes/MainState.h"

#include <QObject>

#include <array>

class QLabel;
class QWidget;

namespace kuvano::notes {

class TDM;
class TLineBox;
class TRuledGrid;

constexpr int kMemoLines = 11;

class TMemoList : public QObject {
    Q_OBJECT
public:
    // Builds lbl1, the ruled grid drwgrd16 and edt1..edt11 on Panel2, at
    // fixed places.
    TMemoList(TDM& dm, MainState& state, QWidget* Panel2);

    TLineBox* line(int n) const { return edt[size_t(n - 1)]; } // 1..11

private:
    TDM& dm_;
    MainState& state_;
    QLabel* lbl1 = nullptr;
    TRuledGrid* drwgrd16 = nullptr;
    std::array<TLineBox*, kMemoLines> edt{};
};

} // namespace kuvano::notes
