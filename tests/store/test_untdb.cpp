#include "store/untdb.h"
#include "support/temp_folder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace kuvano;
using namespace kuvano::notes;

TEST(NotesDatabase, AFileThatIsNoDatabaseIsReportedAndLeftUntouched) {
    test::TempProgramFolder pf;
    // Like an Access file copied over from Windows.
    QByteArray access("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    access.append(QByteArray(4096, '\x5a'));
    pf.writeBytes(TDM::relativePath(), access);
    {
        TDM dm(pf.folder());
        EXPECT_FALSE(dm.connected());
        EXPECT_FALSE(dm.creationError().isEmpty());
        EXPECT_THROW(dm.notes().loadDeskMonth(QStringLiteral("20105")), DbError);
    }
    EXPECT_EQ(pf.readBytes(TDM::relativePath()), access);
    EXPECT_FALSE(pf.exists(TDM::relativePath() + QStringLiteral("-wal")));
}

TEST(NotesDatabase, ACorruptDatabaseIsLeftByteForByte) {
    test::TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        for (int i = 0; i < 40; ++i)
            dm.connection().exec(
                QStringLiteral(
                    "insert into TailiNew(YearMonth, Cell1) Values('%1', zeroblob(3000))")
                    .arg(i)
                    .toUtf8()
                    .constData());
        dm.connection().exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    QByteArray bytes = pf.readBytes(TDM::relativePath());
    ASSERT_GT(bytes.size(), 4096 * 8);
    // Garble the table root pages behind the schema page.
    for (qsizetype i = 4096; i < 4096 * 8; ++i) bytes[i] = char(0xA5);
    QFile::remove(pf.path(TDM::relativePath() + QStringLiteral("-wal")));
    QFile::remove(pf.path(TDM::relativePath() + QStringLiteral("-shm")));
    pf.writeBytes(TDM::relativePath(), bytes);
    {
        TDM dm(pf.folder());
        EXPECT_FALSE(dm.connected());
        EXPECT_FALSE(dm.creationError().isEmpty());
    }
    EXPECT_EQ(pf.readBytes(TDM::relativePath()), bytes);
}

namespace {

// A notes database whose TailiNew holds one row per key, each with a 3 KB
// note in Cell1 (one row per leaf page).
void writeMonths(const test::TempProgramFolder& pf, const QStringList& keys) {
    // Only the notes tables: the search index the data module adds would
    // hold the keys too.
    sql::Database db;
    db.create(pf.path(TDM::relativePath()), NotesSchemaSql(), TDM::kBusyTimeoutMs);
    sql::Transaction tx(db);
    for (const QString& key : keys) {
        sql::Statement st(
            db, QStringLiteral("insert into TailiNew(YearMonth, Cell1) Values(?, zeroblob(3000))"));
        st.bind(1, key);
        st.step();
    }
    tx.commit();
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

// Overwrites the page of the file that holds `marker`; returns its number (1-based).
qsizetype garblePageHolding(const test::TempProgramFolder& pf, const QByteArray& marker) {
    QFile::remove(pf.path(TDM::relativePath() + QStringLiteral("-wal")));
    QFile::remove(pf.path(TDM::relativePath() + QStringLiteral("-shm")));
    QByteArray bytes = pf.readBytes(TDM::relativePath());
    const qsizetype at = bytes.indexOf(marker);
    if (at < 0) return 0;
    const qsizetype page = at / 4096;
    for (qsizetype i = page * 4096; i < (page + 1) * 4096; ++i) bytes[i] = char(0xA5);
    pf.writeBytes(TDM::relativePath(), bytes);
    return page + 1;
}

// The data module refuses the file with a message and leaves it as it was.
void expectRefusedUntouched(const test::TempProgramFolder& pf) {
    const QByteArray bytes = pf.readBytes(TDM::relativePath());
    {
        TDM dm(pf.folder());
        EXPECT_FALSE(dm.connected());
        EXPECT_FALSE(dm.creationError().isEmpty());
    }
    EXPECT_EQ(pf.readBytes(TDM::relativePath()), bytes);
    EXPECT_FALSE(pf.exists(TDM::relativePath() + QStringLiteral("-wal")));
}

qint64 pagesRead(TDM& dm) {
    int current = 0, high = 0;
    sqlite3_db_status(dm.connection().handle(), SQLITE_DBSTATUS_CACHE_MISS, &current, &high, 0);
    return current;
}

} // namespace

TEST(NotesDatabase, StartUpReadsTheSameFewPagesWhateverTheNotebooksSize) {
    qint64 read[2] = {};
    int n = 0;
    for (const int months : {24, 480}) {
        test::TempProgramFolder pf;
        QStringList keys;
        for (int i = 0; i < months; ++i) keys.append(QString::number(200000 + i));
        writeMonths(pf, keys);
        const qint64 pages = pf.readBytes(TDM::relativePath()).size() / 4096;
        TDM dm(pf.folder());
        ASSERT_TRUE(dm.connected()) << dm.creationError().toStdString();
        read[n++] = pagesRead(dm);
        EXPECT_LT(read[n - 1], 60) << months << " months, " << pages << " pages";
    }
    // Deeper trees cost a page or two per edge, not a page per note.
    EXPECT_LE(read[1], read[0] + 10);
}

TEST(NotesDatabase, DamageOnTheEdgesStartUpWalksIsRefusedUntouched) {
    // The newest month's row sits on the last leaf: the page an append writes.
    test::TempProgramFolder pf;
    QStringList keys;
    for (int i = 0; i < 200; ++i)
        keys.append(QStringLiteral("k%1").arg(i, 4, 10, QLatin1Char('0')));
    keys.append(QStringLiteral("NEWEST-MONTH"));
    writeMonths(pf, keys);
    ASSERT_GT(garblePageHolding(pf, "NEWEST-MONTH"), 1);
    expectRefusedUntouched(pf);
}

TEST(NotesDatabase, DamageInsideATableShowsWhenThatRowIsRead) {
    test::TempProgramFolder pf;
    QStringList keys;
    for (int i = 0; i < 200; ++i)
        keys.append(i == 100 ? QStringLiteral("MIDDLE") : QStringLiteral("k%1").arg(i));
    writeMonths(pf, keys);
    ASSERT_GT(garblePageHolding(pf, "MIDDLE"), 1);
    TDM dm(pf.folder());
    ASSERT_TRUE(dm.connected()) << dm.creationError().toStdString();
    EXPECT_THROW(dm.notes().loadDeskMonth(QStringLiteral("k150")), DbError);
}

TEST(NotesDatabase, AnotherProgramsDatabaseIsRefusedUntouched) {
    test::TempProgramFolder pf;
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(pf.path(TDM::relativePath())).constData(), &db);
        sqlite3_exec(db, "create table photos(id integer primary key, path text)", nullptr, nullptr,
                     nullptr);
        sqlite3_close(db);
    }
    expectRefusedUntouched(pf);
}
