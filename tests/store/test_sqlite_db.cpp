// The SQLite wrappers: prepared statements are kept for reuse by their text,
// and a reused one behaves as a freshly prepared one.
#include "store/sqlite_db.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

using namespace kuvano::sql;

namespace {

// Statements the connection holds, in use or kept.
int preparedCount(const Database& db) {
    int n = 0;
    for (sqlite3_stmt* st = sqlite3_next_stmt(db.handle(), nullptr); st;
         st = sqlite3_next_stmt(db.handle(), st))
        ++n;
    return n;
}

class SqliteStatements : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("t.db"));
    Database db;
    const QString select = QStringLiteral("select v from t where k >= ? order by k");

    void SetUp() override {
        db.create(path, "create table t(k integer primary key, v text unique);", 1000);
        db.exec("insert into t values(1, 'a'), (2, 'b'), (3, 'c');");
    }
    QStringList values(Statement& st) {
        QStringList out;
        while (st.step()) out.append(st.column(0).toString());
        return out;
    }
};

} // namespace

TEST_F(SqliteStatements, AStatementEndedHalfReadIsReusedFromTheStartWithoutItsBindings) {
    {
        Statement st(db, select);
        st.bind(1, QVariant(2));
        ASSERT_TRUE(st.step()); // left after its first row
    }
    const int kept = preparedCount(db);
    // A kept statement holds no read snapshot: another connection's row is seen.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "insert into t values(4, 'd')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    for (int round = 0; round < 3; ++round) {
        Statement st(db, select);
        EXPECT_EQ(preparedCount(db), kept); // taken from the kept ones, not prepared again
        EXPECT_TRUE(values(st).isEmpty());  // an unbound parameter is NULL again
        st.reset();
        st.bind(1, QVariant(1));
        EXPECT_EQ(values(st), (QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                           QStringLiteral("c"), QStringLiteral("d")}));
    }
}

TEST_F(SqliteStatements, SameTextsAtOnceFailedStepsAndReopenedConnections) {
    const QString insert = QStringLiteral("insert into t values(?, ?)");
    {
        // Two at once: both work; one is kept afterwards.
        Statement a(db, select), b(db, select);
        a.bind(1, QVariant(3));
        b.bind(1, QVariant(2));
        EXPECT_EQ(values(a), QStringList{QStringLiteral("c")});
        EXPECT_EQ(values(b), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    }
    const int kept = preparedCount(db);
    {
        Statement dup(db, insert);
        dup.bind(1, QVariant(9));
        dup.bind(2, QStringLiteral("a"));
        EXPECT_THROW(dup.step(), Error); // unique v
    }
    {
        Statement again(db, insert); // the same statement, after its failure
        again.bind(1, QVariant(9));
        again.bind(2, QStringLiteral("z"));
        EXPECT_FALSE(again.step());
    }
    EXPECT_EQ(preparedCount(db), kept + 1);

    // A statement of a connection closed meanwhile is not kept for the next one.
    auto stale = std::make_unique<Statement>(db, select);
    db.close();
    db.openExisting(path, 1000);
    const int afterOpen = preparedCount(db);
    stale.reset();
    Statement fresh(db, select);
    EXPECT_EQ(preparedCount(db), afterOpen + 1); // prepared on the open connection
    fresh.bind(1, QVariant(9));
    EXPECT_EQ(values(fresh), QStringList{QStringLiteral("z")});
}
