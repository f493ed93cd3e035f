#include "store/snapshot_scheduler.h"
#include "store/snapshots.h"
#include "store/untdb.h"
#include "support/store_peek.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <signal.h>
#include <sqlite3.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 30));

void exec(TDM& dm, const QString& sqlText, const QVariantList& values = {}) {
    sql::Statement st(dm.connection(), sqlText);
    for (int i = 0; i < values.size(); ++i) st.bind(i + 1, values[i]);
    st.step();
}

// Every row of every table, in stored order, as text.
QStringList dump(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QStringList out;
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "select name from sqlite_master where type='table' order by name", -1,
                       &tables, nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
        const QByteArray name = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
        sqlite3_stmt* rows = nullptr;
        sqlite3_prepare_v2(db, ("select * from \"" + name + "\" order by rowid").constData(), -1,
                           &rows, nullptr);
        while (sqlite3_step(rows) == SQLITE_ROW) {
            QString line = QString::fromUtf8(name);
            for (int c = 0; c < sqlite3_column_count(rows); ++c)
                line += QLatin1Char('|') +
                        QString::fromUtf8(
                            QByteArray(static_cast<const char*>(sqlite3_column_blob(rows, c)),
                                       sqlite3_column_bytes(rows, c))
                                .toHex());
            out << line;
        }
        sqlite3_finalize(rows);
    }
    sqlite3_finalize(tables);
    sqlite3_close(db);
    return out;
}

void fillNotes(TDM& dm, int months) {
    sql::Transaction tx(dm.connection());
    for (int m = 1; m <= months; ++m) {
        const QString key = QStringLiteral("2010%1").arg(m);
        exec(dm, QStringLiteral("insert into TailiNew(YearMonth, Cell3) values(?, ?)"),
             {key, QByteArray("{\\rtf1 note ") + QByteArray::number(m) + "}"});
        exec(dm, QStringLiteral("insert into TailiNew_day(daydate, daycontent) values(?, ?)"),
             {QStringLiteral("2010-%1-1").arg(m), QByteArray("{\\rtf1 day}")});
        exec(dm, QStringLiteral("insert into edtText(edtYearMonth, Text1) values(?, ?)"),
             {key, QStringLiteral("一般记事 %1").arg(m)});
    }
    exec(dm, QStringLiteral("insert into YearJishi(year) values(2010)"));
    tx.commit();
}

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

TEST(Snapshots, ACopyEqualsTheDatabaseRowForRowAndCountsItsNotes) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    fillNotes(dm, 12);
    SnapshotStore store(pf.folder());
    EXPECT_TRUE(store.due(kNow));

    const SnapshotInfo s = store.take(kNow);
    EXPECT_EQ(QFileInfo(s.path).fileName(), QStringLiteral("CalendarD-20261209-1030.mdb"));
    EXPECT_EQ(dump(s.path), dump(store.databasePath()));
    EXPECT_FALSE(QFile::exists(s.path + QStringLiteral("-wal"))); // stands alone
    EXPECT_EQ(QFile::permissions(s.path) & 0x0077, 0) << "owner only";

    const NoteCounts c = countNotes(s.path);
    EXPECT_EQ(c.deskMonths, 12);
    EXPECT_EQ(c.dayNotes, 12);
    EXPECT_EQ(c.generalMonths, 12);
    EXPECT_EQ(c.years, 1);

    EXPECT_FALSE(store.due(kNow.addSecs(23 * 3600)));
    EXPECT_TRUE(store.due(kNow.addSecs(24 * 3600)));
    ASSERT_EQ(store.list().size(), 1u);
}

TEST(Snapshots, OnlyGoodNamesAreListedNewestFirst) {
    test::TempProgramFolder pf;
    SnapshotStore store(pf.folder());
    QDir().mkpath(store.folderPath());
    for (const char* name :
         {"CalendarD-20261201-0900.mdb", "CalendarD-20261208-2359.mdb",
          "CalendarD-20261208-2359.mdb.part", "CalendarD-before-restore-20261205-1000.mdb",
          "CalendarD-20261340-0000.mdb", "notes.mdb"})
        touch(store.folderPath() + QString::fromLatin1(name));
    const auto all = store.list();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].taken, QDateTime(QDate(2026, 12, 8), QTime(23, 59)));
    EXPECT_EQ(all[1].taken, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
}

