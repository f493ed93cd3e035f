#pragma once
// One running instance per user. The running program listens on a local
// server named after its main window's class name; a second start finds it,
// posts a message to it and ends. The message carries the activation token
// the launcher gave the second start, so that the running copy may take the
// focus with it (Wayland grants focus only with a token).

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

namespace kuvano {

// The folder of the per-user server: XDG_RUNTIME_DIR when it exists, else
// tempDir/kuvano-<uid>, made 0700 and used only while it is this user's own
// folder closed to others. Empty, said on standard error, when it is not.
QString userRuntimeFolder(const QString& xdgRuntimeDir, const QString& tempDir);

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Message a second start posts to the running instance (WM_USER + 10).
    static constexpr quint32 kActivateMessage = 1034;

    explicit SingleInstance(QString className, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user server name for a class name (a socket in the user's
    // runtime folder); empty when there is no such folder.
    static QString serverName(const QString& className);

    // True: this process is now the running instance. False: another instance
    // answered and has been sent kActivateMessage with wParam 0 and lParam 0
    // and this start's XDG_ACTIVATION_TOKEN, or runs without a server (below). A server left behind
    // by a crashed instance is removed; two processes claiming at the same moment end with exactly
    // one running.
    //
    // Without a runtime folder of its own (see userRuntimeFolder) this
    // instance runs without a server, and later starts do not find it.
    //
    // A server that cannot listen is tried once more after removing what is
    // in its place. When that fails too, this instance still runs and holds
    // a running mark beside the server's name instead, which later claims
    // find; when even the mark cannot be made, it says so on standard error.
    bool claim();

    // How long claim() waits for another start's look-and-listen to finish.
    void setStartLockTimeout(int ms) { startLockTimeoutMs_ = ms; }
    bool listening() const { return server_.isListening(); }

    // Sends one message to the instance listening for className; false when none.
    static bool post(const QString& className, quint32 message, qint64 wParam, qint64 lParam,
                     const QByteArray& activationToken = {});

    QString errorString() const { return server_.errorString(); }

Q_SIGNALS:
    void messageReceived(quint32 message, qint64 wParam, qint64 lParam);
    // A second start's kActivateMessage, with its launcher's token (may be empty).
    void activationRequested(const QByteArray& activationToken);

protected:
    // Starts the server under the given full name (a seam for tests).
    virtual bool listenOn(const QString& name);

private:
    static bool postTo(const QString& name, quint32 message, qint64 wParam, qint64 lParam,
                       const QByteArray& activationToken);
    void onNewConnection();
    bool markedRunningElsewhere(const QString& name) const;
    QString className_;
    QLocalServer server_;
    int startLockTimeoutMs_ = 5000;
    std::unique_ptr<QLockFile> runningMark_;
};

} // namespace kuvano
