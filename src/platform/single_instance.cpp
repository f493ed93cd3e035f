#include "platform/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdio>

#include <unistd.h>

namespace kuvano {

namespace {
QString runtimeFolder() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath() + QStringLiteral("/kuvano-%1").arg(getuid());
    QDir().mkpath(dir);
    return dir;
}
} // namespace

SingleInstance::SingleInstance(QString className, QObject* parent)
    : QObject(parent), className_(std::move(className)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& className) {
    return runtimeFolder() + QLatin1Char('/') + className;
}

bool SingleInstance::post(const QString& className, quint32 message, qint64 wParam, qint64 lParam) {
    QLocalSocket socket;
    socket.connectToServer(serverName(className));
    if (!socket.waitForConnected(1000)) return false;
    socket.write(QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' +
                 QByteArray::number(lParam) + '\n');
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(500);
    return true;
}

bool SingleInstance::claim() {
    const QString name = serverName(className_);
    if (post(className_, kActivateMessage, 0, 0)) return false;
    // Serialise the look-and-listen between processes starting together.
    QLockFile lock(name + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // stale only when its owner process is gone
    // A lock not free in time belongs to a start that does not finish: go on
    // without it rather than run unseen.
    lock.tryLock(startLockTimeoutMs_);
    if (post(className_, kActivateMessage, 0, 0)) return false;
    if (markedRunningElsewhere(name)) return false;
    // Nobody answers: a socket file still there is a crashed instance's.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QLocalServer::removeServer(name);
        if (listenOn(name)) return true;
    }
    auto mark = std::make_unique<QLockFile>(name + QStringLiteral(".running"));
    mark->setStaleLockTime(0);
    if (mark->tryLock(0)) {
        runningMark_ = std::move(mark);
    } else {
        std::fprintf(stderr,
                     "kuvano: cannot listen on %s (%s) nor mark this instance as running; a "
                     "second start will not find it\n",
                     qUtf8Printable(name), qUtf8Printable(server_.errorString()));
    }
    return true;
}

bool SingleInstance::markedRunningElsewhere(const QString& name) const {
    QLockFile mark(name + QStringLiteral(".running"));
    mark.setStaleLockTime(0);
    if (mark.tryLock(0)) return false; // none, or a dead process's: removed again on return
    return mark.error() == QLockFile::LockFailedError;
}

bool SingleInstance::listenOn(const QString& name) {
    return server_.listen(name);
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto drain = [this, socket] {
            while (socket->canReadLine()) {
                const QList<QByteArray> parts = socket->readLine().trimmed().split(' ');
                if (parts.size() != 3) continue;
                bool ok1 = false, ok2 = false, ok3 = false;
                const quint32 message = parts[0].toUInt(&ok1);
                const qint64 w = parts[1].toLongLong(&ok2);
                const qint64 l = parts[2].toLongLong(&ok3);
                if (ok1 && ok2 && ok3) Q_EMIT messageReceived(message, w, l);
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, drain);
        drain(); // bytes that arrived before the connection was taken
    }
}

} // namespace kuvano
