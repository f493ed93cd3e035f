#include "platform/background.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace kuvano {

namespace {

// Watches every event until the first paint of any widget in the window: a
// window wholly covered by its children is never sent a paint of its own.
class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QWidget& window, std::function<void()> work)
        : QObject(&window), window_(window), work_(std::move(work)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != &window_)
            return false;
        qApp->removeEventFilter(this);
        // The rest of the frame is drawn in the same pass: a zero timer
        // fires once it is on the screen.
        QTimer::singleShot(0, this, [this] {
            const std::function<void()> work = std::move(work_);
            deleteLater();
            work();
        });
        return false;
    }

private:
    QWidget& window_;
    std::function<void()> work_;
};

} // namespace

void afterFirstPaint(QWidget& window, std::function<void()> work) {
    new FirstPaintWatch(window, std::move(work));
}

} // namespace kuvano
