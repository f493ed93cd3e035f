#pragma once
// What the general notes page and the calendar notes page share: 42 one-line
// boxes with their own text colours on a ruled grid of 21 rows of two, and a
// white strip over the grid's middle line.

#include "notes/MainState.h"
#include "notes/PageLayouts.h"

#include <QObject>

#include <array>

class QWidget;

namespace kuvano::notes {

class TDM;
class TLineBox;
class TRuledGrid;

class TLinePage : public QObject {
    Q_OBJECT
public:
    TLineBox* box(int i) const { return boxes_[size_t(i - 1)]; } // i = 1..42
    TLineBox* FocusedBox() const; // nullptr when none of the 42 has the focus
    TRuledGrid* grid() const { return grid_; }
    QWidget* strip() const { return strip_; }
    QWidget* panel() const { return panel_; }

protected:
    // Builds, in this order, the grid, the boxes (named boxPrefix1..42) and the strip.
    TLinePage(TDM& dm, MainState& state, QWidget* panel, const QString& gridName,
              const QString& boxPrefix, const QString& stripName);
    void place(const RuledGridSize& grid, const std::array<QRect, kLineBoxes>& boxes,
               const QRect& strip);

    TDM& dm_;
    MainState& state_;

private:
    QWidget* panel_;
    TRuledGrid* grid_;
    std::array<TLineBox*, kLineBoxes> boxes_{};
    QWidget* strip_;
};

} // namespace kuvano::notes
