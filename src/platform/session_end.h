#pragma once
// The end of the session: the signals a logout, a shutdown or a terminal
// sends (SIGTERM, SIGHUP, SIGINT) turned into a call on the event loop, so
// that the program closes as the close picture does instead of dying with
// its notebook open.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kuvano {

class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    // Calls `onEnd` on the event loop once, at the first of the signals.
    // One object at a time; its end restores the default handlers.
    explicit SessionEndSignals(std::function<void()> onEnd, QObject* parent = nullptr);
    ~SessionEndSignals() override;
    SessionEndSignals(const SessionEndSignals&) = delete;
    SessionEndSignals& operator=(const SessionEndSignals&) = delete;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignals();

    std::function<void()> onEnd_;
    QSocketNotifier* notifier_ = nullptr;
    bool ended_ = false;
};

} // namespace kuvano
