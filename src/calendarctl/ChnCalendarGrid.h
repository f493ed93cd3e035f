#pragma once
// The owner-drawn 9 x 7 grid of the lunar calendar control and its small
// up-down arrows. Both only move positions and ask their owner; what a
// cell shows and which cells may be chosen is the owner's business.

#include <QWidget>

#include <array>
#include <functional>

class QPainter;
class QToolButton;

namespace kuvano::calendarctl {

class CalendarGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 9; // 0 week numbers, 1..7 Sunday..Saturday, 8 filler
    static constexpr int kRows = 7;    // 0 weekday header, 1..6 weeks

    explicit CalendarGrid(QWidget* parent = nullptr);

    void setColWidth(int column, int width);
    int colWidth(int column) const { return colWidths_.at(static_cast<size_t>(column)); }
    void setRowHeight(int row, int height);
    int rowHeight(int row) const { return rowHeights_.at(static_cast<size_t>(row)); }

    // Cell geometry in grid coordinates; the hit test inverts the same edges.
    QRect cellRect(int column, int row) const;
    bool cellAt(const QPoint& pos, int& column, int& row) const;

    int currentColumn() const { return column_; }
    int currentRow() const { return row_; }
    // Moves the current cell when selectCell allows it; true when it moved.
    bool setCurrentCell(int column, int row);

    // Asked before every move of the current cell, programmatic or by the user.
    std::function<bool(int column, int row)> selectCell;
    std::function<void()> mousePressed;
    // A click released over (column, row).
    std::function<void(int column, int row)> clicked;
    // Paints one cell; the painter is translated and clipped to the cell, r = (0, 0, w, h).
    std::function<void(QPainter& p, int column, int row, const QRect& r, bool selected)> drawCell;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int colLeft(int column) const;
    int rowTop(int row) const;

    std::array<int, kColumns> colWidths_{};
    std::array<int, kRows> rowHeights_{};
    int column_ = 0;
    int row_ = 0;
    bool pressed_ = false;
};

// A pair of arrows holding a position within a range, stepping by one without wrapping.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(int minimum, int maximum, QWidget* parent = nullptr);

    int position() const { return position_; }
    void setPosition(int position); // clamped; no signal
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // As a click on the up (+1) or down (-1) arrow.
    void step(int delta);

Q_SIGNALS:
    void stepped(int position); // only when a step changed the position

private:
    int minimum_, maximum_;
    int position_;
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace kuvano::calendarctl
