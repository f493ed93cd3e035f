#pragma once
// A tiny HTTP server on the loopback address standing in for the web site:
// answers every request with the page, or with a body that never ends or
// comes a few bytes at a time; records the paths asked for, what it sent
// and whether the other side hung up.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <vector>

namespace kuvano::test {

class FakeSite : public QObject {
public:
    enum class Answer { Whole, Endless, Drip };

    explicit FakeSite(QByteArray page, QByteArray contentType = "text/html; charset=utf-8",
                      Answer answer = Answer::Whole)
        : page_(std::move(page)), type_(std::move(contentType)), answer_(answer) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, this, [this] { ++hangUps; });
                connect(s, &QTcpSocket::readyRead, s, [this, s] { reply(s); });
            }
        });
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }

    std::vector<QString> paths;
    qint64 sent = 0; // body bytes written
    int hangUps = 0;

private:
    void reply(QTcpSocket* s) {
        const QByteArray request = s->readAll();
        const QList<QByteArray> first = request.split('\n').first().split(' ');
        if (first.size() > 1) paths.push_back(QString::fromLatin1(first[1]));
        QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: " + type_ + "\r\n";
        if (answer_ == Answer::Whole) {
            s->write(head + "Content-Length: " + QByteArray::number(page_.size()) +
                     "\r\nConnection: close\r\n\r\n" + page_);
            sent += page_.size();
            s->disconnectFromHost();
            return;
        }
        s->write(head + "Connection: close\r\n\r\n" + page_);
        if (answer_ == Answer::Endless) {
            const QByteArray chunk(64 * 1024, 'x');
            connect(s, &QTcpSocket::bytesWritten, s, [this, s, chunk] {
                if (s->bytesToWrite() < 4 * chunk.size()) {
                    s->write(chunk);
                    sent += chunk.size();
                }
            });
        } else {
            auto* drip = new QTimer(s);
            connect(drip, &QTimer::timeout, s, [this, s] {
                s->write("x");
                ++sent;
            });
            drip->start(50);
        }
    }

    QTcpServer server_;
    QByteArray page_, type_;
    Answer answer_;
};

} // namespace kuvano::test
