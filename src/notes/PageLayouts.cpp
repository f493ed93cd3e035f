#include "notes/PageLayouts.h"

namespace kuvano::notes {

namespace {
// The white strip over the grid's middle line: from one pixel past the first
// box to the second box, taller than the panel by the 3 pixels it starts
// above it and 2 below.
QRect middleStrip(const QRect& first, const QRect& second, int panelHeight) {
    const int left = first.left() + first.width() + 1;
    return QRect(left, -3, second.left() - left, panelHeight + 5);
}
} // namespace

RuledGridSize LineGridSize(QSize panel) {
    return {panel.width() / 2 - 3, (panel.height() - 22) / kLineRows};
}

GeneralLayoutRects GeneralLayout(QSize panel) {
    GeneralLayoutRects r;
    r.grid = LineGridSize(panel);
    const int w = r.grid.columnWidth - 11;
    // (PH - 1) div 21 equals the grid's row height plus its line.
    const int step = (panel.height() - 1) / kLineRows;
    r.boxes[0] = QRect(2, 6, w, kLineBoxHeight);
    r.boxes[1] = QRect(2 + w + 25, 6, w, kLineBoxHeight);
    for (int i = 3; i <= kLineBoxes; ++i) {
        const QRect& above = r.boxes[size_t(i - 3)];
        r.boxes[size_t(i - 1)] = QRect(above.left(), above.top() + step, w, kLineBoxHeight);
    }
    r.hide = middleStrip(r.boxes[0], r.boxes[1], panel.height());
    return r;
}

CalendarLayoutRects CalendarLayout(QSize panel, int k) {
    CalendarLayoutRects r;
    r.grid = LineGridSize(panel);
    const int wide = r.grid.columnWidth - 11;
    const int narrow = r.grid.columnWidth - k / 2 - 11; // boxes 13..30, beside the control
    const int step = (panel.height() - 1) / kLineRows;
    // The control is centred; the boxes to its right start 4 pixels past it.
    const int calendarLeft = (panel.width() - k) / 2;
    auto width = [&](int i) { return i >= 13 && i <= 30 ? narrow : wide; };
    r.boxes[0] = QRect(2, 6, wide, kLineBoxHeight);
    r.boxes[1] = QRect(2 + wide + 25, 6, wide, kLineBoxHeight);
    for (int i = 3; i <= kLineBoxes; ++i) {
        const QRect& above = r.boxes[size_t(i - 3)];
        int left = above.left();
        if (i == 13 || i == 31) left = above.left() + 2;
        if (i == 14) left = calendarLeft + k + 4;
        if (i == 32) left = r.boxes[30].left() + r.boxes[30].width() + 25;
        r.boxes[size_t(i - 1)] = QRect(left, above.top() + step, width(i), kLineBoxHeight);
    }
    r.calendar = QPoint(calendarLeft, r.boxes[10].top() + 20);
    r.split = middleStrip(r.boxes[0], r.boxes[1], panel.height());
    return r;
}

YearLayoutRects YearLayout(QSize panel) {
    YearLayoutRects r;
    const int pw = panel.width(), ph = panel.height();
    const int w = (pw - 5) / 4; // box width; the five lines take the rest
    r.lineLeft = {0, w + 1, 2 * w + 2, 3 * w + 3, pw - 1};
    const int rowStep = (ph - 75) / 3; // three title strips of 25 come off the height
    r.titleTop = {0, rowStep + 25, 2 * rowStep + 50};
    const int labelInset = (kYearTitleHeight - 12) / 2; // 12-pixel captions, centred
    // The month captions (36 pixels wide at 12 pixels a character) share the
    // width left beside them in equal gaps.
    const int gap = (pw - 144) / 8;
    for (int m = 1; m <= kYearBoxes; ++m) {
        const int row = (m - 1) / 4, col = (m - 1) % 4;
        const int height = r.titleTop[1] - r.titleTop[0] - (row == 2 ? 28 : 26);
        r.boxes[size_t(m - 1)] =
            QRect(r.lineLeft[size_t(col)] + 1, r.titleTop[size_t(row)] + 26, w, height);
        r.labels[size_t(m - 1)] =
            QPoint(gap * (2 * col + 1) + 36 * col, r.titleTop[size_t(row)] + labelInset);
    }
    return r;
}

} // namespace kuvano::notes
