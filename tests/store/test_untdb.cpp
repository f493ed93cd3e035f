#include "store/untdb.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace kuvano;
using namespace kuvano::notes;

namespace {

// Another process's connection: holds the write lock while it lives.
class ForeignLock {
public:
    explicit ForeignLock(const QString& path) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~ForeignLock() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

private:
    sqlite3* db_ = nullptr;
};

void selectAll(TAdoQuery& q, const QString& table) {
    q.Close();
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from ") + table);
    q.Open();
}

int countRows(TDM& dm, const QString& table) {
    TAdoQuery q(dm.connection(), QStringLiteral("count"));
    selectAll(q, table);
    return q.RecordCount();
}

} // namespace

TEST(NotesDatabase, MissingFileIsCreatedWithEveryTableAndTheMemoRow) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    ASSERT_TRUE(dm.connected()) << dm.creationError().toStdString();
    EXPECT_TRUE(dm.creationError().isEmpty());
    EXPECT_TRUE(pf.exists(QStringLiteral("DB3/CalendarD.mdb")));
    // Column positions the pages rely on.
    const std::pair<const char16_t*, int> tables[] = {
        {u"TailiNew", 43},  {u"TailiNew_day", 2}, {u"edtText", 43},   {u"edtTextColor", 43},
        {u"RiliJishi", 43}, {u"RiliColor", 43},   {u"YearJishi", 13}, {u"beiwanglu", 13},
        {u"Taili", 2},      {u"TailiColor", 2}};
    for (const auto& [table, columns] : tables) {
        TAdoQuery q(dm.connection(), QStringLiteral("q"));
        selectAll(q, QString::fromUtf16(table));
        EXPECT_EQ(q.FieldCount(), columns) << QString::fromUtf16(table).toStdString();
    }
    TAdoQuery q(dm.connection(), QStringLiteral("q"));
    q.SetSql({QStringLiteral("select * from  beiwanglu"), QStringLiteral("where memkey=\"bwl\"")});
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldName(0), QStringLiteral("ID"));
    EXPECT_EQ(q.FieldName(12), QStringLiteral("memkey"));
}

TEST(NotesDatabase, MonthKeysOfJanuaryAndNovemberAreDifferentRows) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    for (const char16_t* key : {u"20111", u"201111"}) {
        TAdoQuery& ins = dm.qrySaveMonth2;
        ins.ClearSql();
        ins.AddSql(QStringLiteral("insert into TailiNew(YearMonth) Values(:YearMonth2) "));
        ins.SetParam(QStringLiteral("YearMonth2"), QString::fromUtf16(key));
        ins.ExecSQL();
    }
    TAdoQuery& q = dm.qryMonth;
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from TaiLiNew where yearMonth=:YearMonth2"));
    q.SetParam(QStringLiteral("YearMonth2"), QStringLiteral("20111"));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldAsString(0), QStringLiteral("20111"));
    EXPECT_EQ(countRows(dm, QStringLiteral("TailiNew")), 2);
}

TEST(NotesDatabase, NamesMatchWithoutRegardToCase) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    TAdoQuery& q = dm.qryYear;
    // Parameter spelled differently in the text and in the call.
    q.SetSql({QStringLiteral("select * from yearjishi"), QStringLiteral("where YEAR=:Year2")});
    q.SetParam(QStringLiteral("year2"), QStringLiteral("2011"));
    q.Open();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.FieldIndex(QStringLiteral("MONTH3")), 3);
    q.Edit();
    q.SetFieldByName(QStringLiteral("year"), 2011);
    q.SetFieldByName(QStringLiteral("month12"), QByteArray("{\\rtf1 x}"));
    q.Post();
    TAdoQuery again(dm.connection(), QStringLiteral("again"));
    again.AddSql(QStringLiteral("select * from YearJishi where year=2011"));
    again.Open();
    ASSERT_EQ(again.RecordCount(), 1);
    EXPECT_EQ(again.FieldByName(QStringLiteral("Month12")).toByteArray(), QByteArray("{\\rtf1 x}"));
}

