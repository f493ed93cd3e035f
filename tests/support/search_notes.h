#pragma once
// Notes written the way the pages write them, and notes written behind the
// program's back (another program, an older version), for the search tests.

#include "rtf/rtf.h"
#include "store/search_index.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"

#include <QTextDocument>
#include <QVariant>

namespace kuvano::test {

inline QByteArray rtfOf(const QString& text) {
    QTextDocument d;
    d.setPlainText(text);
    return rtf::write(d);
}

// A note table, its key column and what its boxes hold.
struct NoteTable {
    const char16_t* table;
    const char16_t* keyColumn;
    bool rich;
    notes::NotePage page;
};

inline const NoteTable kDeskTable{u"TailiNew", u"YearMonth", true, notes::NotePage::Desk};
inline const NoteTable kDayTable{u"TailiNew_day", u"daydate", true, notes::NotePage::Day};
inline const NoteTable kGeneralTable{u"edtText", u"edtYearMonth", false, notes::NotePage::General};
inline const NoteTable kCalendarTable{u"RiliJishi", u"edtYearMonth", false,
                                      notes::NotePage::Calendar};
inline const NoteTable kYearTable{u"YearJishi", u"year", true, notes::NotePage::Yearly};
inline const NoteTable kMemoTable{u"beiwanglu", u"memkey", false, notes::NotePage::Memo};

inline QVariant noteValue(const NoteTable& t, const QString& text) {
    return t.rich ? QVariant(rtfOf(text)) : QVariant(text);
}

// Box `position` of the row `key`, written as a page does: the row inserted
// when missing, then edited and posted through a data-module query.
inline void putNote(notes::TDM& dm, const NoteTable& t, const QString& key, int position,
                    const QString& text) {
    const QString table = QString::fromUtf16(t.table), k = QString::fromUtf16(t.keyColumn);
    notes::TAdoQuery q(dm.connection(), QStringLiteral("put"));
    auto open = [&] {
        q.Close();
        q.ClearSql();
        q.AddSql(QStringLiteral("select * from %1 where %2=:key").arg(table, k));
        q.SetParam(QStringLiteral("key"), key);
        q.Open();
    };
    open();
    if (q.Eof()) {
        notes::TAdoQuery insert(dm.connection(), QStringLiteral("insert"));
        insert.AddSql(QStringLiteral("insert into %1(%2) values(:key)").arg(table, k));
        insert.SetParam(QStringLiteral("key"), key);
        insert.ExecSQL();
        open();
    }
    q.Edit();
    q.SetField(position, noteValue(t, text));
    q.Post();
}

// The same written on a connection that knows nothing of the index.
inline void putNoteBehindBack(sql::Database& db, const NoteTable& t, const QString& key,
                              int position, const QString& text) {
    const QString table = QString::fromUtf16(t.table), k = QString::fromUtf16(t.keyColumn);
    const QString column = db.tableColumns(table).at(position);
    {
        sql::Statement exists(db, QStringLiteral("select 1 from %1 where %2=?").arg(table, k));
        exists.bind(1, key);
        if (!exists.step()) {
            sql::Statement insert(db, QStringLiteral("insert into %1(%2) values(?)").arg(table, k));
            insert.bind(1, key);
            insert.step();
        }
    }
    sql::Statement update(db,
                          QStringLiteral("update %1 set %2=? where %3=?").arg(table, column, k));
    update.bind(1, noteValue(t, text));
    update.bind(2, key);
    update.step();
}

// The full-text index agrees with search_text, token by token; throws when not.
inline void checkFullText(sql::Database& db) {
    db.exec("INSERT INTO search_fts(search_fts, rank) VALUES('integrity-check', 1)");
}

inline QStringList foundTexts(notes::TDM& dm, const QString& query) {
    QStringList out;
    for (const notes::SearchHit& h : dm.searchIndex()->find(query).hits) out.append(h.text);
    return out;
}

} // namespace kuvano::test
