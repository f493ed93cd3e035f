#pragma once
// Work that must not slow the start: begun once the first window is on the
// screen (the threads it runs on yield: store/thread_priority.h).

#include <functional>

class QWidget;

namespace kuvano {

// Runs work once, from the event loop, after window's first paint has been
// drawn. Nothing runs if the window goes first.
void afterFirstPaint(QWidget& window, std::function<void()> work);

} // namespace kuvano
