#include "sync/dav_http.h"

#include "sync/sync_error.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace kuvano::sync::dav {

namespace {

using Kind = SyncError::Kind;

constexpr int maxRedirects = 5;
constexpr int cancelPollMs = 50; // cancel() comes from another thread: looked at this often
// A reply trickling in a byte at a time never trips the idle timeout: the
// whole exchange gets this many idle timeouts at most.
constexpr int totalTimeouts = 10;

bool isLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

bool isHttps(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

SyncError cancelledError() {
    return SyncError(Kind::Other, QStringLiteral("同步已取消"));
}

// A fault below HTTP: no status to judge.
SyncError networkError(QNetworkReply::NetworkError code, const QUrl& url, const QString& detail,
                       int timeoutMs) {
    switch (code) {
    case QNetworkReply::HostNotFoundError:
        return SyncError(Kind::Network, QStringLiteral("找不到服务器地址 ") + url.host(), detail);
    case QNetworkReply::ConnectionRefusedError:
        return SyncError(Kind::Network, QStringLiteral("服务器拒绝连接"), detail);
    case QNetworkReply::TimeoutError:
        return SyncError(Kind::Timeout,
                         QStringLiteral("服务器没有在 %1 秒内回答").arg(timeoutMs / 1000), detail);
    case QNetworkReply::SslHandshakeFailedError:
        return SyncError(Kind::Untrusted, QStringLiteral("服务器的证书不受信任"), detail);
    case QNetworkReply::RemoteHostClosedError:
        return SyncError(Kind::Network, QStringLiteral("服务器中断了连接"), detail);
    default:
        return SyncError(Kind::Network, QStringLiteral("无法连接服务器"), detail);
    }
}

// Errors Qt reports below HTTP (connection, proxy, protocol), as opposed to
// those that merely restate an HTTP status.
bool belowHttp(QNetworkReply::NetworkError code) {
    const int c = static_cast<int>(code);
    return (c > 0 && c < 200) || (c >= 300 && c < 400);
}

} // namespace

Http::Http(DavAccount account, DavOptions options)
    : account_(std::move(account)), options_(options) {}

Http::~Http() = default;

Http::Session::Session(Http& http) : http_(http) {
    if (http_.sessionDepth_++ == 0) http_.manager_ = std::make_unique<QNetworkAccessManager>();
}

Http::Session::~Session() {
    if (--http_.sessionDepth_ == 0) http_.manager_.reset();
}

void Http::checkSecure(const QUrl& url) const {
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        throw SyncError(Kind::NotCalDav, QStringLiteral("服务器地址要以 https:// 开头"),
                        url.toDisplayString());
    if (scheme == QLatin1String("http") && !account_.allowInsecureHttp && !isLoopback(url.host()))
        throw SyncError(Kind::Insecure,
                        QStringLiteral("不加密的 http:// 地址只能连本机，请改用 https://"),
                        url.toDisplayString());
}

// Credentials go out unasked only where nobody can read them on the way, and
// only to the host the user named.
bool Http::mayAuthorizeAhead(const QUrl& url) const {
    return mayAuthorize(url) && (isHttps(url) || isLoopback(url.host()));
}

// A redirect elsewhere gets no password, asked or not.
bool Http::mayAuthorize(const QUrl& url) const {
    return !account_.user.isEmpty() &&
           url.host().compare(account_.url.host(), Qt::CaseInsensitive) == 0;
}

void Http::fail(const Reply& reply) {
    const int s = reply.status;
    const QString where = reply.url.toDisplayString();
    if (s == 401) throw SyncError(Kind::Unauthorized, QStringLiteral("用户名或密码不对"), where, s);
    if (s == 403)
        throw SyncError(Kind::Unauthorized, QStringLiteral("服务器不允许这个用户访问这里"), where,
                        s);
    if (s == 404)
        throw SyncError(Kind::NotCalDav, QStringLiteral("服务器上没有这个地址"), where, s);
    // A web page where a WebDAV answer was due, or WebDAV methods refused.
    if (s < 300 || s == 405 || s == 501)
        throw SyncError(Kind::NotCalDav, QStringLiteral("这个地址不是 CalDAV 日历服务器"), where,
                        s);
    if (s == 412)
        throw SyncError(Kind::PreconditionFailed, QStringLiteral("这条记事在服务器上已被别处改动"),
                        where, s);
    if (s >= 500) throw SyncError(Kind::Server, QStringLiteral("服务器出错 (%1)").arg(s), where, s);
    throw SyncError(Kind::Other, QStringLiteral("服务器不接受这个请求 (%1)").arg(s), where, s);
}

Reply Http::send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                 const Headers& headers) {
    Session session(*this);
    std::vector<QUrl> seen;
    QUrl at = url;
    for (;;) {
        checkSecure(at);
        Reply r = once(verb, at, body, headers);
        const bool redirect = r.status == 301 || r.status == 302 || r.status == 303 ||
                              r.status == 307 || r.status == 308;
        if (!redirect || r.url.isEmpty()) {
            r.url = at;
            return r;
        }
        seen.push_back(at);
        const QUrl next = r.url;
        const bool loop =
            std::any_of(seen.begin(), seen.end(), [&](const QUrl& u) { return u == next; });
        if (loop || static_cast<int>(seen.size()) > maxRedirects)
            throw SyncError(Kind::BadReply, QStringLiteral("服务器的转向没有尽头"),
                            url.toDisplayString(), r.status);
        at = next;
    }
}

