// The CalDAV client against a real server (radicale on a local port).
#include "support/radicale_server.h"
#include "sync/caldav_client.h"
#include "sync/sync_error.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace kuvano::sync {
namespace {

using test::RadicaleServer;
using Kind = SyncError::Kind;

// The kind a call fails with, -1 when it does not fail.
template <typename F> int failure(F&& call) {
    try {
        call();
    } catch (const SyncError& e) {
        return static_cast<int>(e.kind());
    }
    return -1;
}
int kind(Kind k) {
    return static_cast<int>(k);
}

QByteArray journal(const char* uid, const char* summary) {
    return QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//kuvano//test//ZH\r\n"
                      "BEGIN:VJOURNAL\r\nUID:") +
           uid +
           "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:20260101\r\nSUMMARY:" + summary +
           "\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n";
}

class RadicaleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!RadicaleServer::installed()) return;
        server_ = std::make_unique<RadicaleServer>();
        started_ = server_->start();
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override {
        if (!RadicaleServer::installed())
            GTEST_SKIP() << "radicale is not installed (scripts/setup.sh installs it)";
        ASSERT_TRUE(started_) << server_->error().toStdString();
    }
    static DavAccount account(const RadicaleServer& s, const QString& password = {}) {
        return {s.url(), s.user(), password.isEmpty() ? s.password() : password};
    }
    static DavAccount account() { return account(*server_); }

    static inline std::unique_ptr<RadicaleServer> server_;
    static inline bool started_ = false;
};

TEST_F(RadicaleTest, DiscoversTheHomeAndListsANewJournalCalendar) {
    CalDavClient client(account());
    EXPECT_EQ(client.testConnection({}), QString());
    EXPECT_EQ(client.calendarHome(), server_->url().resolved(QUrl(QStringLiteral("/alice/"))));

    const CalendarInfo made = client.makeCalendar(QStringLiteral("万年历记事"));
    EXPECT_TRUE(made.takesJournals);
    const auto all = client.calendars();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const CalendarInfo& c) { return c.href == made.href; });
    ASSERT_NE(it, all.end());
    EXPECT_EQ(it->displayName, QStringLiteral("万年历记事"));
    EXPECT_TRUE(it->takesJournals);
    EXPECT_TRUE(client.supportsSyncCollection(made.href));
    EXPECT_EQ(client.testConnection(made.href), QString());
}

// Which calendars a note may go to: the home is none, an events-only one takes no journals.
TEST_F(RadicaleTest, CalendarRefusesWhatCannotHoldNotes) {
    CalDavClient client(account());
    const QUrl home = client.calendarHome();
    // An events-only calendar, laid down the way radicale stores one.
    const QString folder = server_->storage() + QStringLiteral("/collection-root/alice/events");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile props(folder + QStringLiteral("/.Radicale.props"));
    ASSERT_TRUE(props.open(QIODevice::WriteOnly));
    props.write(R"({"tag": "VCALENDAR", "C:supported-calendar-component-set": "VEVENT"})");
    props.close();

    const struct {
        const char* path;
        Kind kind;
    } cases[] = {{"/alice/", Kind::NotCalDav},
                 {"/alice/events/", Kind::NoJournals},
                 {"/alice/missing/", Kind::NotCalDav}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(
            failure([&] { client.calendar(home.resolved(QUrl(QString::fromLatin1(c.path)))); }),
            kind(c.kind));
    }
    EXPECT_EQ(client.testConnection(home.resolved(QUrl(QStringLiteral("/alice/events/")))),
              QStringLiteral("这个日历不能存放记事 (VJOURNAL)"));
}

