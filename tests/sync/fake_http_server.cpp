#include "fake_http_server.h"

#include "support/temp_folder.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>

#include <algorithm>

namespace kuvano::test {

FakeHttpServer::FakeHttpServer(std::vector<QByteArray> replies, bool stall, bool tls)
    : replies_(std::move(replies)), stall_(stall), tls_(tls) {
    if (tls) {
        auto ssl = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(
            QSslCertificate(testData(QStringLiteral("sync/self_signed.crt"))));
        config.setPrivateKey(QSslKey(testData(QStringLiteral("sync/self_signed.key")), QSsl::Rsa));
        ssl->setSslConfiguration(config);
        server_ = std::move(ssl);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
    server_->listen(QHostAddress::LocalHost, 0);
    QTcpServer* server = server_.get();
    QObject::connect(server, &QTcpServer::pendingConnectionAvailable, server, [this, server] {
        while (QTcpSocket* s = server->nextPendingConnection()) {
            ++connections_;
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { serve(s); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QUrl FakeHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(server_->serverPort())
                    .arg(path));
}

QByteArray FakeHttpServer::reply(const QByteArray& status, const QByteArray& body,
                                 const QByteArray& headers) {
    return "HTTP/1.1 " + status + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

// Answers once the request's head and its Content-Length of body are in.
void FakeHttpServer::serve(QTcpSocket* socket) {
    const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return;
    qsizetype length = 0;
    for (const QByteArray& line : buffer.left(headEnd).split('\n'))
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    if (buffer.size() < headEnd + 4 + length) return;
    socket->setProperty("buffer", QByteArray());
    last_ = buffer;
    const auto n = std::min(static_cast<std::size_t>(requests_++), replies_.size() - 1);
    socket->write(replies_[n]);
    if (!stall_) socket->disconnectFromHost();
}

} // namespace kuvano::test
