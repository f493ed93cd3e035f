#include "store/search_schema.h"

#include "store/note_keys.h"
#include "store/rich_text.h"

#include <QtEndian>

#include <sqlite3.h>

#include <atomic>
#include <tuple>
#include <vector>

namespace kuvano::notes {

namespace {

// Bumped when the plain text or the entry layout changes: an index of
// another version is emptied and built again. 2: search_fts follows
// search_text when flushed, not row by row. 3: the entries to flush are
// found through the change journal, not through an index every keystroke
// updates.
constexpr int kIndexVersion = 3;

const char* const kTablesSql = R"(
CREATE TABLE IF NOT EXISTS search_state(name TEXT PRIMARY KEY, value);
CREATE TABLE IF NOT EXISTS search_text(
    id INTEGER PRIMARY KEY,
    page INTEGER NOT NULL,
    key TEXT NOT NULL,
    cell INTEGER NOT NULL,
    sortday INTEGER NOT NULL,
    sig INTEGER NOT NULL,
    body TEXT NOT NULL,
    indexed TEXT,
    UNIQUE(page, key, cell));
CREATE INDEX IF NOT EXISTS search_text_sortday ON search_text(sortday);
)";

// search_fts holds each entry's `indexed` text (a blank note is an entry
// without tokens). Tokenizing a note costs more than the rest of its save,
// so a save writes only search_text; the entries whose body moved on are
// brought into search_fts in one go before the index is searched or checked
// (FlushFullText), found through the notes the journal has seen change since
// the last flush (search_state 'flushed': that journal counter). A deleted
// entry leaves search_fts by its trigger.
const char* const kFullTextSql = R"(
CREATE VIRTUAL TABLE search_fts USING fts5(
    body, content='search_text', content_rowid='id', tokenize='trigram');
CREATE TRIGGER search_fts_del AFTER DELETE ON search_text WHEN old.indexed IS NOT NULL BEGIN
    INSERT INTO search_fts(search_fts, rowid, body) VALUES('delete', old.id, old.indexed);
END;
)";

const char* const kDropFullTextSql = R"(
DROP TRIGGER IF EXISTS search_fts_ins;
DROP TRIGGER IF EXISTS search_fts_upd;
DROP TRIGGER IF EXISTS search_fts_del;
DROP TRIGGER IF EXISTS search_fts_upd;
DROP TABLE IF EXISTS search_fts;
)";

QString scalarText(sql::Database& db, const QString& text) {
    sql::Statement st(db, text);
    return st.step() ? st.column(0).toString() : QString();
}

std::atomic<long> g_plainReads{0};

// FNV-1a, 64 bits: stable across runs and machines, unlike qHash.
// FNV-1a's steps over 8 bytes at a time (read little-endian, whatever the
// machine), then the bytes left one by one: a save hashes its note on every
// keystroke.
qint64 signature(const unsigned char* bytes, int size) {
    constexpr quint64 kPrime = 1099511628211ull;
    quint64 h = 14695981039346656037ull;
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        h = (h ^ qFromLittleEndian<quint64>(bytes + i)) * kPrime;
    }
    for (; i < size; ++i) h = (h ^ bytes[i]) * kPrime;
    return h == 0 ? 1 : qint64(h); // 0 stands for "no note"
}

QByteArray valueBytes(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_BLOB) {
        return QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
    }
    const auto* text = sqlite3_value_text(v); // numbers as SQLite writes them
    return QByteArray(reinterpret_cast<const char*>(text), sqlite3_value_bytes(v));
}

void sigFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int64(ctx, 0);
        return;
    }
    const QByteArray bytes = valueBytes(argv[0]);
    sqlite3_result_int64(ctx, signature(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                        int(bytes.size())));
}

void plainFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    QString text;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        ++g_plainReads;
        const QByteArray bytes = valueBytes(argv[0]);
        if (sqlite3_value_int(argv[1]) != 0) {
            // The reader the boxes load with: the text, and so every offset
            // into it, is the one the box shows.
            text = plainTextOf(bytes);
        } else {
            text = QString::fromUtf8(bytes); // a line is read as the pages read it
        }
        if (text.trimmed().isEmpty()) text.clear();
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text64(ctx, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                          SQLITE_UTF8);
}

void dayFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* key = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(ctx,
                       NoteSortDay(NotePage(sqlite3_value_int(argv[0])),
                                   QString::fromUtf8(key ? key : ""), sqlite3_value_int(argv[2])));
}

