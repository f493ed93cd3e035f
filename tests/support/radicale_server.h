#pragma once
// A real CalDAV server for the sync tests and benchmarks: Debian's radicale,
// started as a child process on a free local port with its own configuration,
// storage folder and user file, all temporary. Tests skip when it is not
// installed (scripts/setup.sh installs it).

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace kuvano::test {

class RadicaleServer {
public:
    RadicaleServer();
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    static bool installed();

    // Starts it (again, on the same port and storage after stop()) and waits
    // until it takes connections; false with error() saying why.
    bool start();
    void stop();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    QString error() const { return error_; }
    QUrl url() const; // http://127.0.0.1:port/
    QString user() const { return QStringLiteral("alice"); }
    QString password() const { return QStringLiteral("wonder-land"); }
    QString storage() const { return dir_.filePath(QStringLiteral("storage")); }
    qint64 pid() const { return process_.processId(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
};

} // namespace kuvano::test
