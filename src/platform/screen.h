#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace kuvano {

// The screens the window size rules are computed from, in logical pixels
// (the window system's pixels divided by the device pixel ratio, so a rule
// reads the same at any scale factor). Tests set a fake size (an invalid size
// returns to the real screens); a fake screen lies at 0, 0 and is free whole.
namespace screen {
// Size of the primary screen.
QSize primarySize();
// The screen `window` is on (the primary one before it is shown): its whole
// area, and the part of it panels and docks leave free.
QRect geometryOf(const QWidget* window);
QRect availableOf(const QWidget* window);
void setFakeSize(const QSize& size);
} // namespace screen

} // namespace kuvano