int yyyymmdd(const QDate& d) {
    return d.isValid() ? d.year() * 10000 + d.month() * 100 + d.day() : 0;
}

QString monthText(const QDate& d) {
    return QStringLiteral("%1年%2月").arg(d.year()).arg(d.month());
}

// Column names by position (1..n after position 0) or by name.
QStringList columnsAt(const QStringList& all, int first, int count) {
    if (all.size() < first + count) return {};
    return all.mid(first, count);
}

QString columnNamed(const QStringList& all, const QString& name) {
    for (const QString& c : all)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    return {};
}

} // namespace

QString PageCaption(NotePage page) {
    switch (page) {
    case NotePage::Desk:
        return QStringLiteral("桌面月历");
    case NotePage::Day:
        return QStringLiteral("日安排");
    case NotePage::General:
        return QStringLiteral("月记事");
    case NotePage::Calendar:
        return QStringLiteral("日历记事");
    case NotePage::Yearly:
        return QStringLiteral("年记事");
    case NotePage::Memo:
        return QStringLiteral("备忘录");
    }
    return {};
}

std::vector<IndexedTable> IndexedTables(sql::Database& db) {
    std::vector<IndexedTable> out;
    auto columnsOf = [&db](const QString& table) {
        try {
            return db.tableColumns(table);
        } catch (const sql::Error&) {
            return QStringList(); // a file without this table: nothing of it to index
        }
    };
    auto add = [&out](NotePage page, const QString& table, const QString& key,
                      const QStringList& cells, bool rich, const QString& onlyKey = {}) {
        if (key.isEmpty() || cells.isEmpty()) return;
        out.push_back({page, table, key, cells, rich, onlyKey});
    };
    // The pages reach the boxes by position after the key, except the yearly
    // notes (by name) and the memo row (its key by name).
    const struct {
        NotePage page;
        const char16_t* table;
        int cells;
        bool rich;
        const char16_t* onlyKey;
    } byPosition[] = {
        {NotePage::Desk, u"TailiNew", kDeskCells, true, nullptr},
        {NotePage::Day, u"TailiNew_day", 1, true, nullptr},
        {NotePage::General, u"edtText", kDeskCells, false, nullptr},
        {NotePage::Calendar, u"RiliJishi", kDeskCells, false, u"rili2011"},
    };
    for (const auto& t : byPosition) {
        const QString table = QString::fromUtf16(t.table);
        const QStringList all = columnsOf(table);
        if (all.isEmpty()) continue;
        add(t.page, table, all.first(), columnsAt(all, 1, t.cells), t.rich,
            t.onlyKey ? QString::fromUtf16(t.onlyKey) : QString());
    }
    {
        const QStringList all = columnsOf(QStringLiteral("YearJishi"));
        QStringList months;
        for (int m = 1; m <= 12; ++m) {
            const QString c = columnNamed(all, QStringLiteral("Month%1").arg(m));
            if (c.isEmpty()) {
                months.clear();
                break;
            }
            months.append(c);
        }
        add(NotePage::Yearly, QStringLiteral("YearJishi"), columnNamed(all, QStringLiteral("year")),
            months, true);
    }
    {
        const QStringList all = columnsOf(QStringLiteral("beiwanglu"));
        add(NotePage::Memo, QStringLiteral("beiwanglu"), columnNamed(all, QStringLiteral("memkey")),
            columnsAt(all, 1, 11), false, QStringLiteral("bwl"));
    }
    return out;
}

namespace {
// The decimal number of digits [from, from + count) of key; -1 when any is not a digit.
int digitsAt(const QString& key, qsizetype from, qsizetype count) {
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = key.at(i).unicode();
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}
} // namespace

// Read by hand, not by a regular expression: every keystroke's save dates its entry.
QDate MonthOfKey(const QString& key) {
    if (key.size() != 5 && key.size() != 6) return {};
    const int year = digitsAt(key, 0, 4), month = digitsAt(key, 4, key.size() - 4);
    if (year < 0 || month < 1 || month > 12) return {};
    return QDate(year, month, 1);
}

