#pragma once
// The small one-character marks the calendars put in a corner of a day ("休" for an official
// day off, "班" for a make-up working day), drawn the same way on the desk grid and in the lunar
// calendar control.

#include <QColor>
#include <QRect>
#include <QString>

class QFont;
class QPainter;

namespace kuvano::marks {

// Red like the weekend day numbers for a day off; dark grey, quieter than the black day numbers,
// for a working day.
inline QColor dayOffColor() {
    return {255, 0, 0};
}
inline QColor workdayColor() {
    return {80, 80, 80};
}

// Draws mark at the right edge of area, top-aligned or vertically centred in it (align holds
// Qt::AlignTop or Qt::AlignVCenter), with its ink one pixel inside a plain backing when backing
// is valid (on a filled selection). Nothing is drawn when the mark with its backing would leave
// area or reach left of leftLimit (the right edge of the day number): a mark never covers the
// day's texts. Returns the rectangle covered, empty when nothing was drawn.
QRect drawCornerMark(QPainter& p, const QString& mark, const QColor& color, const QFont& font,
                     const QRect& area, int align, int leftLimit, const QColor& backing = {});

} // namespace kuvano::marks
