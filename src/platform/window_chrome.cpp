#include "platform/window_chrome.h"

#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace kuvano {
namespace {

class DragFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress) return false;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        QWindow* window = widget ? widget->window()->windowHandle() : nullptr;
        // Platforms without system moves (offscreen) simply leave the window where it is.
        if (window) window->startSystemMove();
        return false;
    }
};

} // namespace

void dragWindowBy(QWidget* handle) {
    handle->installEventFilter(new DragFilter(handle));
}

QPixmap windowPicture(const ProgramFolder& folder, const QString& name, const QSize& size,
                      const QColor& fallback) {
    QPixmap picture(folder.ownedFile(QStringLiteral("source/UI/") + name));
    if (!picture.isNull())
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap plain(size);
    plain.fill(fallback);
    return plain;
}

} // namespace kuvano
