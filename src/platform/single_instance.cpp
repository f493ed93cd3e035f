#include "platform/single_instance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kuvano {

namespace {
// Why the fallback folder is not ours alone, or empty when it is (made so if need be).
QString unsafeRuntimeFolder(const QString& dir) {
    const QByteArray path = QFile::encodeName(dir);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOTDIR || errno == ELOOP ? QStringLiteral("不是文件夹")
                                                  : QString::fromLocal8Bit(std::strerror(errno));
    struct stat st {};
    QString why;
    if (::fstat(fd, &st) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    else if (st.st_uid != ::getuid())
        why = QStringLiteral("属于另一个用户");
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        why = QStringLiteral("无法设为仅本用户可用");
    ::close(fd);
    return why;
}
} // namespace

QString userRuntimeFolder(const QString& xdgRuntimeDir, const QString& tempDir) {
    if (!xdgRuntimeDir.isEmpty() && QDir(xdgRuntimeDir).exists()) return xdgRuntimeDir;
    // In a shared temporary folder anyone may make this name first, and a
    // server of theirs in it would answer for us: it must be ours, 0700.
    // Earlier versions made it open to all; ours, it is closed again.
    const QString dir = tempDir + QStringLiteral("/kuvano-%1").arg(::getuid());
    const QString why = unsafeRuntimeFolder(dir);
    if (why.isEmpty()) return dir;
    std::fprintf(stderr, "kuvano: 不使用运行文件夹 %s（%s），再次启动时找不到本程序\n",
                 qUtf8Printable(dir), qUtf8Printable(why));
    return {};
}

SingleInstance::SingleInstance(QString className, QObject* parent)
    : QObject(parent), className_(std::move(className)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& className) {
    const QString folder =
        userRuntimeFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath());
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + className;
}

bool SingleInstance::post(const QString& className, quint32 message, qint64 wParam, qint64 lParam,
                          const QByteArray& activationToken) {
    return postTo(serverName(className), message, wParam, lParam, activationToken);
}

bool SingleInstance::postTo(const QString& name, quint32 message, qint64 wParam, qint64 lParam,
                            const QByteArray& activationToken) {
    if (name.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000)) return false;
    QByteArray line = QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' +
                      QByteArray::number(lParam);
    // Percent-encoded: a token is the launcher's string, spaces and all.
    if (!activationToken.isEmpty()) line += ' ' + activationToken.toPercentEncoding();
    socket.write(line + '\n');
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(500);
    return true;
}

bool SingleInstance::claim() {
    const QString name = serverName(className_);
    // No folder of our own for the server: run unseen by later starts. The
    // notebook's own lock still keeps a second copy off the notes.
    if (name.isEmpty()) return true;
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (postTo(name, kActivateMessage, 0, 0, token)) return false;
    // Serialise the look-and-listen between processes starting together.
    QLockFile lock(name + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // stale only when its owner process is gone
    // A lock not free in time belongs to a start that does not finish: go on
    // without it rather than run unseen.
    lock.tryLock(startLockTimeoutMs_);
    if (postTo(name, kActivateMessage, 0, 0, token)) return false;
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
                if (parts.size() != 3 && parts.size() != 4) continue;
                bool ok1 = false, ok2 = false, ok3 = false;
                const quint32 message = parts[0].toUInt(&ok1);
                const qint64 w = parts[1].toLongLong(&ok2);
                const qint64 l = parts[2].toLongLong(&ok3);
                if (!(ok1 && ok2 && ok3)) continue;
                Q_EMIT messageReceived(message, w, l);
                if (message == kActivateMessage)
                    Q_EMIT activationRequested(parts.size() == 4
                                                   ? QByteArray::fromPercentEncoding(parts[3])
                                                   : QByteArray());
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, drain);
        drain(); // bytes that arrived before the connection was taken
    }
}

} // namespace kuvano