TEST(Snapshots, RotationKeepsSevenDaysAndOnePerMonthForAYear) {
    // One snapshot every day at 03:00 (and a second one today) for 400 days.
    std::vector<SnapshotInfo> all;
    all.push_back({QStringLiteral("today-late"), QDateTime(kNow.date(), QTime(9, 0))});
    for (int d = 0; d < 400; ++d) {
        const QDate day = kNow.date().addDays(-d);
        all.push_back({day.toString(Qt::ISODate), QDateTime(day, QTime(3, 0))});
    }
    const auto gone = SnapshotStore::expired(all, kNow);
    std::set<QString> kept;
    for (const auto& s : all) kept.insert(s.path);
    for (const auto& s : gone) kept.erase(s.path);
    // The newest of each of the last seven days (Dec 3..9, today's later one)...
    std::set<QString> expected = {QStringLiteral("today-late")};
    for (int d = 1; d < 7; ++d) expected.insert(kNow.date().addDays(-d).toString(Qt::ISODate));
    // ...and the newest of each earlier month of the last twelve (Jan..Nov 2026).
    for (int m = 1; m <= 11; ++m) {
        const QDate first(2026, m, 1);
        expected.insert(first.addDays(first.daysInMonth() - 1).toString(Qt::ISODate));
    }
    EXPECT_EQ(kept, expected);

    // Fewer snapshots than the limits: nothing goes.
    EXPECT_TRUE(SnapshotStore::expired({all.begin() + 1, all.begin() + 6}, kNow).empty());
}

TEST(Snapshots, AFolderThatCannotTakeTheSnapshotLeavesTheNotesAlone) {
    test::TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        fillNotes(dm, 2);
    }
    SnapshotStore store(pf.folder());
    const QStringList before = dump(store.databasePath());
    // The place of the backup folder is taken by a file.
    touch(pf.path(SnapshotStore::relativeFolder()));
    EXPECT_THROW(store.take(kNow), sql::Error);
    QFile::remove(pf.path(SnapshotStore::relativeFolder()));
    // The snapshot's own temporary file cannot be created.
    QDir().mkpath(store.folderPath() + QStringLiteral("CalendarD-20261209-1030.mdb.part"));
    EXPECT_THROW(store.take(kNow), sql::Error);
    EXPECT_TRUE(store.list().empty());
    EXPECT_EQ(dump(store.databasePath()), before);
    TDM again(pf.folder());
    EXPECT_TRUE(again.creationError().isEmpty());
}

TEST(Snapshots, RestorePutsTheSnapshotInPlaceAndKeepsTheCurrentNotesAside) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    fillNotes(dm, 3);
    SnapshotStore store(pf.folder());
    const SnapshotInfo s = store.take(kNow);
    const QStringList atSnapshot = dump(s.path);

    // A month deleted by mistake, then the snapshot restored.
    exec(dm, QStringLiteral("delete from TailiNew where YearMonth='20102'"));
    const QStringList afterDelete = dump(store.databasePath());
    dm.Disconnect();
    const QString aside = store.restore(s, kNow.addSecs(3600));
    EXPECT_EQ(QFileInfo(aside).fileName(),
              QStringLiteral("CalendarD-before-restore-20261209-1130.mdb"));
    EXPECT_EQ(dump(aside), afterDelete);
    dm.Reopen();
    ASSERT_TRUE(dm.creationError().isEmpty()) << dm.creationError().toStdString();

    // New typing after the restore survives a restart.
    exec(dm, QStringLiteral("update TailiNew set Cell1='typed' where YearMonth='20101'"));
    dm.Disconnect();
    TDM restarted(pf.folder());
    EXPECT_TRUE(test::firstRow(restarted.connection(), QStringLiteral("TailiNew"),
                               QStringLiteral("YearMonth"), QStringLiteral("20102")));
    EXPECT_EQ(restarted.notes().loadDeskMonth(QStringLiteral("20101"))[0], QByteArray("typed"));

    // The rotation never touches the file moved aside.
    EXPECT_TRUE(store.rotate(kNow.addYears(3)).size() <= 1);
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_EQ(atSnapshot.size(), dump(s.path).size());
}

