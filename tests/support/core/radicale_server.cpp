#include "support/radicale_server.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

namespace kuvano::test {

namespace {

constexpr int startLimitMs = 10000;

QString program() {
    return QStandardPaths::findExecutable(QStringLiteral("radicale"));
}

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

} // namespace

RadicaleServer::RadicaleServer() : port_(freePort()) {
    const QString users = dir_.filePath(QStringLiteral("users"));
    writeFile(users, user() + QLatin1Char(':') + password() + QLatin1Char('\n'));
    const QString config = QStringLiteral("[server]\n"
                                          "hosts = 127.0.0.1:%1\n"
                                          "[auth]\n"
                                          "type = htpasswd\n"
                                          "htpasswd_filename = %2\n"
                                          "htpasswd_encryption = plain\n"
                                          "delay = 0\n"
                                          "[rights]\n"
                                          "type = owner_only\n"
                                          "[storage]\n"
                                          "filesystem_folder = %3\n"
                                          "[web]\n"
                                          "type = none\n"
                                          "[logging]\n"
                                          "level = error\n")
                               .arg(port_)
                               .arg(users, storage());
    writeFile(dir_.filePath(QStringLiteral("config")), config);
}

RadicaleServer::~RadicaleServer() {
    stop();
}

bool RadicaleServer::installed() {
    return !program().isEmpty();
}

QUrl RadicaleServer::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_));
}

bool RadicaleServer::start() {
    error_.clear();
    if (!installed()) {
        error_ = QStringLiteral("radicale is not installed");
        return false;
    }
    if (port_ == 0 || !dir_.isValid()) {
        error_ = QStringLiteral("no free port or temporary folder");
        return false;
    }
    process_.start(program(),
                   {QStringLiteral("--config"), dir_.filePath(QStringLiteral("config"))});
    if (!process_.waitForStarted(startLimitMs)) {
        error_ = process_.errorString();
        return false;
    }
    const QDeadlineTimer deadline(startLimitMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        if (probe.waitForConnected(200)) return true;
        // Doubles as the pause between tries; ends early when radicale gave up.
        if (process_.waitForFinished(50)) break;
    }
    error_ = QStringLiteral("radicale did not answer on port %1: ").arg(port_) +
             QString::fromLocal8Bit(process_.readAllStandardError());
    stop();
    return false;
}

void RadicaleServer::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

} // namespace kuvano::test
