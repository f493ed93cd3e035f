#include "store/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace kuvano {

void lowerThreadPriority() {
    constexpr int kNice = 10;
    // On Linux the thread id names the thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNice);
}

} // namespace kuvano
