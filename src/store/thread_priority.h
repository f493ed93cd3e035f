#pragma once

namespace kuvano {

// Lowers the calling thread's scheduling priority (Linux: a thread's nice
// value is its own), so that on a machine of few cores it takes the time the
// window's thread leaves. Best effort: a failure changes nothing.
void lowerThreadPriority();

} // namespace kuvano
