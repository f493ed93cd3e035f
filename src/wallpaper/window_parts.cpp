#include "wallpaper/window_parts.h"

#include <QMouseEvent>
#include <QWindow>

namespace kuvano::wallpaper {
namespace {

class DragFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            auto* widget = qobject_cast<QWidget*>(watched);
            // Platforms without system moves (offscreen) leave the window where it is.
            if (QWindow* w = widget ? widget->window()->windowHandle() : nullptr)
                w->startSystemMove();
        }
        return false;
    }
};

} // namespace

void dragWindowBy(QWidget* handle) {
    handle->installEventFilter(new DragFilter(handle));
}

QPixmap uiPicture(const ProgramFolder& folder, const QString& name, QSize size,
                  const QColor& fallback) {
    QPixmap picture(folder.filePath(QStringLiteral("source/UI/") + name));
    if (!picture.isNull())
        return picture.size() == size
                   ? picture
                   : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap plain(size);
    plain.fill(fallback);
    return plain;
}

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
