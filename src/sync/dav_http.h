#pragma once
// Blocking HTTP for the CalDAV client: one request at a time, waited for in a
// local event loop with a timeout, so the sync engine's worker thread (or
// `kuvano --sync`) writes straight-line code. Network faults come out as
// SyncError; any HTTP status comes back for the caller to judge.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

class QNetworkAccessManager;

namespace kuvano::sync {

struct DavAccount {
    QUrl url;
    QString user;
    QString password;
    bool allowInsecureHttp = false; // plain http:// to another host than this one
};

struct DavOptions {
    int timeoutMs = 30000;          // without a byte moving; ten of them in all at most
    qint64 maxBodyBytes = 32 << 20; // a longer reply is refused while it arrives
    int multigetBatch = 100;        // hrefs per calendar-multiget
};

namespace dav {

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

struct Reply {
    int status = 0;
    QByteArray body;
    QUrl url; // where it came from, after redirects
    QString etag;
};

class Http {
public:
    Http(DavAccount account, DavOptions options);
    ~Http();
    Http(const Http&) = delete;
    Http& operator=(const Http&) = delete;

    // Sends and waits, following redirects with the same method. Throws
    // SyncError for what is no HTTP answer (refused, timeout, certificate,
    // too large, redirect loop, insecure address, cancelled).
    Reply send(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
               const Headers& headers = {});

    // The SyncError for an unexpected status.
    [[noreturn]] static void fail(const Reply& reply);

    // Throws SyncError(Insecure) for plain http:// to another host, unless allowed.
    void checkSecure(const QUrl& url) const;

    const DavAccount& account() const { return account_; }
    const DavOptions& options() const { return options_; }
    int requestCount() const { return requests_.load(); }
    void cancel() { cancelled_.store(true); }
    bool cancelled() const { return cancelled_.load(); }

    // One network manager for a public call and the calls it makes, created in
    // the calling thread and gone when the call ends.
    class Session {
    public:
        explicit Session(Http& http);
        ~Session();
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

    private:
        Http& http_;
    };

private:
    Reply once(const QByteArray& verb, const QUrl& url, const QByteArray& body,
               const Headers& headers);
    bool mayAuthorize(const QUrl& url) const;
    bool mayAuthorizeAhead(const QUrl& url) const;

    DavAccount account_;
    DavOptions options_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    int sessionDepth_ = 0;
    std::atomic<int> requests_{0};
    std::atomic<bool> cancelled_{false};
};

} // namespace dav
} // namespace kuvano::sync
