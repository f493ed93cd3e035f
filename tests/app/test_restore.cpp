#include "app/RestoreWindow.h"
#include "store/snapshots.h"
#include "store/untdb.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(8, 15));

void addMonth(TDM& dm, const QString& key) {
    sql::Statement st(dm.connection(), QStringLiteral("insert into TailiNew(YearMonth) values(?)"));
    st.bind(1, key);
    st.step();
}

// Garbage over a page in the middle of the file, inside a long note's
// overflow pages: counting the notes never reads it, a check of every page does.
void damageMiddle(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 pages = f.size() / 4096;
    ASSERT_GT(pages, 40);
    f.seek(pages / 2 * 4096);
    f.write(QByteArray(4096, '\x07'));
}

} // namespace

TEST(RestoreWindow, ListsSnapshotsNewestFirstAndRestoresAfterOneQuestion) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    SnapshotStore store(pf.folder());
    addMonth(dm, QStringLiteral("20101"));
    store.take(kNow.addDays(-2));
    addMonth(dm, QStringLiteral("20102"));
    store.take(kNow.addDays(-1));

    app::RestoreWindow frm(store);
    frm.FormShow();
    ASSERT_EQ(frm.list()->topLevelItemCount(), 2);
    EXPECT_EQ(frm.list()->topLevelItem(0)->text(0), QStringLiteral("2026-12-08 08:15"));
    EXPECT_EQ(frm.list()->topLevelItem(0)->text(1),
              QStringLiteral("桌面月历 2 个月，日安排 0 天，月记事 0 个月，年记事 0 年"));
    EXPECT_EQ(frm.list()->topLevelItem(1)->text(1).left(10), QStringLiteral("桌面月历 1 个月，"));

    std::vector<SnapshotInfo> restored;
    frm.onRestore = [&](const SnapshotInfo& s) {
        restored.push_back(s);
        return true;
    };
    {
        test::QuestionAnswerer no({1}); // "取消"
        frm.list()->setCurrentItem(frm.list()->topLevelItem(1));
        frm.btnRestoreClick();
        EXPECT_TRUE(restored.empty());
        ASSERT_EQ(no.questions().size(), 1u);
        EXPECT_TRUE(no.questions()[0].text.contains(QStringLiteral("2026-12-07 08:15")));
    }
    test::QuestionAnswerer yes({0});
    frm.btnRestoreClick();
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_EQ(restored[0].taken, QDateTime(QDate(2026, 12, 7), QTime(8, 15)));
}

TEST(RestoreAtStart, ADamagedDatabaseIsOfferedTheNewestSnapshot) {
    test::TempProgramFolder pf;
    test::FixedClock clock(kNow);
    {
        TDM dm(pf.folder());
        addMonth(dm, QStringLiteral("20105"));
        SnapshotStore(pf.folder()).take(kNow.addDays(-1));
    }
    const QByteArray garbage(4096, '\x07');
    pf.writeBytes(TDM::relativePath(), garbage);

    // Declined: the message names the file, nothing moves.
    {
        TDM dm(pf.folder());
        test::QuestionAnswerer answer({1});
        test::MessageRecorder messages;
        EXPECT_FALSE(app::ReportDatabaseProblem(pf.folder(), dm, nullptr));
        ASSERT_EQ(answer.questions().size(), 1u);
        EXPECT_TRUE(answer.questions()[0].text.contains(pf.path(TDM::relativePath())));
        EXPECT_EQ(answer.questions()[0].buttons.first(), QStringLiteral("从备份恢复"));
        EXPECT_EQ(pf.readBytes(TDM::relativePath()), garbage);
    }
    // Accepted: yesterday's notes, the damaged file kept beside them.
    TDM dm(pf.folder());
    test::QuestionAnswerer answer({0});
    test::MessageRecorder messages;
    EXPECT_TRUE(app::ReportDatabaseProblem(pf.folder(), dm, nullptr));
    EXPECT_TRUE(dm.creationError().isEmpty());
    EXPECT_EQ(countNotes(pf.path(TDM::relativePath())).deskMonths, 1);
    EXPECT_EQ(pf.readBytes(QStringLiteral("DB3/CalendarD-damaged-20261209-0815.mdb")), garbage);
}

TEST(RestoreAtStart, AnEmptiedDatabaseIsDamagedAndOfferedTheSnapshot) {
    test::TempProgramFolder pf;
    test::FixedClock clock(kNow);
    {
        TDM dm(pf.folder());
        addMonth(dm, QStringLiteral("20105"));
        SnapshotStore(pf.folder()).take(kNow.addDays(-1));
    }
    pf.writeBytes(TDM::relativePath(), QByteArray());
    ASSERT_EQ(QFileInfo(pf.path(TDM::relativePath())).size(), 0);
    TDM dm(pf.folder());
    ASSERT_FALSE(dm.creationError().isEmpty());
    test::QuestionAnswerer answer({0});
    test::MessageRecorder messages;
    EXPECT_TRUE(app::ReportDatabaseProblem(pf.folder(), dm, nullptr));
    EXPECT_EQ(answer.questions().size(), 1u);
    EXPECT_EQ(countNotes(pf.path(TDM::relativePath())).deskMonths, 1);
}

