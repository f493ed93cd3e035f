#pragma once
// Work that must not slow the start: begun once the first window is on the
// screen, and run on threads that yield to the one the user is waiting on.

#include <functional>

class QWidget;

namespace kuvano {

// Runs work once, from the event loop, after window's first paint has been
// drawn. Nothing runs if the window goes first.
void afterFirstPaint(QWidget& window, std::function<void()> work);

// Lowers the calling thread's scheduling priority (Linux: a thread's nice
// value is its own), so that on a machine of few cores it takes the time the
// window's thread leaves. Best effort: a failure changes nothing.
void lowerThreadPriority();

} // namespace kuvano
