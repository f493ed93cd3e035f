#pragma once
// The XML of WebDAV and CalDAV: request bodies, and the multistatus replies
// read into plain records. Replies come from a server we do not control: the
// reader is namespace-aware, takes any prefix, skips what it does not know and
// throws SyncError(BadReply) on anything that is not a multistatus.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

namespace kuvano::sync::dav {

// One <response> of a multistatus; properties only from 2xx propstats.
struct Response {
    QUrl href;      // resolved against the request URL
    int status = 0; // the response's own <status> (a removed member: 404), 0 when none
    QString etag;
    QString displayName;
    bool collection = false;
    bool calendar = false;
    bool hasComponentSet = false; // supported-calendar-component-set given
    QStringList components;       // its comp names, upper case
    QStringList reports;          // supported-report-set, "namespace|name"
    QUrl principal;               // current-user-principal
    std::vector<QUrl> homes;      // calendar-home-set
    QByteArray calendarData;      // UTF-8
    bool hasCalendarData = false;
};

struct Multistatus {
    std::vector<Response> responses;
    QString syncToken;
};

// Throws SyncError(BadReply) when `body` is not a DAV:multistatus document.
Multistatus parseMultistatus(const QByteArray& body, const QUrl& base);

// True when `body` is a DAV:error naming the precondition `name` in `ns`
// (e.g. DAV: valid-sync-token); false for anything else, malformed included.
bool hasPrecondition(const QByteArray& body, const QString& ns, const QString& name);

// The status code of an HTTP status line ("HTTP/1.1 404 Not Found" → 404), 0 if unreadable.
int statusCode(const QString& line);

// One spelling of a URL: no default port, the path percent-encoded one way
// ("%40" and "@" alike). Every href read from a reply comes this way, so
// hrefs compare with ==.
QUrl canonical(const QUrl& url);

// Same resource: scheme, host, port and the decoded path, a trailing slash ignored.
bool sameResource(const QUrl& a, const QUrl& b);

// An href for a request body: the encoded absolute path.
QByteArray requestHref(const QUrl& url);

inline const QString& davNs() {
    static const QString ns = QStringLiteral("DAV:");
    return ns;
}
inline const QString& caldavNs() {
    static const QString ns = QStringLiteral("urn:ietf:params:xml:ns:caldav");
    return ns;
}

// Request bodies.
QByteArray propfindBody(const QStringList& davProps, const QStringList& caldavProps);
QByteArray mkcalendarBody(const QString& displayName);
QByteArray syncCollectionBody(const QString& token);
QByteArray multigetBody(const std::vector<QUrl>& hrefs);

} // namespace kuvano::sync::dav
