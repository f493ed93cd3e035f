#pragma once

#include <QDate>
#include <QDateTime>

namespace kuvano {

// "Now" and "today" for everything that shows or keys by the current date;
// tests fix it so that a run never depends on the day it happens on.
namespace clock {
QDateTime now();
QDate today();
void setFixed(const QDateTime& now); // an invalid value returns to the real clock
} // namespace clock

} // namespace kuvano