TEST(RestoreAtStart, WithoutASnapshotOrWithoutDamageOnlyTheMessageShows) {
    test::TempProgramFolder pf;
    pf.writeBytes(TDM::relativePath(), QByteArray(4096, '\x07'));
    TDM dm(pf.folder());
    test::QuestionAnswerer answer({0});
    test::MessageRecorder messages;
    EXPECT_FALSE(app::ReportDatabaseProblem(pf.folder(), dm, nullptr));
    EXPECT_TRUE(answer.questions().empty());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.contains(pf.path(TDM::relativePath())));

    // An Access file is for the importer, never replaced by a snapshot.
    test::TempProgramFolder access;
    {
        TDM made(access.folder());
        SnapshotStore(access.folder()).take(kNow);
    }
    QByteArray jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    access.writeBytes(TDM::relativePath(), jet);
    EXPECT_FALSE(looksDamaged(access.path(TDM::relativePath())));
}

TEST(RestoreAtStart, TheOfferAndTheListPassOverASnapshotDamagedInTheMiddle) {
    test::TempProgramFolder pf;
    test::FixedClock clock(kNow);
    SnapshotStore store(pf.folder());
    {
        TDM dm(pf.folder());
        addMonth(dm, QStringLiteral("20105"));
        store.take(kNow.addDays(-2));
        addMonth(dm, QStringLiteral("20106"));
        sql::Statement big(dm.connection(), QStringLiteral("insert into Taili values('x', ?)"));
        big.bind(1, QByteArray(400000, 'n'));
        big.step();
        store.take(kNow.addDays(-1));
    }
    damageMiddle(store.list().front().path);
    pf.writeBytes(TDM::relativePath(), QByteArray(4096, '\x07'));

    app::RestoreWindow frm(store);
    frm.FormShow();
    ASSERT_EQ(frm.list()->topLevelItemCount(), 2);
    EXPECT_TRUE(frm.list()->topLevelItem(0)->text(1).startsWith(QStringLiteral("已损坏，不能恢复")))
        << frm.list()->topLevelItem(0)->text(1).toStdString();
    EXPECT_FALSE(frm.list()->topLevelItem(0)->flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(frm.list()->currentItem(), frm.list()->topLevelItem(1));

    TDM dm(pf.folder());
    test::QuestionAnswerer answer({0});
    test::MessageRecorder messages;
    EXPECT_TRUE(app::ReportDatabaseProblem(pf.folder(), dm, nullptr));
    ASSERT_EQ(answer.questions().size(), 1u);
    EXPECT_TRUE(answer.questions()[0].text.contains(QStringLiteral("2026-12-07 08:15")));
    EXPECT_EQ(countNotes(pf.path(TDM::relativePath())).deskMonths, 1);
}

TEST(RestoreAtStart, ARestoreCutShortIsOfferedTheNotesFromBeforeItAndNeverAnEmptyNotebook) {
    test::TempProgramFolder pf;
    SnapshotStore store(pf.folder());
    {
        TDM dm(pf.folder());
        addMonth(dm, QStringLiteral("20105"));
        store.take(kNow.addDays(-1));
        addMonth(dm, QStringLiteral("20106"));
    }
    // Where the file could only move: gone, the snapshot's copy on its way in.
    QDir().mkpath(store.folderPath());
    const QString kept =
        store.folderPath() + QStringLiteral("CalendarD-before-restore-20261209-0815.mdb");
    ASSERT_TRUE(QFile::rename(store.databasePath(), kept));
    pf.writeBytes(TDM::relativePath() + QStringLiteral(".part"), "half");
    {
        test::QuestionAnswerer quit({1});
        EXPECT_FALSE(app::RecoverInterruptedRestore(pf.folder(), nullptr));
        ASSERT_EQ(quit.questions().size(), 1u);
        EXPECT_TRUE(quit.questions()[0].text.contains(kept));
        EXPECT_FALSE(QFile::exists(store.databasePath()));
    }
    test::QuestionAnswerer putBack({0});
    EXPECT_TRUE(app::RecoverInterruptedRestore(pf.folder(), nullptr));
    EXPECT_EQ(countNotes(store.databasePath()).deskMonths, 2);
    // Nothing more to offer, and the copy kept is listed to restore from.
    EXPECT_TRUE(app::RecoverInterruptedRestore(pf.folder(), nullptr));
    EXPECT_EQ(putBack.questions().size(), 1u);
    app::RestoreWindow frm(store);
    frm.FormShow();
    ASSERT_EQ(frm.list()->topLevelItemCount(), 2);
    EXPECT_EQ(frm.list()->topLevelItem(1)->text(0), QStringLiteral("2026-12-09 08:15 恢复前"));
    EXPECT_EQ(frm.snapshots()[1].path, kept);
}
