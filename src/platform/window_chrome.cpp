#include "platform/window_chrome.h"

#include "platform/sharp_picture.h"

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
                      const QColor& fallback, const QWidget* shownOn) {
    const QString file = folder.ownedFile(QStringLiteral("source/UI/") + name);
    const QPixmap picture = sharpPicture(file, size, shownOn->devicePixelRatioF());
    if (!picture.isNull()) return picture;
    QPixmap plain(size);
    plain.fill(fallback);
    return plain;
}

} // namespace kuvano
