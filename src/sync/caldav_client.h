#pragma once
// A blocking CalDAV client (RFC 4791, 4918, 6578, 6764) for the sync engine's
// worker thread, `kuvano --sync` and the tests. It moves iCalendar bodies by
// href and etag and knows nothing of notes. Every call waits for its answer
// (a QCoreApplication must exist; no running event loop is needed) and throws
// SyncError with a Chinese text a user can act on. One thread at a time uses
// a client; only cancel() may come from another.

#include "sync/dav_http.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <vector>

namespace kuvano::sync {

struct CalendarInfo {
    QUrl href;
    QString displayName;
    bool takesJournals = false; // VJOURNAL in its supported-calendar-component-set (or no set)
};

// Hrefs from the server come canonical (dav::canonical in caldav_xml.h): compare them with ==.
struct Member {
    QUrl href;
    QString etag;    // as the server sent it, quotes included
    QByteArray data; // empty unless fetched
};

struct SyncChanges {
    QString token;               // ask with this one next time
    std::vector<Member> changed; // with their bodies
    std::vector<QUrl> removed;
};

class CalDavClient {
public:
    explicit CalDavClient(DavAccount account, DavOptions options = {});

    // The calendar home of the account: /.well-known/caldav, then the URL
    // itself, current-user-principal, calendar-home-set. NotCalDav when none.
    QUrl calendarHome();
    // The calendar collections under the home.
    std::vector<CalendarInfo> calendars();
    // A new calendar under the home taking VJOURNAL, under a fresh path segment.
    CalendarInfo makeCalendar(const QString& displayName);
    // The calendar at href: NotCalDav when it is none, NoJournals when it does not take VJOURNAL.
    CalendarInfo calendar(const QUrl& href);

    // Stores a body; an empty ifMatch creates only (If-None-Match: *). The new
    // etag; PreconditionFailed when the stored one is not ifMatch (or exists).
    QString put(const QUrl& href, const QByteArray& ics, const QString& ifMatch);
    // Deletes; a member already gone counts as done.
    void remove(const QUrl& href, const QString& ifMatch);

    // What changed since `token` ("" for everything), bodies fetched.
    // TokenExpired when the server no longer knows the token: list with
    // members() and start over from "".
    SyncChanges changesSince(const QUrl& calendar, const QString& token);
    bool supportsSyncCollection(const QUrl& calendar);
    // Every member with its etag, without bodies (for servers without sync-collection).
    std::vector<Member> members(const QUrl& calendar);
    // The bodies of hrefs; those gone from the server are left out.
    std::vector<Member> fetch(const QUrl& calendar, const std::vector<QUrl>& hrefs);

    // Empty when the account (and the calendar, if given) works, else one
    // Chinese sentence saying what is wrong.
    QString testConnection(const QUrl& calendarOrEmpty);

    // Held across many calls (a sync's puts), it keeps one network manager and
    // so its open connections; without it each call opens its own. Made and
    // dropped in the thread that makes the calls.
    class Batch {
    public:
        explicit Batch(CalDavClient& client) : session_(client.http_) {}

    private:
        dav::Http::Session session_;
    };

    int requestCount() const { return http_.requestCount(); }
    // Thread-safe: the running call and every later one end at once with an error.
    void cancel() { http_.cancel(); }

private:
    dav::Reply propfind(const QUrl& url, int depth, const QByteArray& body);
    QUrl homeFrom(const QUrl& start);

    dav::Http http_;
    QUrl home_;
};

} // namespace kuvano::sync
