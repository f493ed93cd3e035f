#pragma once

#include <QByteArray>

class QWidget;

namespace kuvano {

// Brings a shown window to the front and gives it the focus, as a second
// start from the menu asks: un-minimised, raised and activated. The launcher's
// activation token (empty when it gave none) is what lets a Wayland
// compositor hand over the focus; the platform reads it from
// XDG_ACTIVATION_TOKEN. A hidden window stays hidden: the main window waits
// behind the login window until the password is given.
void bringToFront(QWidget& window, const QByteArray& activationToken);

} // namespace kuvano
