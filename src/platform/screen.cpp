#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kuvano::screen {
namespace {
QSize& fake() {
    static QSize value;
    return value;
}

const QScreen* screenOf(const QWidget* window) {
    if (window)
        if (const QScreen* s = window->screen()) return s;
    return QGuiApplication::primaryScreen();
}

const QRect kNoScreen(0, 0, 1024, 768);
} // namespace

QSize primarySize() {
    if (fake().isValid()) return fake();
    if (const QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().size();
    return kNoScreen.size();
}

QRect geometryOf(const QWidget* window) {
    if (fake().isValid()) return QRect(QPoint(0, 0), fake());
    const QScreen* s = screenOf(window);
    return s ? s->geometry() : kNoScreen;
}

QRect availableOf(const QWidget* window) {
    if (fake().isValid()) return QRect(QPoint(0, 0), fake());
    const QScreen* s = screenOf(window);
    return s ? s->availableGeometry() : kNoScreen;
}

void setFakeSize(const QSize& size) {
    fake() = size;
}

} // namespace kuvano::screen
