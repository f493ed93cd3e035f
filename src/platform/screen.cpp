#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace kuvano::screen {
namespace {
QSize& fake() {
    static QSize value;
    return value;
}
} // namespace

QSize primarySize() {
    if (fake().isValid()) return fake();
    if (const QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().size();
    return QSize(1024, 768);
}

void setFakeSize(const QSize& size) {
    fake() = size;
}

} // namespace kuvano::screen
