#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

class QWidget;

namespace kuvano {

// The application id: the desktop entry's name, the icon's name and the
// AppStream id are all this.
QString appId();

// The program's icon, a desk-calendar page: a red header with two binding
// rings over a white page with a grid of days, one of them marked. Drawn on a
// 16-unit grid so that 16, 32, 48, 64, 128 and 256 pixels stay crisp; below
// 32 pixels it is drawn without rounding, shadow or the folded corner.
inline constexpr int kAppIconSizes[] = {16, 32, 48, 64, 128, 256};
QImage drawAppIcon(int size);
QByteArray appIconSvg(); // the detailed drawing as SVG (viewBox 0 0 16 16)
QIcon appIcon();         // every size of kAppIconSizes

// Tells the desktop which entry and icon the windows belong to; every window,
// dialogs included, then carries the icon.
void setDesktopIdentity();
// The entry now, the icon once `first` has drawn its first frame: drawing it
// at every size would hold that frame back, and the desktop takes the icon of
// a window already shown as well.
void setDesktopIdentityAfterFirstFrame(QWidget& first);

} // namespace kuvano