QDate DateOfDayKey(const QString& key) {
    // yyyy-M-d, each separator one of - / .
    if (key.size() < 8 || key.size() > 10 || digitsAt(key, 0, 4) < 0) return {};
    const auto isSeparator = [](QChar c) {
        return c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char('.');
    };
    if (!isSeparator(key.at(4))) return {};
    qsizetype second = -1;
    for (qsizetype i = 6; i < key.size() - 1 && i <= 7; ++i)
        if (isSeparator(key.at(i))) second = i;
    if (second < 0) return {};
    const int month = digitsAt(key, 5, second - 5),
              day = digitsAt(key, second + 1, key.size() - second - 1);
    if (month < 0 || day < 0 || key.size() - second - 1 > 2) return {};
    return QDate(digitsAt(key, 0, 4), month, day);
}

namespace {
// The date a desk cell shows: cell 1 is the Sunday on or before the first.
QDate deskCellDate(const QString& key, int cell) {
    const QDate month = MonthOfKey(key);
    if (!month.isValid() || cell < 1 || cell > kDeskCells) return {};
    return deskOrigin(month).addDays(cell - 1);
}

QDate yearlyMonth(const QString& key, int box) {
    bool ok = false;
    const int year = key.toInt(&ok);
    if (!ok || box < 1 || box > 12) return {};
    return QDate(year, box, 1);
}
} // namespace

NoteLocation LocateNote(NotePage page, const QString& key, int box) {
    switch (page) {
    case NotePage::Desk:
    case NotePage::General:
        return {page, MonthOfKey(key), box}; // the row's month, not the cell's date
    case NotePage::Day:
        return {page, DateOfDayKey(key), 1};
    case NotePage::Yearly:
        return {page, yearlyMonth(key, box), box};
    case NotePage::Calendar:
    case NotePage::Memo:
        break;
    }
    return {page, QDate(), box};
}

QString NoteDateText(NotePage page, const QString& key, int box) {
    QDate d;
    switch (page) {
    case NotePage::Desk:
        d = deskCellDate(key, box);
        return d.isValid() ? dayKey(d) : key;
    case NotePage::Day:
        d = DateOfDayKey(key);
        return d.isValid() ? dayKey(d) : key;
    case NotePage::General:
        d = MonthOfKey(key);
        return d.isValid() ? monthText(d) : key;
    case NotePage::Yearly:
        d = yearlyMonth(key, box);
        return d.isValid() ? monthText(d) : key;
    case NotePage::Calendar:
    case NotePage::Memo:
        break;
    }
    return {};
}

int NoteSortDay(NotePage page, const QString& key, int box) {
    switch (page) {
    case NotePage::Desk:
        return yyyymmdd(deskCellDate(key, box));
    case NotePage::Day:
        return yyyymmdd(DateOfDayKey(key));
    case NotePage::General:
        return yyyymmdd(MonthOfKey(key));
    case NotePage::Yearly:
        return yyyymmdd(yearlyMonth(key, box));
    case NotePage::Calendar:
    case NotePage::Memo:
        return kUndatedSortDay;
    }
    return 0;
}

