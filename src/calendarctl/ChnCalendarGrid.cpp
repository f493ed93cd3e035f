#include "calendarctl/ChnCalendarGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kuvano::calendarctl {

CalendarGrid::CalendarGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted from the owner's background buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CalendarGrid::setColWidth(int column, int width) {
    colWidths_.at(static_cast<size_t>(column)) = std::max(0, width);
    update();
}

void CalendarGrid::setRowHeight(int row, int height) {
    rowHeights_.at(static_cast<size_t>(row)) = std::max(0, height);
    update();
}

int CalendarGrid::colLeft(int column) const {
    int x = 0;
    for (int c = 0; c < column; ++c) x += colWidths_[static_cast<size_t>(c)];
    return x;
}

int CalendarGrid::rowTop(int row) const {
    int y = 0;
    for (int r = 0; r < row; ++r) y += rowHeights_[static_cast<size_t>(r)];
    return y;
}

QRect CalendarGrid::cellRect(int column, int row) const {
    return QRect(colLeft(column), rowTop(row), colWidth(column), rowHeight(row));
}

bool CalendarGrid::cellAt(const QPoint& pos, int& column, int& row) const {
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
            if (cellRect(c, r).contains(pos)) {
                column = c;
                row = r;
                return true;
            }
    return false;
}

bool CalendarGrid::setCurrentCell(int column, int row) {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return false;
    if (selectCell && !selectCell(column, row)) return false;
    if (column != column_ || row != row_) {
        update(cellRect(column_, row_));
        column_ = column;
        row_ = row;
        update(cellRect(column_, row_));
    }
    return true;
}

void CalendarGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            const QRect cr = cellRect(c, r);
            if (cr.isEmpty() || !cr.intersects(event->rect())) continue;
            p.save();
            p.translate(cr.topLeft());
            p.setClipRect(QRect(0, 0, cr.width(), cr.height()));
            if (drawCell)
                drawCell(p, c, r, QRect(0, 0, cr.width(), cr.height()), c == column_ && r == row_);
            p.restore();
        }
}

void CalendarGrid::mousePressEvent(QMouseEvent* event) {
    if (mousePressed) mousePressed();
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    int c = 0, r = 0;
    if (cellAt(event->position().toPoint(), c, r) && (c != column_ || r != row_))
        setCurrentCell(c, r);
}

void CalendarGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    int c = 0, r = 0;
    if (rect().contains(event->position().toPoint()) && cellAt(event->position().toPoint(), c, r) &&
        clicked)
        clicked(c, r);
}

void CalendarGrid::keyPressEvent(QKeyEvent* event) {
    int c = column_, r = row_;
    switch (event->key()) {
    case Qt::Key_Left:
        --c;
        break;
    case Qt::Key_Right:
        ++c;
        break;
    case Qt::Key_Up:
        --r;
        break;
    case Qt::Key_Down:
        ++r;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    setCurrentCell(c, r);
}

void CalendarGrid::focusInEvent(QFocusEvent* event) {
    update(); // the selection may be drawn only while focused
    QWidget::focusInEvent(event);
}

void CalendarGrid::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

UpDown::UpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), position_(minimum),
      up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(b);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    resize(16, 22);
}

void UpDown::setPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
}

void UpDown::step(int delta) {
    const int next = std::clamp(position_ + delta, minimum_, maximum_);
    if (next == position_) return;
    position_ = next;
    Q_EMIT stepped(position_);
}

} // namespace kuvano::calendarctl
