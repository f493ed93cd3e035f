#include "platform/corner_mark.h"

#include <QFontMetrics>
#include <QPainter>

namespace kuvano::marks {

QRect drawCornerMark(QPainter& p, const QString& mark, const QColor& color, const QFont& font,
                     const QRect& area, int align, int leftLimit, const QColor& backing) {
    if (mark.isEmpty() || area.isEmpty()) return {};
    // Placed by the glyph's ink, not its line box: a CJK line box has several empty pixels above
    // and below the ink, which the small cells cannot spare.
    const QRect ink = QFontMetrics(font).tightBoundingRect(mark); // relative to the baseline origin
    const int pad = backing.isValid() ? 1 : 0;
    QRect box(0, 0, ink.width() + 2 * pad, ink.height() + 2 * pad);
    box.moveRight(area.right());
    if (align & Qt::AlignVCenter)
        box.moveTop(area.top() + (area.height() - box.height()) / 2);
    else
        box.moveTop(area.top());
    if (!area.contains(box) || box.left() <= leftLimit) return {};

    p.save();
    if (backing.isValid()) p.fillRect(box, backing);
    p.setFont(font);
    p.setPen(color);
    p.drawText(box.topLeft() + QPoint(pad, pad) - ink.topLeft(), mark);
    p.restore();
    return box;
}

} // namespace kuvano::marks