TEST(Snapshots, ADamagedDatabaseIsKeptBesideTheRestoredOne) {
    test::TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        fillNotes(dm, 2);
    }
    SnapshotStore store(pf.folder());
    const SnapshotInfo s = store.take(kNow);
    const QByteArray garbage(8192, '\x5a');
    pf.writeBytes(TDM::relativePath(), garbage);
    {
        TDM broken(pf.folder());
        EXPECT_FALSE(broken.creationError().isEmpty());
    }
    const QString damaged = store.replaceDamaged(s, kNow);
    EXPECT_EQ(QFileInfo(damaged).fileName(), QStringLiteral("CalendarD-damaged-20261209-1030.mdb"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
    TDM restored(pf.folder());
    EXPECT_TRUE(restored.creationError().isEmpty());
    EXPECT_EQ(countNotes(store.databasePath()).deskMonths, 2);

    // A second damage the same minute never overwrites the first one kept.
    restored.Disconnect();
    pf.writeBytes(TDM::relativePath(), garbage);
    EXPECT_NE(store.replaceDamaged(s, kNow), damaged);
    EXPECT_TRUE(QFile::exists(damaged));
}

TEST(Snapshots, KilledMidwayLeavesNoGoodSnapshotAndADatabaseThatStarts) {
    test::TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        sql::Transaction tx(dm.connection());
        const QByteArray note(200 * 1024, 'n');
        for (int m = 0; m < 150; ++m)
            exec(dm, QStringLiteral("insert into TailiNew(YearMonth, Cell1) values(?, ?)"),
                 {QString::number(200000 + m), note});
        tx.commit();
    }
    SnapshotStore store(pf.folder());
    for (int delayMs : {5, 30, 80}) {
        QProcess child;
        child.start(QStringLiteral(KUVANO_PROBE_DIR "/probe_snapshot"), {pf.folder().root()});
        ASSERT_TRUE(child.waitForStarted());
        QTest::qWait(delayMs);
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
        for (const SnapshotInfo& s : store.list()) {
            // Whatever carries a good name is whole.
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(s.path).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
            ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
            EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
            sqlite3_finalize(st);
            sqlite3_close(db);
        }
        TDM dm(pf.folder());
        EXPECT_TRUE(dm.creationError().isEmpty()) << dm.creationError().toStdString();
    }
    // The next run clears what the killed one left and succeeds.
    const SnapshotInfo s = store.take(kNow);
    EXPECT_EQ(countNotes(s.path).deskMonths, 150);
    EXPECT_TRUE(
        QDir(store.folderPath()).entryList({QStringLiteral("*.part*")}, QDir::Files).isEmpty());
}

TEST(Snapshots, ARestoreKilledAtAnyMomentLeavesANotesDatabase) {
    test::TempProgramFolder pf;
    SnapshotStore store(pf.folder());
    {
        TDM dm(pf.folder());
        const QByteArray note(200 * 1024, 'n');
        for (int m = 0; m < 150; ++m) {
            if (m == 100) store.take(kNow);
            exec(dm, QStringLiteral("insert into TailiNew(YearMonth, Cell1) values(?, ?)"),
                 {QString::number(200000 + m), note});
        }
    }
    for (int delayMs : {5, 20, 40, 80, 160}) {
        QProcess child;
        child.start(QStringLiteral(KUVANO_PROBE_DIR "/probe_restore"), {pf.folder().root()});
        ASSERT_TRUE(child.waitForStarted());
        QTest::qWait(delayMs);
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
        // The notes as they were or as restored, whole; never none.
        ASSERT_TRUE(QFile::exists(store.databasePath())) << delayMs;
        const int months = countNotes(store.databasePath()).deskMonths;
        EXPECT_TRUE(months == 100 || months == 150) << delayMs << ": " << months;
        EXPECT_FALSE(store.interruptedRestore()) << delayMs;
        TDM dm(pf.folder());
        EXPECT_TRUE(dm.creationError().isEmpty()) << dm.creationError().toStdString();
    }
}

TEST(Snapshots, ANotesDatabaseMissingAfterARestoreIsPutBackFromTheCopyKept) {
    test::TempProgramFolder pf;
    SnapshotStore store(pf.folder());
    {
        TDM dm(pf.folder());
        fillNotes(dm, 2);
    }
    store.take(kNow.addDays(-1));
    QDir().mkpath(store.folderPath());
    const QString kept =
        store.folderPath() + QStringLiteral("CalendarD-before-restore-20261209-1030.mdb");
    const QString part = store.databasePath() + QStringLiteral(".part");
    struct Case {
        const char* what;
        bool partLeft;      // the copy on its way in is still there
        bool snapshotAfter; // a snapshot was taken since: the program ran on
        bool offered;
    };
    for (const Case& c :
         {Case{"copy on its way in", true, false, true}, Case{"no copy yet", false, false, true},
          Case{"ran on since", false, true, false}}) {
        QFile::remove(kept);
        QFile::remove(part);
        if (c.snapshotAfter) store.take(kNow.addSecs(60));
        ASSERT_TRUE(QFile::rename(store.databasePath(), kept)) << c.what;
        if (c.partLeft) touch(part);
        const auto copy = store.interruptedRestore();
        ASSERT_EQ(copy.has_value(), c.offered) << c.what;
        if (copy) {
            EXPECT_EQ(copy->path, kept) << c.what;
            store.putBack(*copy);
        } else {
            QFile::rename(kept, store.databasePath());
        }
        EXPECT_EQ(countNotes(store.databasePath()).deskMonths, 2) << c.what;
        EXPECT_FALSE(store.interruptedRestore()) << c.what;
    }
}

