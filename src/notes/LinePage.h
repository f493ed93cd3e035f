#pragma once
// What the general notes page and the calendar notes page share: 42 one-line
// boxes with their own text colours on a ruled grid of 21 rows of two, and a
// white strip over the grid's middle line; the texts and the colours are
// kept in two tables, one row per key in each.

#include "notes/MainState.h"
#include "notes/PageErrors.h"
#include "notes/PageLayouts.h"
#include "store/note_store.h"

#include <QObject>

#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace kuvano::notes {

class TDM;
class LineBox;
class RuledGrid;

class LinePage : public QObject {
    Q_OBJECT
public:
    LineBox* box(int i) const { return boxes_[size_t(i - 1)]; } // i = 1..42
    std::array<QString, kLineBoxes> LineTexts() const;          // in line order
    LineBox* FocusedBox() const; // nullptr when none of the 42 has the focus
    RuledGrid* grid() const { return grid_; }
    QWidget* strip() const { return strip_; }
    QWidget* panel() const { return panel_; }

    // Called after every save attempt with its outcome (the unsaved sign).
    SaveResult onSaveResult;

protected:
    // Builds, in this order, the grid, the boxes (named boxPrefix1..42) and the strip.
    LinePage(TDM& dm, MainState& state, QWidget* panel, const QString& gridName,
             const QString& boxPrefix, const QString& stripName, LineBook book);
    void place(const RuledGridSize& grid, const std::array<QRect, kLineBoxes>& boxes,
               const QRect& strip);

    // Fills the 42 texts and colours from the rows of `key` (a missing row:
    // empty texts, or black). Reads both rows before it changes a box. Throws.
    void loadLines(const QString& key);
    // Writes all 42 texts and all 42 colours into the rows of `key`, creating
    // a missing row, in one transaction. A file that could not be opened is
    // thrown; an error writing it ends the save, writing nothing, and gives false.
    bool saveLines(const QString& key);
    void saveOnEvent(const std::function<bool()>& save) {
        saveFromEvent(panel_, state_, onSaveResult, OnError::Show,
                      [&] { return std::optional(save()); });
    }

    TDM& dm_;
    MainState& state_;

private:
    LineBook book_;
    QWidget* panel_;
    RuledGrid* grid_;
    std::array<LineBox*, kLineBoxes> boxes_{};
    QWidget* strip_;
};

} // namespace kuvano::notes
