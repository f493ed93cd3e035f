#include "wallpaper/window_parts.h"

#include <QMouseEvent>

namespace kuvano::wallpaper {
ImageButton::ImageButton(QPixmap normal, QPixmap highlight, QPixmap down, QWidget* parent)
    : QLabel(parent), faces_{std::move(normal), std::move(highlight), std::move(down)} {
    setCursor(Qt::PointingHandCursor);
    showFace(Face::Normal);
}

void ImageButton::showFace(Face face) {
    face_ = face;
    setPixmap(faces_[int(face)]);
}

void ImageButton::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    showFace(Face::Highlight);
}

void ImageButton::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    showFace(Face::Normal);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) showFace(Face::Down);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || face_ != Face::Down) return;
    const bool inside = rect().contains(event->position().toPoint());
    showFace(inside ? Face::Highlight : Face::Normal);
    if (inside) Q_EMIT clicked();
}

} // namespace kuvano::wallpaper
