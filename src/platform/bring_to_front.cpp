#include "platform/bring_to_front.h"

#include <QWidget>

namespace kuvano {

void bringToFront(QWidget& window, const QByteArray& activationToken) {
    if (!window.isVisible()) return;
    if (!activationToken.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

} // namespace kuvano
