#pragma once
// Notes written the way the pages write them, and notes written behind the
// program's back (another program, an older version), for the search tests.

#include "rtf/rtf.h"
#include "store/search_index.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"
#include "support/store_peek.h"

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

// Box `position` of the row `key`, written as a page does: through the
// note store, with the text its box shows. Rows no page writes (another
// calendar or memo key) are written behind the store's back.
inline void putNote(notes::TDM& dm, const NoteTable& t, const QString& key, int position,
                    const QString& text) {
    notes::NoteStore& store = dm.notes();
    const notes::RichNote rich{rtfOf(text), text};
    switch (t.page) {
    case notes::NotePage::Desk:
        store.saveDeskCell(key, position, rich);
        return;
    case notes::NotePage::Day:
        store.saveDaySchedule(key, rich);
        return;
    case notes::NotePage::General:
    case notes::NotePage::Calendar: {
        const auto book = t.page == notes::NotePage::General ? notes::LineBook::General
                                                             : notes::LineBook::Calendar;
        const auto old = store.loadLines(book, key);
        notes::LineNotes lines;
        for (size_t i = 0; i < lines.size(); ++i)
            lines[i] = {old.texts ? (*old.texts)[i] : QString(), old.colors ? (*old.colors)[i] : 0};
        lines[size_t(position - 1)].text = text;
        store.saveLines(book, key, lines);
        return;
    }
    case notes::NotePage::Yearly: {
        std::array<notes::RichNote, notes::kYearNotes> year;
        const auto old = store.loadYear(key.toInt());
        for (size_t m = 0; m < year.size(); ++m) {
            QTextDocument d;
            rtf::read(old[m], d);
            year[m] = {old[m], d.toPlainText()};
        }
        year[size_t(position - 1)] = rich;
        store.saveYear(key.toInt(), year);
        return;
    }
    case notes::NotePage::Memo:
        if (key == QLatin1String("bwl")) {
            store.saveMemoLine(position, text);
        } else {
            putValue(dm.connection(), QString::fromUtf16(t.table), QString::fromUtf16(t.keyColumn),
                     key, position, noteValue(t, text));
        }
        return;
    }
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