// One request, no redirect followed: a redirect comes back with its target in `url`.
Reply Http::once(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                 const Headers& headers) {
    if (cancelled_.load()) throw cancelledError();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("kuvano"));
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/xml; charset=utf-8"));
    for (const auto& [name, value] : headers) request.setRawHeader(name, value);
    const bool ahead = mayAuthorizeAhead(url);
    if (ahead)
        request.setRawHeader(
            "Authorization",
            "Basic " + (account_.user + QLatin1Char(':') + account_.password).toUtf8().toBase64());

    ++requests_;
    std::unique_ptr<QNetworkReply> reply(manager_->sendCustomRequest(request, verb, body));
    const qint64 max = options_.maxBodyBytes;
    QByteArray data;
    bool tooBig = false, timedOut = false, stopped = false, untrusted = false;
    QString sslText;
    int challenges = 0;

    QEventLoop loop;
    QTimer idle; // restarted by every byte that moves
    idle.setSingleShot(true);
    idle.setInterval(options_.timeoutMs);
    QTimer total;
    total.setSingleShot(true);
    total.setInterval(static_cast<int>(std::min<qint64>(qint64{options_.timeoutMs} * totalTimeouts,
                                                        std::numeric_limits<int>::max())));
    QTimer poll;
    poll.setInterval(cancelPollMs);
    QNetworkReply* r = reply.get();
    auto take = [&] {
        const QByteArray chunk = r->readAll();
        if (data.size() + chunk.size() > max) {
            tooBig = true;
            r->abort();
        } else {
            data += chunk;
        }
    };
    // The handlers only note what happened: nothing may be thrown through Qt.
    QObject::connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        idle.start();
        bool ok = false;
        const qint64 length = r->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && length > max) {
            tooBig = true;
            r->abort();
        }
    });
    QObject::connect(r, &QNetworkReply::readyRead, &loop, [&] {
        idle.start();
        take();
    });
    QObject::connect(r, &QNetworkReply::uploadProgress, &loop, [&] { idle.start(); });
    QObject::connect(r, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        // Never ignored: the handshake fails and the request with it.
        untrusted = true;
        if (!errors.isEmpty()) sslText = errors.front().errorString();
    });
    QObject::connect(manager_.get(), &QNetworkAccessManager::authenticationRequired, &loop,
                     [&](QNetworkReply* asking, QAuthenticator* auth) {
                         // Answered once; a wrong password then ends in 401, not a loop.
                         if (asking != r || ahead || !mayAuthorize(url) || challenges++ > 0) return;
                         auth->setUser(account_.user);
                         auth->setPassword(account_.password);
                     });
    const auto giveUp = [&] {
        timedOut = true;
        r->abort();
    };
    QObject::connect(&idle, &QTimer::timeout, &loop, giveUp);
    QObject::connect(&total, &QTimer::timeout, &loop, giveUp);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!cancelled_.load()) return;
        stopped = true;
        r->abort();
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start();
    total.start();
    poll.start();
    if (!r->isFinished()) loop.exec();
    if (!tooBig && !timedOut && !stopped) take();

    if (stopped || cancelled_.load()) throw cancelledError();
    if (tooBig)
        throw SyncError(Kind::BadReply,
                        QStringLiteral("服务器的回答太大 (超过 %1 MB)").arg(max / (1 << 20)),
                        url.toDisplayString());
    if (timedOut)
        throw SyncError(Kind::Timeout,
                        QStringLiteral("服务器没有在 %1 秒内回答").arg(options_.timeoutMs / 1000),
                        url.toDisplayString());
    if (untrusted)
        throw SyncError(Kind::Untrusted, QStringLiteral("服务器的证书不受信任"), sslText);
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || belowHttp(r->error()))
        throw networkError(r->error(), url, r->errorString(), options_.timeoutMs);

    Reply out;
    out.status = status;
    out.body = std::move(data);
    out.etag = QString::fromLatin1(r->rawHeader("ETag")).trimmed();
    if (status >= 300 && status < 400) {
        const QByteArray location = r->rawHeader("Location").trimmed();
        if (!location.isEmpty()) out.url = url.resolved(QUrl::fromEncoded(location));
    }
    return out;
}

} // namespace kuvano::sync::dav