void RegisterSearchFunctions(sql::Database& db) {
    sqlite3* h = db.handle();
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int rc = sqlite3_create_function_v2(h, "kuvano_sig", 1, flags, nullptr, sigFunction, nullptr,
                                        nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function_v2(h, "kuvano_plain", 2, flags, nullptr, plainFunction,
                                        nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function_v2(h, "kuvano_day", 3, flags, nullptr, dayFunction, nullptr,
                                        nullptr, nullptr);
    }
    if (rc != SQLITE_OK) throw sql::Error(db.lastError());
}

qint64 NoteSignature(const QByteArray& stored) {
    return signature(reinterpret_cast<const unsigned char*>(stored.constData()),
                     int(stored.size()));
}

long PlainTextReads() {
    return g_plainReads.load();
}

bool FullTextLooksSound(sql::Database& db) {
    try {
        // Loads the index structure and walks a term lookup through every segment.
        {
            sql::Statement probe(db, QStringLiteral("SELECT rowid FROM search_fts "
                                                    "WHERE search_fts MATCH '\"kuvano\"' LIMIT 1"));
            while (probe.step()) {
            }
        }
        const QString indexed =
            scalarText(db, QStringLiteral("SELECT count(*) FROM search_fts_docsize"));
        const QString bodies = scalarText(
            db, QStringLiteral("SELECT count(*) FROM search_text WHERE indexed IS NOT NULL"));
        return indexed == bodies;
    } catch (const sql::Error&) {
        return false;
    }
}

namespace {

// Some damage lets search_fts answer queries but fails the commit of any
// write to it, and with it the note's: a probe entry, written and taken out
// again, must commit before the note triggers are let in.
bool fullTextTakesWrites(sql::Database& db) {
    try {
        sql::Transaction tx(db);
        db.exec("INSERT INTO search_fts(rowid, body) VALUES(-1, 'kuvano');"
                "INSERT INTO search_fts(search_fts, rowid, body) VALUES('delete', -1, 'kuvano');");
        tx.commit();
        return true;
    } catch (const sql::Error&) {
        return false;
    }
}

bool fullTextSupported(sql::Database& db) {
    try {
        db.exec("CREATE VIRTUAL TABLE temp.kuvano_trigram_probe USING fts5(x, tokenize='trigram');"
                "DROP TABLE temp.kuvano_trigram_probe;");
        return true;
    } catch (const sql::Error&) {
        return false;
    }
}

bool exists(sql::Database& db, const char16_t* name) {
    sql::Statement st(db, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE name=?"));
    st.bind(1, QString::fromUtf16(name));
    return st.step();
}

// Inside a transaction: search_fts dropped, every entry gone, search_fts
// made again when it can be, the version recorded.
bool remake(sql::Database& db, bool fullText) {
    db.exec(kDropFullTextSql);
    // Made anew rather than emptied: an older layout lacks columns.
    db.exec("DROP TABLE IF EXISTS search_text");
    db.exec(kTablesSql);
    if (fullText) db.exec(kFullTextSql);
    sql::Statement st(db, QStringLiteral("INSERT OR REPLACE INTO search_state(name, value) "
                                         "VALUES('version', ?)"));
    st.bind(1, kIndexVersion);
    st.step();
    db.exec("DELETE FROM search_state WHERE name='fullcheck'");
    // An empty index is up to date with the journal; the build flushes what it writes.
    if (exists(db, u"note_changes"))
        db.exec("INSERT OR REPLACE INTO search_state(name, value) "
                "SELECT 'flushed', ifnull(max(counter), 0) FROM note_changes");
    return fullText;
}

} // namespace

SchemaState EnsureSearchSchema(sql::Database& db) {
    const bool tablesThere = exists(db, u"search_text") && exists(db, u"search_state");
    const bool ftsThere = exists(db, u"search_fts");
    const bool supported = fullTextSupported(db);
    bool sound = tablesThere;
    if (sound) {
        sound =
            scalarText(db, QStringLiteral("SELECT value FROM search_state WHERE name='version'")) ==
            QString::number(kIndexVersion);
    }
    // Without FTS5 here, a search_fts made elsewhere must go: its triggers
    // would fail every note write.
    if (sound)
        sound =
            supported ? ftsThere && FullTextLooksSound(db) && fullTextTakesWrites(db) : !ftsThere;
    if (sound) return {supported, false};
    sql::Transaction tx(db);
    db.exec(kTablesSql);
    SchemaState state{remake(db, supported), true};
    tx.commit();
    return state;
}

bool FullTextPassesFullCheck(sql::Database& db) {
    if (!exists(db, u"search_fts")) return true;
    try {
        sql::Transaction tx(db);
        // The check compares search_fts with every entry's text.
        FlushFullText(db, FlushScope::Everything);
        db.exec("INSERT INTO search_fts(search_fts, rank) VALUES('integrity-check', 1)");
        tx.commit();
        return true;
    } catch (const sql::Error&) {
        return false;
    }
}

namespace {
// search_state 'fullcheck': "<Julian day> <SQLite version>" of the last pass.
QString fullCheckStamp(const QDate& day) {
    return QStringLiteral("%1 %2").arg(day.toJulianDay()).arg(QLatin1String(sqlite3_libversion()));
}
} // namespace

bool FullCheckDue(sql::Database& db, const QDate& today) {
    if (!exists(db, u"search_fts")) return false;
    const QStringList stamp =
        scalarText(db, QStringLiteral("SELECT value FROM search_state WHERE name='fullcheck'"))
            .split(QLatin1Char(' '));
    if (stamp.size() != 2 || stamp.at(1) != QLatin1String(sqlite3_libversion())) return true;
    bool ok = false;
    const qint64 day = stamp.at(0).toLongLong(&ok);
    const qint64 age = today.toJulianDay() - day;
    return !ok || age < 0 || age >= kFullCheckDays;
}

void RecordFullCheck(sql::Database& db, const QDate& today) {
    try {
        sql::Statement st(db, QStringLiteral("INSERT OR REPLACE INTO search_state(name, value) "
                                             "VALUES('fullcheck', ?)"));
        st.bind(1, fullCheckStamp(today));
        st.step();
    } catch (const sql::Error&) {
        // Busy or read-only: the next build checks again.
    }
}

SchemaState ResetSearchIndex(sql::Database& db) {
    const bool supported = fullTextSupported(db);
    sql::Transaction tx(db);
    db.exec(kTablesSql);
    SchemaState state{remake(db, supported), true};
    tx.commit();
    return state;
}

namespace {
qint64 flushedCounter(sql::Database& db) {
    const QString v =
        scalarText(db, QStringLiteral("SELECT value FROM search_state WHERE name='flushed'"));
    return v.isEmpty() ? -1 : v.toLongLong();
}

// Brings the entries `select` gives (id, indexed, body) into search_fts.
int flushRows(sql::Database& db, sql::Statement& select) {
    std::vector<std::tuple<qint64, QVariant, QString>> stale;
    while (select.step())
        stale.emplace_back(select.column(0).toLongLong(), select.column(1),
                           select.column(2).toString());
    sql::Statement remove(db, QStringLiteral("INSERT INTO search_fts(search_fts, rowid, body) "
                                             "VALUES('delete', ?, ?)"));
    sql::Statement add(db, QStringLiteral("INSERT INTO search_fts(rowid, body) VALUES(?, ?)"));
    sql::Statement mark(db, QStringLiteral("UPDATE search_text SET indexed = body WHERE id = ?"));
    for (const auto& [id, indexed, body] : stale) {
        if (!indexed.isNull()) {
            remove.bind(1, QVariant(id));
            remove.bind(2, indexed);
            remove.step();
            remove.reset();
        }
        add.bind(1, QVariant(id));
        add.bind(2, body);
        add.step();
        add.reset();
        mark.bind(1, QVariant(id));
        mark.step();
        mark.reset();
    }
    return int(stale.size());
}
} // namespace

int FlushFullText(sql::Database& db, FlushScope scope) {
    if (!exists(db, u"search_fts")) return 0;
    sql::Transaction tx(db);
    const bool journal = exists(db, u"note_changes");
    const qint64 last =
        journal ? scalarText(db, QStringLiteral("SELECT ifnull(max(counter), 0) FROM note_changes"))
                      .toLongLong()
                : 0;
    const qint64 flushed = journal ? flushedCounter(db) : -1;
    // A journal behind the mark (made anew, or none) tells nothing: every entry is looked at.
    const bool everything = scope == FlushScope::Everything || flushed < 0 || flushed > last;
    int n = 0;
    if (everything) {
        sql::Statement st(db, QStringLiteral("SELECT id, indexed, body FROM search_text "
                                             "WHERE indexed IS NOT body"));
        n = flushRows(db, st);
    } else if (flushed < last) {
        sql::Statement st(db, QStringLiteral("SELECT t.id, t.indexed, t.body FROM note_changes c "
                                             "JOIN search_text t ON t.page = c.page AND "
                                             "t.key = c.key AND t.cell = c.cell "
                                             "WHERE c.counter > ? AND t.indexed IS NOT t.body"));
        st.bind(1, QVariant(flushed));
        n = flushRows(db, st);
    }
    if (journal && flushed != last) {
        sql::Statement st(db, QStringLiteral("INSERT OR REPLACE INTO search_state(name, value) "
                                             "VALUES('flushed', ?)"));
        st.bind(1, QVariant(last));
        st.step();
    }
    tx.commit();
    return n;
}

int FlushFullTextOf(sql::Database& db, const std::vector<NoteEntryKey>& notes) {
    if (!exists(db, u"search_fts") || notes.empty()) return 0;
    sql::Transaction tx(db);
    int n = 0;
    sql::Statement st(db, QStringLiteral("SELECT id, indexed, body FROM search_text WHERE page = ? "
                                         "AND key = ? AND cell = ? AND indexed IS NOT body"));
    for (const NoteEntryKey& k : notes) {
        st.bind(1, int(k.page));
        st.bind(2, k.key);
        st.bind(3, k.box);
        n += flushRows(db, st);
        st.reset();
    }
    tx.commit();
    return n;
}

QString UpsertEntrySql() {
    return QStringLiteral(
        "INSERT INTO search_text(page, key, cell, sortday, sig, body) VALUES(?, ?, ?, ?, ?, ?) "
        "ON CONFLICT(page, key, cell) DO UPDATE SET sig = excluded.sig, body = excluded.body "
        "WHERE search_text.sig IS NOT excluded.sig");
}

} // namespace kuvano::notes
