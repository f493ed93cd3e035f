#include "platform/anchors.h"

#include <QEvent>
#include <QWidget>

namespace kuvano {

AnchorLayout::AnchorLayout(QWidget* parent, QSize designSize)
    : QObject(parent), parent_(parent), design_(designSize) {
    parent->installEventFilter(this);
}

void AnchorLayout::place(QWidget* child, QRect designRect, unsigned anchors) {
    entries_.push_back({child, designRect, anchors});
    child->setGeometry(resolve(designRect, anchors, design_, parent_->size()));
}

QRect AnchorLayout::resolve(QRect d, unsigned anchors, QSize designSize, QSize actual) {
    const int dw = actual.width() - designSize.width();
    const int dh = actual.height() - designSize.height();
    int x = d.x(), y = d.y(), w = d.width(), h = d.height();
    const bool left = anchors & AnchorLeft, right = anchors & AnchorRight;
    const bool top = anchors & AnchorTop, bottom = anchors & AnchorBottom;
    if (left && right)
        w += dw;
    else if (right)
        x += dw;
    else if (!left)
        x += dw / 2;
    if (top && bottom)
        h += dh;
    else if (bottom)
        y += dh;
    else if (!top)
        y += dh / 2;
    return QRect(x, y, std::max(0, w), std::max(0, h));
}

void AnchorLayout::apply() {
    for (const Entry& e : entries_)
        e.child->setGeometry(resolve(e.design, e.anchors, design_, parent_->size()));
}

bool AnchorLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent_ && event->type() == QEvent::Resize) apply();
    return QObject::eventFilter(watched, event);
}

} // namespace kuvano
