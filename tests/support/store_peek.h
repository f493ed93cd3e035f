#pragma once
// Reading and writing rows of a notes file behind the pages' backs, for
// tests that check what was stored or plant what another program wrote.

#include "store/sqlite_db.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace kuvano::test {

// Another program's connection to a notes file: holds its write lock while
// it lives, and can let it go early.
class ForeignLock {
public:
    explicit ForeignLock(const QString& path) {
        db_.openAnother(path, 0, false);
        db_.exec("BEGIN IMMEDIATE");
    }
    ~ForeignLock() { release(); }
    void release() {
        if (db_.isOpen() && db_.inTransaction()) db_.exec("ROLLBACK");
        db_.close();
    }
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

private:
    sql::Database db_;
};

// Every column of the first row (stored order) of `statement`, by position.
inline std::optional<std::vector<QVariant>> firstRowOf(sql::Database& db, const QString& statement,
                                                       const QVariant& bound = {}) {
    sql::Statement st(db, statement);
    if (bound.isValid()) st.bind(1, bound);
    if (!st.step()) return std::nullopt;
    std::vector<QVariant> row;
    for (int c = 0; c < st.columnCount(); ++c) row.push_back(st.column(c));
    return row;
}

// The first row of `key` in `table`, every column by position.
inline std::optional<std::vector<QVariant>>
firstRow(sql::Database& db, const QString& table, const QString& keyColumn, const QVariant& key) {
    return firstRowOf(db,
                      QStringLiteral("select * from %1 where %2 = ? order by rowid limit 1")
                          .arg(sql::quotedName(table), sql::quotedName(keyColumn)),
                      key);
}

// A column of a named statement's first row, by name; invalid when no row.
inline QVariant firstRowField(sql::Database& db, const QString& statement, const QString& column) {
    sql::Statement st(db, statement);
    if (!st.step()) return {};
    for (int c = 0; c < st.columnCount(); ++c)
        if (st.columnName(c).compare(column, Qt::CaseInsensitive) == 0) return st.column(c);
    return {};
}

inline int rowCount(sql::Database& db, const QString& table) {
    sql::Statement st(db, QStringLiteral("select count(*) from ") + sql::quotedName(table));
    return st.step() ? st.column(0).toInt() : 0;
}

inline QByteArray bytesOf(const QVariant& v) {
    return v.typeId() == QMetaType::QString ? v.toString().toUtf8() : v.toByteArray();
}
inline QString textOf(const QVariant& v) {
    return v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : v.toString();
}

// Writes column `position` of the first row of `key`, adding the row when missing.
inline void putValue(sql::Database& db, const QString& table, const QString& keyColumn,
                     const QString& key, int position, const QVariant& value) {
    const QStringList columns = db.tableColumns(table);
    sql::Transaction tx(db);
    qint64 row = 0;
    {
        sql::Statement find(
            db, QStringLiteral("select rowid from %1 where %2 = ? order by rowid limit 1")
                    .arg(sql::quotedName(table), sql::quotedName(keyColumn)));
        find.bind(1, key);
        if (find.step()) row = find.column(0).toLongLong();
    }
    if (row == 0) {
        sql::Statement insert(db, QStringLiteral("insert into %1(%2) values(?)")
                                      .arg(sql::quotedName(table), sql::quotedName(keyColumn)));
        insert.bind(1, key);
        insert.step();
        row = db.lastInsertRowid();
    }
    sql::Statement update(db,
                          QStringLiteral("update %1 set %2 = ? where rowid = ?")
                              .arg(sql::quotedName(table), sql::quotedName(columns.at(position))));
    update.bind(1, value);
    update.bind(2, QVariant(row));
    update.step();
    tx.commit();
}

} // namespace kuvano::test
