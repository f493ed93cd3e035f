#include "platform/session_end.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace kuvano {

namespace {

constexpr std::array kSignals{SIGTERM, SIGHUP, SIGINT};

// The pipe's ends: the handler writes, the event loop reads.
int pipeRead = -1;
volatile sig_atomic_t pipeWrite = -1;

extern "C" void onSignal(int) {
    // Nothing but a write may run here; a full pipe already holds a wake-up.
    const int saved = errno;
    const char byte = 1;
    if (pipeWrite >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(pipeWrite, &byte, 1);
    }
    errno = saved;
}

void setHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) ::sigaction(s, &action, nullptr);
}

} // namespace

SessionEndSignals::SessionEndSignals(std::function<void()> onEnd, QObject* parent)
    : QObject(parent), onEnd_(std::move(onEnd)) {
    int fds[2];
    if (pipeRead >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default: the program ends
    pipeRead = fds[0];
    pipeWrite = fds[1];
    notifier_ = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEndSignals::readSignals);
    setHandlers(onSignal);
}

SessionEndSignals::~SessionEndSignals() {
    if (!notifier_) return;
    setHandlers(SIG_DFL);
    const int write = pipeWrite;
    pipeWrite = -1;
    ::close(write);
    ::close(pipeRead);
    pipeRead = -1;
}

void SessionEndSignals::readSignals() {
    char bytes[64];
    while (::read(pipeRead, bytes, sizeof bytes) > 0) {
    }
    if (ended_) return; // a second signal while closing changes nothing
    ended_ = true;
    if (onEnd_) onEnd_();
}

} // namespace kuvano
