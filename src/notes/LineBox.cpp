#include "notes/LineBox.h"

#include <QPainter>

#include <limits>

namespace kuvano::notes {

LineBox::LineBox(int number, QWidget* parent) : QLineEdit(parent), number_(number) {
    setFrame(false);
    setMaxLength(std::numeric_limits<int>::max());
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    connect(this, &QLineEdit::textChanged, this, [this] { Q_EMIT Changed(this); });
}

ColorRef LineBox::FontColor() const {
    return toColorRef(palette().color(QPalette::Text));
}

void LineBox::SetFontColor(ColorRef color) {
    if (color == FontColor()) return; // a palette change restyles the box
    QPalette p = palette();
    p.setColor(QPalette::Text, fromColorRef(color));
    setPalette(p);
}

void LineBox::ShowText(const QString& text) {
    setText(text); // leaves the caret at the end
    setCursorPosition(0);
}

void LineBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    Q_EMIT Entered(this);
}

void LineBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Q_EMIT Exited(this);
}

RuledGrid::RuledGrid(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void RuledGrid::SetRows(int rows, int rowHeight) {
    if (rows == rows_ && rowHeight == rowHeight_) return;
    rows_ = rows;
    rowHeight_ = rowHeight;
    update();
}

void RuledGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(190, 205, 225));
    for (int r = 0; r < rows_; ++r) p.drawLine(0, LineY(r), width() - 1, LineY(r));
}

} // namespace kuvano::notes