TEST_F(RadicaleTest, PutChangesAndRemoveKeepInStep) {
    CalDavClient client(account());
    const QUrl cal = client.makeCalendar(QStringLiteral("记事")).href;
    const QUrl a = cal.resolved(QUrl(QStringLiteral("a%20note.ics")));
    const QUrl b = cal.resolved(QUrl(QStringLiteral("b.ics")));

    const QString etagA = client.put(a, journal("a", "one"), {});
    EXPECT_FALSE(etagA.isEmpty());
    const QString etagB = client.put(b, journal("b", "two"), {});
    EXPECT_EQ(failure([&] { client.put(a, journal("a", "again"), {}); }),
              kind(Kind::PreconditionFailed));

    const SyncChanges first = client.changesSince(cal, {});
    EXPECT_FALSE(first.token.isEmpty());
    ASSERT_EQ(first.changed.size(), 2u);
    EXPECT_TRUE(first.removed.empty());
    for (const Member& m : first.changed) {
        EXPECT_TRUE(m.href == a || m.href == b) << m.href.toString().toStdString();
        EXPECT_TRUE(m.data.contains("BEGIN:VJOURNAL"));
        EXPECT_EQ(m.etag, m.href == a ? etagA : etagB);
    }

    EXPECT_EQ(failure([&] { client.put(a, journal("a", "stale"), QStringLiteral("\"old\"")); }),
              kind(Kind::PreconditionFailed));
    const QString etagA2 = client.put(a, journal("a", "changed"), etagA);
    EXPECT_NE(etagA2, etagA);
    EXPECT_EQ(failure([&] { client.remove(b, QStringLiteral("\"old\"")); }),
              kind(Kind::PreconditionFailed));
    client.remove(b, etagB);
    client.remove(b, {}); // already gone: done

    const SyncChanges next = client.changesSince(cal, first.token);
    ASSERT_EQ(next.changed.size(), 1u);
    EXPECT_EQ(next.changed[0].href, a);
    EXPECT_EQ(next.changed[0].etag, etagA2);
    EXPECT_TRUE(next.changed[0].data.contains("SUMMARY:changed"));
    ASSERT_EQ(next.removed.size(), 1u);
    EXPECT_EQ(next.removed[0], b);
    EXPECT_TRUE(client.changesSince(cal, next.token).changed.empty());

    const auto listed = client.members(cal);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].href, a);
    EXPECT_EQ(listed[0].etag, etagA2);
    EXPECT_TRUE(listed[0].data.isEmpty());
    const auto fetched = client.fetch(cal, {a, b});
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_TRUE(fetched[0].data.contains("SUMMARY:changed"));

    EXPECT_EQ(failure([&] {
                  client.changesSince(cal, QStringLiteral("http://radicale.org/ns/sync/forgotten"));
              }),
              kind(Kind::TokenExpired));
}

// The sync engine runs the client on a thread of its own, with no event loop running anywhere.
TEST_F(RadicaleTest, WorksOnAThreadWithoutEventLoop) {
    QUrl home;
    QString error;
    std::thread worker([&] {
        try {
            CalDavClient client(account());
            home = client.calendarHome();
            client.members(client.makeCalendar(QStringLiteral("线程")).href);
        } catch (const SyncError& e) {
            error = e.message();
        }
    });
    worker.join();
    EXPECT_EQ(error, QString());
    EXPECT_FALSE(home.isEmpty());
}

TEST_F(RadicaleTest, WrongPasswordIsRefusedWithoutRetrying) {
    CalDavClient client(account(*server_, QStringLiteral("wrong")));
    EXPECT_EQ(failure([&] { client.calendarHome(); }), kind(Kind::Unauthorized));
    EXPECT_LE(client.requestCount(), 3);
    EXPECT_EQ(client.testConnection({}), QStringLiteral("用户名或密码不对"));
}

TEST_F(RadicaleTest, StoppedServerFailsQuicklyAndComesBack) {
    RadicaleServer own;
    ASSERT_TRUE(own.start()) << own.error().toStdString();
    CalDavClient client(account(own));
    const QUrl cal = client.makeCalendar(QStringLiteral("记事")).href;
    const QUrl note = cal.resolved(QUrl(QStringLiteral("n.ics")));
    client.put(note, journal("n", "kept"), {});

    own.stop();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failure([&] { client.members(cal); }), kind(Kind::Network));
    EXPECT_LT(clock.elapsed(), 5000);

    ASSERT_TRUE(own.start()) << own.error().toStdString();
    EXPECT_EQ(client.members(cal).size(), 1u);
}

} // namespace
} // namespace kuvano::sync