// The copy runs in steps while saves go on: it must end, and hold one state
// of the notes, whatever the steps read when.
TEST(Snapshots, ACopyInStepsHoldsOneStateWhileSavesGoOn) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    {
        sql::Transaction tx(dm.connection());
        for (int i = 1; i <= 240; ++i)
            exec(dm, QStringLiteral("insert into TailiNew(YearMonth, Cell1) values(?, ?)"),
                 {QString::number(1000 + i), QByteArray(8000, 'x')});
        tx.commit();
    }
    // The first and the last row lie pages apart; every save sets both.
    auto save = [&](int n) {
        sql::Transaction tx(dm.connection());
        const QByteArray v = QByteArray::number(n);
        exec(dm, QStringLiteral("update TailiNew set Cell2=? where YearMonth='1001'"), {v});
        exec(dm, QStringLiteral("update TailiNew set Cell2=? where YearMonth='1240'"), {v});
        tx.commit();
    };
    save(0);
    SnapshotStore store(pf.folder());
    SnapshotInfo taken;
    int saves = 0;
    // A busy machine may let the copy end before the first save: try again.
    for (int attempt = 0; attempt < 5 && saves == 0; ++attempt) {
        std::atomic<bool> running{true};
        std::thread worker([&] {
            taken = store.take(kNow.addSecs(60 * attempt));
            running = false;
        });
        while (running) save(++saves);
        worker.join();
    }
    ASSERT_GT(saves, 0);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(taken.path).constData(), &db, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "select count(*), min(Cell2), max(Cell2) from TailiNew "
                       "where YearMonth in ('1001', '1240')",
                       -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 2);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))),
              QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))));
    sqlite3_finalize(st);
    sqlite3_close(db);
    EXPECT_EQ(dump(taken.path).size(), dump(store.databasePath()).size());
}

TEST(Snapshots, TheSchedulerTakesOneWhenDueWhileTheUserKeepsSaving) {
    test::TempProgramFolder pf;
    test::FixedClock clock(kNow);
    TDM dm(pf.folder());
    fillNotes(dm, 2);
    SnapshotScheduler scheduler(pf.folder());
    QSignalSpy done(&scheduler, &SnapshotScheduler::finished);
    scheduler.start(60 * 1000);
    // A save while the worker copies: never blocked into an error.
    exec(dm, QStringLiteral("update TailiNew set Cell2='during' where YearMonth='20101'"));
    ASSERT_TRUE(done.wait(10000));
    EXPECT_TRUE(done.at(0).at(0).toBool()) << done.at(0).at(1).toString().toStdString();
    EXPECT_FALSE(scheduler.takeIfDue()); // not due again the same day
    ASSERT_EQ(scheduler.store().list().size(), 1u);
}

TEST(Snapshots, ARestoreIsAChangeOfEveryNoteItAltersAndTheJournalGoesOn) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    NoteStore& notes = dm.notes();
    notes.saveDeskCell(QStringLiteral("20101"), 1, {"kept", {}});
    notes.saveDeskCell(QStringLiteral("20101"), 2, {"old", {}});
    SnapshotStore store(pf.folder());
    const SnapshotInfo s = store.take(kNow);
    notes.saveDeskCell(QStringLiteral("20101"), 2, {"new", {}});
    notes.saveMemoLine(3, QStringLiteral("after the snapshot"));
    const qint64 before = notes.lastChange();

    dm.Restore(store, s, kNow.addSecs(60));
    NoteStore& restored = dm.notes();
    EXPECT_EQ(restored.loadDeskMonth(QStringLiteral("20101"))[1], QByteArray("old"));
    // The counter goes on from the running file's, never back to the snapshot's.
    std::vector<std::pair<NotePage, int>> changed;
    for (const NoteChange& c : restored.changesSince(before)) {
        EXPECT_GT(c.counter, before);
        changed.emplace_back(c.page, c.box);
    }
    EXPECT_EQ(changed,
              (std::vector<std::pair<NotePage, int>>{{NotePage::Desk, 2}, {NotePage::Memo, 3}}));
    EXPECT_EQ(restored.changesSince(0).size(), 3u); // 20101/1 as it was, then the two above
}
