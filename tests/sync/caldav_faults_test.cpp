// The CalDAV client against replies no good server gives, and its XML reader.
#include "fake_http_server.h"
#include "sync/caldav_client.h"
#include "sync/caldav_xml.h"
#include "sync/sync_error.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace kuvano::sync {
namespace {

using test::FakeHttpServer;
using Kind = SyncError::Kind;

constexpr int timeoutMs = 700;

QByteArray multistatus(const QByteArray& inner) {
    return "<?xml version='1.0'?><multistatus xmlns='DAV:'>" + inner + "</multistatus>";
}

TEST(CalDavFaults, EachBadReplyEndsInItsErrorWithinTheTimeout) {
    using Call = std::function<void(CalDavClient&, const QUrl&)>;
    const Call list = [](CalDavClient& c, const QUrl& u) { c.members(u); };
    const Call put = [](CalDavClient& c, const QUrl& u) { c.put(u, "BEGIN:VCALENDAR", {}); };
    const Call sync = [](CalDavClient& c, const QUrl& u) { c.changesSince(u, {}); };
    const Call home = [](CalDavClient& c, const QUrl&) { c.calendarHome(); };
    const QByteArray big(5000, 'x');
    const struct {
        const char* name;
        QByteArray reply;
        bool stall;
        Call call;
        Kind kind;
    } cases[] = {
        {"not xml", FakeHttpServer::reply("207 Multi-Status", "<<not xml"), false, list,
         Kind::BadReply},
        {"html page", FakeHttpServer::reply("200 OK", "<html><body>hi</body></html>"), false, list,
         Kind::NotCalDav},
        {"xml, not multistatus", FakeHttpServer::reply("207 Multi-Status", "<x xmlns='DAV:'/>"),
         false, list, Kind::BadReply},
        {"cut off", FakeHttpServer::reply("207 Multi-Status", multistatus("<response>")), false,
         list, Kind::BadReply},
        {"503", FakeHttpServer::reply("503 Service Unavailable", "busy"), false, list,
         Kind::Server},
        {"401",
         FakeHttpServer::reply("401 Unauthorized", {}, "WWW-Authenticate: Basic realm=x\r\n"),
         false, list, Kind::Unauthorized},
        {"403 on discovery", FakeHttpServer::reply("403 Forbidden", {}), false, home,
         Kind::Unauthorized},
        {"503 on discovery", FakeHttpServer::reply("503 Service Unavailable", {}), false, home,
         Kind::Server},
        {"no caldav here", FakeHttpServer::reply("404 Not Found", {}), false, home,
         Kind::NotCalDav},
        {"412", FakeHttpServer::reply("412 Precondition Failed", {}), false, put,
         Kind::PreconditionFailed},
        {"expired token",
         FakeHttpServer::reply("403 Forbidden", "<error xmlns='DAV:'><valid-sync-token/></error>"),
         false, sync, Kind::TokenExpired},
        {"never ends", "HTTP/1.1 207 Multi-Status\r\nContent-Length: 900\r\n\r\n<multistatus", true,
         list, Kind::Timeout},
        {"says it is huge",
         "HTTP/1.1 207 Multi-Status\r\nContent-Length: 999999999999\r\n\r\n<multistatus", true,
         list, Kind::BadReply},
        // No length, then more than allowed and a stall: only a limit kept while reading ends it.
        {"grows huge", "HTTP/1.1 207 Multi-Status\r\nConnection: close\r\n\r\n" + big, true, list,
         Kind::BadReply},
        {"redirect loop", FakeHttpServer::reply("301 Moved", {}, "Location: /loop/\r\n"), false,
         list, Kind::BadReply},
        {"sync without token", FakeHttpServer::reply("207 Multi-Status", multistatus({})), false,
         sync, Kind::BadReply},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server({c.reply}, c.stall);
        CalDavClient client({server.url(), QStringLiteral("u"), QStringLiteral("p")},
                            {timeoutMs, 1000, 100});
        QElapsedTimer clock;
        clock.start();
        int got = -1;
        try {
            c.call(client, server.url(QStringLiteral("/cal/")));
        } catch (const SyncError& e) {
            got = static_cast<int>(e.kind());
            EXPECT_FALSE(e.text().isEmpty());
        }
        EXPECT_EQ(got, static_cast<int>(c.kind));
        EXPECT_LT(clock.elapsed(), timeoutMs + 1500);
        EXPECT_LE(server.requests(), 7); // no loop, no retry storm
    }
}

TEST(CalDavFaults, AddressesThatAreNotUsed) {
    const struct {
        const char* url;
        bool allowInsecure;
        Kind kind;
    } cases[] = {{"http://example.com/dav/", false, Kind::Insecure},
                 {"ftp://localhost/", false, Kind::NotCalDav},
                 {"http://nosuch.invalid/", true, Kind::Network}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        CalDavClient client({QUrl(QString::fromLatin1(c.url)), {}, {}, c.allowInsecure},
                            {timeoutMs, 1000, 100});
        int got = -1;
        try {
            client.calendarHome();
        } catch (const SyncError& e) {
            got = static_cast<int>(e.kind());
        }
        EXPECT_EQ(got, static_cast<int>(c.kind));
    }
}

TEST(CalDavFaults, UntrustedCertificateFailsTheRequest) {
    FakeHttpServer server({FakeHttpServer::reply("207 Multi-Status", multistatus({}))}, false,
                          true);
    CalDavClient client({server.url(), QStringLiteral("u"), QStringLiteral("p")});
    int got = -1;
    try {
        client.members(server.url(QStringLiteral("/cal/")));
    } catch (const SyncError& e) {
        got = static_cast<int>(e.kind());
    }
    EXPECT_EQ(got, static_cast<int>(Kind::Untrusted));
    EXPECT_EQ(server.requests(), 0);
}

// cancel() from another thread ends the waiting call at once, and every later one.
TEST(CalDavFaults, CancelEndsTheRunningAndLaterCalls) {
    FakeHttpServer server({"HTTP/1.1 207 Multi-Status\r\nContent-Length: 900\r\n\r\n<m"}, true);
    CalDavClient client({server.url(), {}, {}}, {20000, 1000, 100});
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        client.cancel();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(client.members(server.url(QStringLiteral("/cal/"))), SyncError);
    canceller.join();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_THROW(client.calendarHome(), SyncError);
    EXPECT_EQ(server.requests(), 1);
}

// A batch keeps one connection open across calls; single calls each open their own.
TEST(CalDavFaults, BatchKeepsTheConnection) {
    const QByteArray body = multistatus({});
    const QByteArray keptOpen =
        "HTTP/1.1 207 Multi-Status\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\n\r\n" + body;
    FakeHttpServer server({keptOpen}, true);
    CalDavClient client({server.url(), {}, {}});
    const QUrl cal = server.url(QStringLiteral("/cal/"));
    {
        CalDavClient::Batch batch(client);
        client.members(cal);
        client.members(cal);
    }
    EXPECT_EQ(server.connections(), 1);
    client.members(cal);
    client.members(cal);
    EXPECT_EQ(server.connections(), 3);
    EXPECT_EQ(client.requestCount(), 4);
}

// A truncated sync-collection answer (507 on the collection) is followed with
// its token until complete; the collection itself is never a member.
TEST(CalDavFaults, TruncatedSyncIsFollowedToTheEnd) {
    const auto page = [](const char* token, const char* member, bool truncated) {
        QByteArray inner = "<sync-token>" + QByteArray(token) + "</sync-token>" +
                           "<response><href>/cal/</href><propstat><prop><getetag>\"c\"</getetag>"
                           "</prop><status>HTTP/1.1 200 OK</status></propstat></response>" +
                           "<response><href>" + member + "</href><propstat><prop><getetag>\"" +
                           member +
                           "\"</getetag></prop><status>HTTP/1.1 200 OK</status>"
                           "</propstat></response>";
        if (truncated)
            inner += "<response><href>/cal/</href>"
                     "<status>HTTP/1.1 507 Insufficient Storage</status></response>";
        return FakeHttpServer::reply("207 Multi-Status", multistatus(inner));
    };
    const QByteArray bodies = FakeHttpServer::reply(
        "207 Multi-Status",
        multistatus("<response><href>/cal/a.ics</href><propstat><prop><getetag>\"a2\"</getetag>"
                    "<C:calendar-data xmlns:C='urn:ietf:params:xml:ns:caldav'>A</C:calendar-data>"
                    "</prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                    "<response><href>/cal/b.ics</href><status>HTTP/1.1 404 Not Found</status>"
                    "</response>"));
    FakeHttpServer server(
        {page("t1", "/cal/a.ics", true), page("t2", "/cal/b.ics", false), bodies});
    CalDavClient client({server.url(), {}, {}});
    const SyncChanges changes = client.changesSince(server.url(QStringLiteral("/cal/")), {});
    EXPECT_EQ(server.requests(), 3);
    EXPECT_EQ(changes.token, QStringLiteral("t2"));
    ASSERT_EQ(changes.changed.size(), 1u);
    EXPECT_EQ(changes.changed[0].href, server.url(QStringLiteral("/cal/a.ics")));
    EXPECT_EQ(changes.changed[0].etag, QStringLiteral("\"a2\""));
    EXPECT_EQ(changes.changed[0].data, "A");
    // Listed, but gone before its body was asked for.
    ASSERT_EQ(changes.removed.size(), 1u);
    EXPECT_EQ(changes.removed[0], server.url(QStringLiteral("/cal/b.ics")));
}

TEST(CalDavXml, ReadsAnyPrefixWhitespaceAndRelativeHrefs) {
    const QByteArray body = R"(<?xml version="1.0" encoding="utf-8"?>
<D:multistatus xmlns:D="DAV:" xmlns:cal="urn:ietf:params:xml:ns:caldav">
  <D:response>
    <D:href>
      %E8%AE%B0%E4%BA%8B/
    </D:href>
    <D:propstat>
      <D:prop>
        <D:resourcetype><D:collection/><cal:calendar/></D:resourcetype>
        <D:displayname>记事 &amp; 日记</D:displayname>
        <cal:supported-calendar-component-set><cal:comp name="vjournal"/></cal:supported-calendar-component-set>
        <x:unknown xmlns:x="urn:other"><D:displayname>not this</D:displayname></x:unknown>
      </D:prop>
      <D:status>HTTP/1.1 200 OK</D:status>
    </D:propstat>
    <D:propstat>
      <D:prop><D:getetag>"not found props are ignored"</D:getetag></D:prop>
      <D:status>HTTP/1.1 404 Not Found</D:status>
    </D:propstat>
  </D:response>
  <response xmlns="DAV:"><href>http://other.example:80/x%20y%40z.ics</href><status>HTTP/1.1 404 Not Found</status></response>
</D:multistatus>)";
    const QUrl base(QStringLiteral("https://dav.example/home/"));
    const dav::Multistatus ms = dav::parseMultistatus(body, base);
    ASSERT_EQ(ms.responses.size(), 2u);
    const dav::Response& cal = ms.responses[0];
    EXPECT_TRUE(
        dav::sameResource(cal.href, QUrl(QStringLiteral("https://dav.example:443/home/记事"))));
    EXPECT_TRUE(cal.collection && cal.calendar);
    EXPECT_EQ(cal.displayName, QStringLiteral("记事 & 日记"));
    EXPECT_EQ(cal.components, QStringList{QStringLiteral("VJOURNAL")});
    EXPECT_TRUE(cal.etag.isEmpty());
    EXPECT_EQ(ms.responses[1].status, 404);
    EXPECT_EQ(ms.responses[1].href, QUrl(QStringLiteral("http://other.example/x y@z.ics")));
    EXPECT_EQ(dav::requestHref(ms.responses[1].href), "/x%20y@z.ics");
    EXPECT_FALSE(dav::sameResource(ms.responses[1].href,
                                   QUrl(QStringLiteral("https://dav.example/x%20y@z.ics"))));
}

} // namespace
} // namespace kuvano::sync
