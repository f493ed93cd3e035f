#pragma once

#include <QSize>

namespace kuvano {

// Size of the primary screen, which the window size rules are computed from.
// Tests set a fake size (an invalid size returns to the real screen).
namespace screen {
QSize primarySize();
void setFakeSize(const QSize& size);
} // namespace screen

} // namespace kuvano
