#pragma once
// One running instance per user. The running program listens on a local
// server named after its main window's class name; a second start finds it,
// posts a message to it and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace kuvano {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Message a second start posts to the running instance (WM_USER + 10).
    static constexpr quint32 kActivateMessage = 1034;

    explicit SingleInstance(QString className, QObject* parent = nullptr);

    // The per-user server name for a class name (a socket in the user's runtime folder).
    static QString serverName(const QString& className);

    // True: this process is now the running instance. False: another instance
    // answered and has been sent kActivateMessage with wParam 0 and lParam 0.
    // A server left behind by a crashed instance is removed; two processes
    // claiming at the same moment end with exactly one running.
    bool claim();

    // Sends one message to the instance listening for className; false when none.
    static bool post(const QString& className, quint32 message, qint64 wParam, qint64 lParam);

    QString errorString() const { return server_.errorString(); }

Q_SIGNALS:
    void messageReceived(quint32 message, qint64 wParam, qint64 lParam);

private:
    void onNewConnection();
    QString className_;
    QLocalServer server_;
};

} // namespace kuvano
