#pragma once

#include <QDate>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

namespace kuvano {

// The desk page's month grid: six weeks of seven days, Sunday first, each cell
// a 20-pixel title strip over a body that the page covers with a note box.
// Cells are numbered 0..41 row by row; one mapping (dateOfCell, cellRect,
// cellAt) serves painting, hit testing and the page's box layout alike. A
// strip also marks an official day off (休) or make-up working day (班) of
// the arrangement the lunar engine holds.
class JvTFMonths : public QWidget {
    Q_OBJECT

public:
    static constexpr int Columns = 7;
    static constexpr int Rows = 6;
    static constexpr int CellCount = Columns * Rows;
    static constexpr int WeekdayRowHeight = 20;
    static constexpr int StripHeight = 20;

    explicit JvTFMonths(QWidget* parent = nullptr);

    // Any day of the month to show; an invalid date is ignored.
    void setDisplayDate(const QDate& date);
    QDate displayDate() const { return displayDate_; }
    // The Sunday on or before the first of the displayed month: the date of cell 0.
    QDate origin() const { return origin_; }
    // The same for the month of any date, without a grid.
    static QDate originOf(const QDate& date);

    QDate dateOfCell(int cell) const;        // invalid outside 0..41
    int cellOfDate(const QDate& date) const; // -1 when the date is not shown
    bool isExtraDay(int cell) const;         // a day of the previous or next month
    QString dayLabel(int cell) const;

    // Splits length pixels into parts, the first (length mod parts) one pixel
    // longer; a negative length counts as 0.
    static QList<int> split(int length, int parts);
    QRect cellRect(int cell) const;      // empty outside 0..41
    QRect stripRect(int cell) const;     // the title strip: the top 20 pixels of the cell
    int cellAt(const QPoint& pos) const; // -1 on the weekday row or outside the cells

    // At most one selected cell. Cell 0 is never selected: asking for it clears
    // the selection, and selectedDate() falls back to cell 0's date anyway.
    bool selectCell(int cell);          // false (and no change) outside -1..41
    bool selectDate(const QDate& date); // false (and no change) when not shown
    int selectedCell() const { return selected_; }
    QDate selectedDate() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A left click on a cell's strip, after it has selected that cell.
    void clicked();
    void selectedCellChanged(int cell);
    void displayDateChanged(const QDate& date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int stripAt(const QPoint& pos) const;
    void invalidateBuffer();
    void rebuildBuffer();
    void paintWeekdayRow(QPainter& p) const;
    void paintCell(QPainter& p, int cell) const;
    void paintStrip(QPainter& p, int cell) const;

    QDate displayDate_;
    QDate origin_;
    int selected_ = -1;
    int pressedStrip_ = -1;
    QFont dayFont_;
    QFont markFont_; // the day-off marks
    QFont paintedFont_;
    // The whole grid as last drawn; rebuilt after a change of month, size or
    // look, patched strip by strip on a change of selection.
    QPixmap buffer_;
    bool bufferValid_ = false;
};

} // namespace kuvano
