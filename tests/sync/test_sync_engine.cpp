// Two notebooks kept in step through a real CalDAV server (radicale on a
// local port), each sync as the program runs it: SyncOnce on a program folder.
#include "support/radicale_server.h"
#include "support/temp_folder.h"
#include "sync/caldav_client.h"
#include "sync/note_access.h"
#include "sync/sync_session.h"
#include "sync/sync_state.h"
#include "sync_test_support.h"

#include "store/rich_text.h"
#include "store/snapshots.h"
#include "store/untdb.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QThread>

#include <memory>
#include <thread>

namespace kuvano::sync {
namespace {

using kuvano::test::RadicaleServer;
using notes::NotePage;

// A machine: a program folder with its notebook, syncing to the server.
struct Machine {
    kuvano::test::TempProgramFolder folder;
    std::unique_ptr<notes::TDM> dm;
    SyncSettings settings;

    explicit Machine(const RadicaleServer& server) {
        dm = std::make_unique<notes::TDM>(folder.folder());
        settings.url = server.url();
        settings.user = server.user();
    }
    void write(const NoteId& id, const QString& text) {
        SaveNote(dm->notes(), id,
                 NoteContent{IsRich(id.page) ? RtfOfText(text) : QByteArray(), text, 0});
    }
    QString text(const NoteId& id) { return LoadNote(dm->notes(), id).text; }
    SyncOutcome sync(const RadicaleServer& server) {
        SyncOutcome o = SyncOnce(folder.folder(), settings, server.password(), {5000});
        if (!o.calendarFound.isEmpty()) settings.calendar = o.calendarFound;
        return o;
    }
    std::vector<SyncState::Conflict> conflicts() {
        return SyncState(folder.path(SyncState::relativePath())).conflicts();
    }
};

class SyncEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RadicaleServer::installed()) GTEST_SKIP() << "radicale is not installed";
        notes::setPlainTextReader(&test::PlainTextOfTestRtf);
        ASSERT_TRUE(server.start()) << qPrintable(server.error());
    }
    void TearDown() override { notes::setPlainTextReader(nullptr); }
    // A second machine set to the calendar the first one made.
    void joined(Machine& m, const Machine& first) {
        m.settings.calendar = first.settings.calendar;
        synced(m);
    }
    void synced(Machine& m) {
        const SyncOutcome o = m.sync(server);
        ASSERT_TRUE(o.ok) << qPrintable(o.message);
    }
    RadicaleServer server;
};

const NoteId kDesk{NotePage::Desk, QStringLiteral("202612"), 10};
const NoteId kDay{NotePage::Day, QStringLiteral("2026-12-9"), 1};

TEST_F(SyncEngineTest, TwoNotebooksKeepEachOtherInStep) {
    Machine office(server), home(server);
    for (const auto& n : test::NotesOfEveryPage()) office.write(n.id, n.content.text);
    synced(office); // makes the calendar
    joined(home, office);
    for (const auto& n : test::NotesOfEveryPage())
        EXPECT_EQ(home.text(n.id), n.content.text) << n.name;

    // An edit and a deletion at home reach the office; a second sync sends nothing.
    const auto notes = test::NotesOfEveryPage();
    home.write(notes[0].id, QStringLiteral("改过了"));
    home.write(notes[3].id, QString());
    synced(home);
    const SyncOutcome again = home.sync(server);
    EXPECT_EQ(again.report.sent + again.report.removed + again.report.received, 0);
    synced(office);
    EXPECT_EQ(office.text(notes[0].id), QStringLiteral("改过了"));
    EXPECT_EQ(office.text(notes[3].id), QString());
    EXPECT_EQ(office.text(notes[5].id), notes[5].content.text);
    EXPECT_TRUE(office.conflicts().empty());
}

TEST_F(SyncEngineTest, ANoteChangedOnBothSidesKeepsBothTexts) {
    Machine office(server), home(server);
    office.write(kDesk, QStringLiteral("原来的"));
    synced(office);
    joined(home, office);
    office.write(kDesk, QStringLiteral("办公室改的"));
    synced(office);
    home.write(kDesk, QStringLiteral("家里改的")); // later: it stays
    synced(home);
    EXPECT_EQ(home.text(kDesk), QStringLiteral("家里改的"));
    const auto kept = home.conflicts();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].content.text, QStringLiteral("办公室改的"));
    EXPECT_EQ(kept[0].note, kDesk);
    synced(office); // the winner reaches the office too
    EXPECT_EQ(office.text(kDesk), QStringLiteral("家里改的"));
}

TEST_F(SyncEngineTest, OfflineEditsGoUpLaterAndAFailedSyncChangesNothing) {
    Machine office(server), home(server);
    office.write(kDesk, QStringLiteral("一"));
    synced(office);
    joined(home, office);
    server.stop();
    office.write(kDesk, QStringLiteral("离线时写的"));
    const SyncOutcome down = office.sync(server);
    EXPECT_FALSE(down.ok);
    EXPECT_TRUE(down.transient);
    EXPECT_FALSE(down.message.isEmpty());
    EXPECT_EQ(office.text(kDesk), QStringLiteral("离线时写的"));
    ASSERT_TRUE(server.start());
    synced(office);
    synced(home);
    EXPECT_EQ(home.text(kDesk), QStringLiteral("离线时写的"));
}