TEST(NotesDatabase, EditOfAnEmptyResultInsertsOnPost) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    TAdoQuery& q = dm.qrySaveRiArr;
    q.AddSql(QStringLiteral("select * from TailiNew_day where daydate=:dayStr2 "));
    q.SetParam(QStringLiteral("dayStr2"), QStringLiteral("2010-5-3"));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 0);
    q.Edit();
    q.SetField(0, QStringLiteral("2010-5-3"));
    q.SetFieldByName(QStringLiteral("daycontent"), QByteArray("note"));
    q.Post();
    EXPECT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(countRows(dm, QStringLiteral("TailiNew_day")), 1);
}

TEST(NotesDatabase, ScanWalksRowsInStoredOrderAndUpdatesInPlace) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    TAdoQuery& ins = dm.qrySaveMonth2;
    for (const char16_t* key : {u"20105", u"20104", u"201012"}) {
        ins.ClearSql();
        ins.AddSql(QStringLiteral("insert into TailiNew(YearMonth) Values(:k)"));
        ins.SetParam(QStringLiteral("k"), QString::fromUtf16(key));
        ins.ExecSQL();
    }
    TAdoQuery& q = dm.qrySaveMonth;
    selectAll(q, QStringLiteral("TailiNew"));
    QStringList order;
    for (q.First(); !q.Eof(); q.Next()) order.append(q.FieldAsString(0));
    EXPECT_EQ(order, QStringList({QStringLiteral("20105"), QStringLiteral("20104"),
                                  QStringLiteral("201012")}));
    q.First();
    q.Next();
    q.Edit();
    q.SetField(10, QByteArray("ten"));
    q.Post();
    EXPECT_EQ(q.FieldAsBytes(10), QByteArray("ten"));
    selectAll(q, QStringLiteral("TailiNew"));
    q.Next();
    EXPECT_EQ(q.FieldAsString(0), QStringLiteral("20104"));
    EXPECT_EQ(q.FieldAsBytes(10), QByteArray("ten"));
    EXPECT_FALSE(q.Field(11).isValid());
    EXPECT_EQ(countRows(dm, QStringLiteral("TailiNew")), 3);
}

TEST(NotesDatabase, StatementErrorsCarryTheEngineText) {
    test::TempProgramFolder pf;
    TDM dm(pf.folder());
    TAdoQuery& q = dm.qryBWL;
    q.AddSql(QStringLiteral("select * from NoSuchTable"));
    try {
        q.Open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NoSuchTable")))
            << e.message().toStdString();
    }
    q.ClearSql();
    q.AddSql(QStringLiteral("select * from TailiNew where YearMonth=:missing"));
    EXPECT_THROW(q.Open(), DbError); // a parameter without a value
}

TEST(NotesDatabase, ALockHeldElsewhereGivesAnErrorWithinSeconds) {
    test::TempProgramFolder pf;
    { TDM create(pf.folder()); }
    TDM dm(pf.folder());
    ASSERT_TRUE(dm.connected());
    ForeignLock lock(pf.path(TDM::relativePath()));
    QElapsedTimer t;
    t.start();
    TAdoQuery& q = dm.qrySaveMonth2;
    q.AddSql(QStringLiteral("insert into TailiNew(YearMonth) Values('20105')"));
    EXPECT_THROW(q.ExecSQL(), DbError);
    EXPECT_LT(t.elapsed(), 3000);
}

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
        TAdoQuery& q = dm.qryMonth;
        q.AddSql(QStringLiteral("select * from TailiNew"));
        EXPECT_THROW(q.Open(), DbError);
    }
    EXPECT_EQ(pf.readBytes(TDM::relativePath()), access);
    EXPECT_FALSE(pf.exists(TDM::relativePath() + QStringLiteral("-wal")));
}

TEST(NotesDatabase, ACorruptDatabaseIsLeftByteForByte) {
    test::TempProgramFolder pf;
    {
        TDM dm(pf.folder());
        TAdoQuery& q = dm.qrySaveMonth2;
        for (int i = 0; i < 40; ++i) {
            q.ClearSql();
            q.AddSql(QStringLiteral(
                         "insert into TailiNew(YearMonth, Cell1) Values('%1', zeroblob(3000))")
                         .arg(i));
            q.ExecSQL();
        }
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
    TAdoQuery& q = dm.qryMonth;
    q.AddSql(QStringLiteral("select * from TaiLiNew where yearMonth=:YearMonth2"));
    q.SetParam(QStringLiteral("YearMonth2"), QStringLiteral("k150"));
    EXPECT_THROW(
        {
            q.Open();
            q.FieldAsBytes(1);
        },
        DbError);
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
