#pragma once
// A tiny HTTP server for the replies Radicale never gives (not XML, 503, a
// reply that never ends, a huge body, a redirect loop). It lives in the test's
// thread: the blocking client's local event loop serves it.

#include <QByteArray>
#include <QTcpServer>
#include <QUrl>

#include <memory>
#include <vector>

class QTcpSocket;

namespace kuvano::test {

class FakeHttpServer {
public:
    // The n-th request gets replies[n] verbatim (the last one again when they
    // run out); the connection closes after it unless `stall`.
    // With `tls`, it speaks https with a self-signed certificate for 127.0.0.1
    // (tests/data/sync/self_signed.*, made with openssl req -x509).
    explicit FakeHttpServer(std::vector<QByteArray> replies, bool stall = false, bool tls = false);
    QUrl url(const QString& path = QStringLiteral("/")) const;
    int requests() const { return requests_; }
    int connections() const { return connections_; }
    const QByteArray& lastRequest() const { return last_; }

    // "HTTP/1.1 <status>", the headers and the body, Content-Length filled in.
    static QByteArray reply(const QByteArray& status, const QByteArray& body,
                            const QByteArray& headers = {});

private:
    void serve(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> server_;
    std::vector<QByteArray> replies_;
    bool stall_;
    bool tls_;
    int requests_ = 0;
    int connections_ = 0;
    QByteArray last_;
};

} // namespace kuvano::test