TEST_F(SyncEngineTest, ARestoredSnapshotReachesTheServerAtTheNextSync) {
    Machine office(server), home(server);
    office.write(kDesk, QStringLiteral("备份时的"));
    const notes::SnapshotStore snapshots(office.folder.folder());
    const notes::SnapshotInfo taken = snapshots.take(QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
    office.write(kDesk, QStringLiteral("后来写的"));
    office.write(kDay, QStringLiteral("后来才有的"));
    synced(office);
    joined(home, office);
    ASSERT_EQ(home.text(kDesk), QStringLiteral("后来写的"));
    office.dm->Restore(snapshots, taken, QDateTime(QDate(2026, 12, 2), QTime(9, 0)));
    synced(office);
    synced(home);
    EXPECT_EQ(home.text(kDesk), QStringLiteral("备份时的"));
    EXPECT_EQ(home.text(kDay), QString());
}

TEST_F(SyncEngineTest, AServerStoppedInTheMiddleOfASyncLosesNothing) {
    Machine office(server), home(server);
    synced(office); // makes the calendar
    std::vector<NoteId> ids;
    for (int cell = 1; cell <= 42; ++cell)
        for (const char* month : {"20261", "20262", "20263", "20264"})
            ids.push_back({NotePage::Desk, QString::fromLatin1(month), cell});
    for (const NoteId& id : ids) office.write(id, QStringLiteral("笔记 ") + id.key);
    // Stopped once some of the notes are up.
    SyncOutcome broken;
    std::thread syncing([&] { broken = office.sync(server); });
    const auto count = [&] {
        int n = 0;
        for (QDirIterator it(server.storage(), {QStringLiteral("*.ics")}, QDir::Files,
                             QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++n;
        return n;
    };
    for (int i = 0; i < 2000 && count() < 20; ++i) QThread::msleep(5);
    server.stop();
    syncing.join();
    EXPECT_FALSE(broken.ok);
    EXPECT_TRUE(broken.transient);
    for (const NoteId& id : ids) ASSERT_EQ(office.text(id), QStringLiteral("笔记 ") + id.key);

    ASSERT_TRUE(server.start());
    synced(office);
    joined(home, office);
    for (const NoteId& id : ids) EXPECT_EQ(home.text(id), QStringLiteral("笔记 ") + id.key);
    EXPECT_TRUE(office.conflicts().empty());
    EXPECT_TRUE(home.conflicts().empty());
}

TEST_F(SyncEngineTest, AnotherProgramsEntryLandsInTheDaySchedule) {
    Machine office(server);
    office.write(kDay, QStringLiteral("已有的安排"));
    synced(office);
    // Another client (a phone) adds journal entries for two days.
    CalDavClient phone({server.url(), server.user(), server.password()});
    const auto entry = [](const char* uid, const char* date, const char* text) {
        return QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\n"
                          "BEGIN:VJOURNAL\r\nUID:") +
               uid + "\r\nDTSTAMP:20261209T010000Z\r\nDTSTART;VALUE=DATE:" + date +
               "\r\nSUMMARY:" + text + "\r\nDESCRIPTION:" + text +
               "\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n";
    };
    const QUrl cal = office.settings.calendar;
    phone.put(cal.resolved(QUrl(QStringLiteral("phone-1.ics"))),
              entry("phone-1", "20261209", "买牛奶"), {});
    phone.put(cal.resolved(QUrl(QStringLiteral("phone-2.ics"))),
              entry("phone-2", "20261210", "看电影"), {});
    synced(office);
    EXPECT_EQ(office.text(kDay), QStringLiteral("已有的安排\n买牛奶"));
    EXPECT_EQ(office.text({NotePage::Day, QStringLiteral("2026-12-10"), 1}),
              QStringLiteral("看电影"));
    // It stays that day's entry: an edit here goes back to it.
    office.write(kDay, QStringLiteral("只剩这个"));
    synced(office);
    Machine home(server);
    joined(home, office);
    EXPECT_EQ(home.text(kDay), QStringLiteral("只剩这个"));
}

TEST_F(SyncEngineTest, AnEntryChangedOnTheServerBeforeTheUploadIsNotOverwritten) {
    Machine office(server);
    office.write(kDesk, QStringLiteral("第一版"));
    synced(office);
    // Changed on the server behind this notebook's back: its PUT meets a 412.
    CalDavClient other({server.url(), server.user(), server.password()});
    const SyncChanges all = other.changesSince(office.settings.calendar, {});
    ASSERT_EQ(all.changed.size(), 1u);
    QByteArray body = all.changed[0].data;
    body.replace("第一版", "服务器上改的");
    other.put(all.changed[0].href, body, all.changed[0].etag);
    office.write(kDesk, QStringLiteral("本机改的"));
    synced(office);
    // Both texts survive, one in the note and one in the conflicts list.
    QStringList both{office.text(kDesk)};
    for (const auto& c : office.conflicts()) both.append(c.content.text);
    both.sort();
    EXPECT_EQ(both, QStringList({QStringLiteral("服务器上改的"), QStringLiteral("本机改的")}));
}

} // namespace
} // namespace kuvano::sync
