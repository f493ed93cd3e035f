#include "store/note_store.h"

#include "store/clock.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kuvano::notes {

namespace {

using sql::quotedName;

// The tables, in the order NoteStore::table() numbers them.
enum TableId {
    Desk,
    Day,
    GeneralTexts,
    GeneralColors,
    CalendarTexts,
    CalendarColors,
    Year,
    Memo,
    kTables
};

// The one row key of the calendar notes, and of the memo list.
const QString& calendarKey() {
    static const QString k = QStringLiteral("rili2011");
    return k;
}
const QString& memoKey() {
    static const QString k = QStringLiteral("bwl");
    return k;
}

QString columnNamed(const QStringList& all, const QString& name) {
    for (const QString& c : all)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    throw FileError(QStringLiteral("笔记数据库缺少字段 %1").arg(name));
}

QByteArray storedBytes(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) return v.toString().toUtf8();
    return v.toByteArray();
}

QString blankAsEmpty(const QString& text) {
    for (const QChar c : text)
        if (!c.isSpace()) return text;
    return {};
}

TableId textsOf(LineBook book) {
    return book == LineBook::General ? GeneralTexts : CalendarTexts;
}

} // namespace

NoteStore::NoteStore(sql::Database& db) : db_(db), tables_(kTables) {
    retry_.setInterval(kRetryEveryMs);
    retry_.callOnTimeout([this] { retryHeld(); });
}

const NoteStore::Table& NoteStore::table(int which) {
    std::optional<Table>& slot = tables_[size_t(which)];
    if (slot) return *slot;
    static const struct {
        const char16_t* name;
        const char16_t* key; // by name; null: column 0
        int boxes;           // by position after the key; 0: by name (below)
    } kLayout[kTables] = {
        {u"TailiNew", nullptr, kDeskCells},  {u"TailiNew_day", u"daydate", 0},
        {u"edtText", nullptr, kDeskCells},   {u"edtTextColor", nullptr, kDeskCells},
        {u"RiliJishi", nullptr, kDeskCells}, {u"RiliColor", nullptr, kDeskCells},
        {u"YearJishi", u"year", 0},          {u"beiwanglu", u"memkey", kMemoNotes},
    };
    const auto& l = kLayout[which];
    Table t;
    t.name = QString::fromUtf16(l.name);
    const QStringList all = db_.tableColumns(t.name); // throws for a missing table
    if (all.isEmpty()) throw FileError(QStringLiteral("笔记数据库的表 %1 没有字段").arg(t.name));
    t.key = l.key ? columnNamed(all, QString::fromUtf16(l.key)) : all.first();
    if (which == Day) {
        t.columns = {columnNamed(all, QStringLiteral("daycontent"))};
    } else if (which == Year) {
        for (int m = 1; m <= kYearNotes; ++m)
            t.columns.append(columnNamed(all, QStringLiteral("Month%1").arg(m)));
    } else {
        // Boxes by position after column 0: files made elsewhere name them otherwise.
        t.columns = all.mid(1, l.boxes);
    }
    slot = std::move(t);
    return *slot;
}

// The row of a key: the first in stored order, as every load and save
// takes it; 0 when the key has none.
qint64 NoteStore::firstRowOf(const Table& t, const QVariant& key) {
    sql::Statement st(db_,
                      QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ? ORDER BY rowid LIMIT 1")
                          .arg(quotedName(t.name), quotedName(t.key)));
    st.bind(1, key);
    return st.step() ? st.column(0).toLongLong() : 0;
}

std::optional<std::vector<QVariant>> NoteStore::boxesOf(const Table& t, const QVariant& key) {
    const qint64 row = firstRowOf(t, key);
    if (row == 0) return std::nullopt;
    QStringList cols;
    for (const QString& c : t.columns) cols.append(quotedName(c));
    sql::Statement st(db_, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                               .arg(cols.join(QLatin1Char(',')), quotedName(t.name)));
    st.bind(1, QVariant(row));
    if (!st.step()) return std::nullopt;
    std::vector<QVariant> boxes;
    for (int i = 0; i < st.columnCount(); ++i) boxes.push_back(st.column(i));
    return boxes;
}

qint64 NoteStore::rowOrInsert(const Table& t, const QVariant& key) {
    if (const qint64 row = firstRowOf(t, key)) return row;
    sql::Statement st(
        db_,
        QStringLiteral("INSERT INTO %1(%2) VALUES(?)").arg(quotedName(t.name), quotedName(t.key)));
    st.bind(1, key);
    st.step();
    return db_.lastInsertRowid();
}

void NoteStore::writeBox(const Table& t, qint64 rowid, int box, const QVariant& value) {
    if (box < 1 || box > t.columns.size())
        throw FileError(QStringLiteral("笔记数据库的表 %1 没有第 %2 格").arg(t.name).arg(box));
    sql::Statement st(db_, QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                               .arg(quotedName(t.name), quotedName(t.columns.at(box - 1))));
    st.bind(1, value);
    st.bind(2, QVariant(rowid));
    st.step();
}

namespace {
// Whether a box of a row holds something other than `value`. Nothing and an
// empty value are the same (a new row's NULL, an empty text or blob): a
// year's months saved together journal only those that really change.
bool differs(sql::Database& db, const QString& table, const QString& column, qint64 rowid,
             const QVariant& value) {
    sql::Statement st(
        db,
        QStringLiteral("SELECT %1 IS NOT ?1 AND (ifnull(length(%1), 0) + ifnull(length(?1), 0)) "
                       "> 0 FROM %2 WHERE rowid = ?2")
            .arg(quotedName(column), quotedName(table)));
    st.bind(1, value);
    st.bind(2, QVariant(rowid));
    return !st.step() || st.column(0).toInt() != 0;
}

void journal(sql::Database& db, NotePage page, const QString& key, int box) {
    sql::Statement st(
        db,
        QStringLiteral("INSERT INTO note_changes(page, key, cell, counter, time) "
                       "VALUES(?, ?, ?, (SELECT ifnull(max(counter), 0) + 1 FROM note_changes), ?) "
                       "ON CONFLICT(page, key, cell) DO UPDATE SET counter = excluded.counter, "
                       "time = excluded.time"));
    st.bind(1, int(page));
    st.bind(2, key);
    st.bind(3, box);
    st.bind(4, clock::now().toUTC().toString(Qt::ISODateWithMs));
    st.step();
}
} // namespace

void NoteStore::noteChanged(NotePage page, const QString& key, int box, const QVariant& stored,
                            const QString& plain) {
    journal(db_, page, key, box);
    if (onNoteChanged) onNoteChanged();
    if (!indexing_) return;
    // The entry is the index's, not the note's: when it cannot be written the
    // note is saved all the same, and the search is built again at the next
    // start. A failed statement undoes only itself, so the save goes on
    // without a savepoint's cost; where the engine gave up the whole
    // transaction, the save is made again without the index (writeSafely).
    try {
        sql::Statement st(db_, UpsertEntrySql());
        st.bind(1, int(page));
        st.bind(2, key);
        st.bind(3, box);
        st.bind(4, NoteSortDay(page, key, box));
        st.bind(5, QVariant(NoteSignature(storedBytes(stored))));
        st.bind(6, blankAsEmpty(plain));
        st.step();
    } catch (const FileError&) {
        indexing_ = false;
        if (!db_.inTransaction()) throw;
    }
}

std::array<QByteArray, kDeskCells> NoteStore::loadDeskMonth(const QString& monthKey) {
    const Table& t = table(Desk);
    std::array<QByteArray, kDeskCells> cells;
    if (const auto boxes = boxesOf(t, monthKey))
        for (size_t i = 0; i < boxes->size() && i < cells.size(); ++i)
            cells[i] = storedBytes((*boxes)[i]);
    for (const auto& [at, note] : held_.desk)
        if (at.first == monthKey) cells[size_t(at.second - 1)] = note.rtf;
    return cells;
}

void NoteStore::writeDeskCell(const QString& monthKey, int cell, const RichNote& note) {
    const Table& t = table(Desk);
    sql::Transaction tx(db_);
    const qint64 row = rowOrInsert(t, monthKey);
    const QVariant value(note.rtf);
    const bool changed = differs(db_, t.name, t.columns.value(cell - 1), row, value);
    writeBox(t, row, cell, value);
    if (changed) noteChanged(NotePage::Desk, monthKey, cell, value, note.plain);
    tx.commit();
}

std::optional<QByteArray> NoteStore::loadDaySchedule(const QString& dayKey) {
    if (const auto it = held_.days.find(dayKey); it != held_.days.end()) return it->second.rtf;
    const Table& t = table(Day);
    sql::Statement st(
        db_, QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? LIMIT 2")
                 .arg(quotedName(t.columns.first()), quotedName(t.name), quotedName(t.key)));
    st.bind(1, dayKey);
    if (!st.step()) return std::nullopt;
    const QByteArray note = storedBytes(st.column(0));
    if (st.step()) return std::nullopt; // two rows of one day: neither is shown
    return note;
}

bool NoteStore::writeDaySchedule(const QString& dayKey, const RichNote& note) {
    const Table& t = table(Day);
    sql::Transaction tx(db_);
    const auto onlyRow = [&]() -> qint64 {
        sql::Statement st(db_, QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ? LIMIT 2")
                                   .arg(quotedName(t.name), quotedName(t.key)));
        st.bind(1, dayKey);
        if (!st.step()) return 0;
        const qint64 row = st.column(0).toLongLong();
        return st.step() ? -1 : row;
    };
    qint64 row = onlyRow();
    if (row <= 0) {
        sql::Statement st(
            db_, QStringLiteral("INSERT INTO %1(%2, %3) VALUES(?, '')")
                     .arg(quotedName(t.name), quotedName(t.key), quotedName(t.columns.first())));
        st.bind(1, dayKey);
        st.step();
        row = onlyRow();
        if (row <= 0) return false;
    }
    const QVariant value(note.rtf);
    const bool changed = differs(db_, t.name, t.columns.first(), row, value);
    writeBox(t, row, 1, value);
    if (changed) noteChanged(NotePage::Day, dayKey, 1, value, note.plain);
    tx.commit();
    return true;
}

NoteStore::Lines NoteStore::loadLines(LineBook book, const QString& key) {
    Lines lines;
    if (const auto it = held_.lines.find({int(book), key}); it != held_.lines.end()) {
        auto& texts = lines.texts.emplace();
        auto& colors = lines.colors.emplace();
        for (size_t i = 0; i < it->second.size(); ++i) {
            texts[i] = it->second[i].text;
            colors[i] = it->second[i].color;
        }
        return lines;
    }
    for (const int which : {int(textsOf(book)), int(textsOf(book)) + 1}) {
        const auto boxes = boxesOf(table(which), key);
        if (!boxes) continue;
        const size_t n = std::min(boxes->size(), size_t(kDeskCells));
        if (which == int(textsOf(book))) {
            auto& texts = lines.texts.emplace();
            for (size_t i = 0; i < n; ++i) texts[i] = QString::fromUtf8(storedBytes((*boxes)[i]));
        } else {
            auto& colors = lines.colors.emplace();
            colors.fill(0);
            for (size_t i = 0; i < n; ++i) colors[i] = (*boxes)[i].toInt(); // NULL reads as black
        }
    }
    return lines;
}

void NoteStore::writeLines(LineBook book, const QString& key, const LineNotes& lines) {
    const NotePage page = book == LineBook::General ? NotePage::General : NotePage::Calendar;
    // A calendar line is indexed only under the one key the page shows.
    const bool shown = book == LineBook::General || key == calendarKey();
    // Texts and colours in one transaction: a crash never leaves a month
    // with the one row and without the other.
    sql::Transaction tx(db_);
    std::array<bool, kDeskCells> changed{};
    for (const bool colors : {false, true}) {
        const Table& t = table(int(textsOf(book)) + (colors ? 1 : 0));
        const qint64 row = rowOrInsert(t, key);
        QStringList sets;
        for (int i = 0; i < kDeskCells && i < t.columns.size(); ++i)
            sets.append(quotedName(t.columns.at(i)) + QStringLiteral(" = ?"));
        // Which lines change, read before they are written.
        {
            QStringList tests;
            for (int i = 0; i < kDeskCells && i < t.columns.size(); ++i)
                // An empty line and a black one are what a missing value shows.
                tests.append(QStringLiteral("ifnull(%1, %2) IS NOT ?")
                                 .arg(quotedName(t.columns.at(i)),
                                      colors ? QStringLiteral("0") : QStringLiteral("''")));
            sql::Statement st(db_, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                       .arg(tests.join(QLatin1Char(',')), quotedName(t.name)));
            for (int i = 0; i < int(tests.size()); ++i)
                st.bind(i + 1, colors ? QVariant(lines[size_t(i)].color)
                                      : QVariant(lines[size_t(i)].text));
            st.bind(int(tests.size()) + 1, QVariant(row));
            if (st.step())
                for (int i = 0; i < st.columnCount(); ++i)
                    changed[size_t(i)] = changed[size_t(i)] || st.column(i).toInt() != 0;
        }
        sql::Statement st(db_, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                   .arg(quotedName(t.name), sets.join(QLatin1Char(','))));
        int i = 0;
        for (; i < int(sets.size()); ++i)
            st.bind(i + 1, colors ? QVariant(lines[size_t(i)].color)
                                  : QVariant(lines[size_t(i)].text)); // empty, never NULL
        st.bind(i + 1, QVariant(row));
        st.step();
    }
    for (int i = 0; i < kDeskCells; ++i) {
        if (!changed[size_t(i)]) continue;
        if (shown) {
            noteChanged(page, key, i + 1, QVariant(lines[size_t(i)].text), lines[size_t(i)].text);
        } else {
            journal(db_, page, key, i + 1);
        }
    }
    tx.commit();
}

std::array<QByteArray, kYearNotes> NoteStore::loadYear(int year) {
    const Table& t = table(Year);
    std::array<QByteArray, kYearNotes> notes;
    if (const auto boxes = boxesOf(t, year))
        for (size_t m = 0; m < notes.size(); ++m) notes[m] = storedBytes((*boxes)[m]);
    if (const auto it = held_.years.find(year); it != held_.years.end())
        for (size_t m = 0; m < notes.size(); ++m) notes[m] = it->second[m].rtf;
    return notes;
}

void NoteStore::writeYear(int year, const std::array<RichNote, kYearNotes>& notes) {
    const Table& t = table(Year);
    const QString key = QString::number(year);
    sql::Transaction tx(db_);
    const qint64 row = rowOrInsert(t, year);
    for (int m = 1; m <= kYearNotes; ++m) {
        const QVariant value(notes[size_t(m - 1)].rtf);
        const bool changed = differs(db_, t.name, t.columns.at(m - 1), row, value);
        writeBox(t, row, m, value);
        if (changed) noteChanged(NotePage::Yearly, key, m, value, notes[size_t(m - 1)].plain);
    }
    tx.commit();
}

std::array<QString, kMemoNotes> NoteStore::loadMemo() {
    const Table& t = table(Memo);
    std::array<QString, kMemoNotes> lines;
    if (t.columns.isEmpty()) return lines;
    if (const auto boxes = boxesOf(t, memoKey()))
        for (size_t n = 0; n < boxes->size() && n < lines.size(); ++n)
            lines[n] = QString::fromUtf8(storedBytes((*boxes)[n]));
    for (const auto& [line, text] : held_.memo) lines[size_t(line - 1)] = text;
    return lines;
}

bool NoteStore::writeMemoLine(int line, const QString& text) {
    const Table& t = table(Memo);
    if (line < 1 || line > t.columns.size())
        throw FileError(QStringLiteral("笔记数据库的表 %1 没有第 %2 行").arg(t.name).arg(line));
    sql::Transaction tx(db_);
    const qint64 row = rowOrInsert(t, memoKey());
    // A NULL line reads as empty: typing nothing into it writes nothing.
    sql::Statement old(db_, QStringLiteral("SELECT ifnull(%1, '') FROM %2 WHERE rowid = ?")
                                .arg(quotedName(t.columns.at(line - 1)), quotedName(t.name)));
    old.bind(1, QVariant(row));
    if (old.step() && QString::fromUtf8(storedBytes(old.column(0))) == text) return false;
    writeBox(t, row, line, QVariant(text));
    noteChanged(NotePage::Memo, memoKey(), line, QVariant(text), text);
    tx.commit();
    return true;
}

std::vector<NoteChange> NoteStore::changesSince(qint64 counter) {
    std::vector<NoteChange> out;
    sql::Statement st(db_, QStringLiteral("SELECT counter, page, key, cell, time FROM note_changes "
                                          "WHERE counter > ? ORDER BY counter"));
    st.bind(1, QVariant(counter));
    while (st.step()) {
        out.push_back({st.column(0).toLongLong(), NotePage(st.column(1).toInt()),
                       st.column(2).toString(), st.column(3).toInt(),
                       QDateTime::fromString(st.column(4).toString(), Qt::ISODateWithMs)});
    }
    return out;
}

qint64 NoteStore::lastChange() {
    sql::Statement st(db_, QStringLiteral("SELECT ifnull(max(counter), 0) FROM note_changes"));
    return st.step() ? st.column(0).toLongLong() : 0;
}

void NoteStore::carryJournal(const std::vector<NoteChange>& entries) {
    sql::Transaction tx(db_);
    db_.exec("DELETE FROM note_changes");
    for (const NoteChange& c : entries) {
        sql::Statement st(db_, QStringLiteral("INSERT INTO note_changes(page, key, cell, counter, "
                                              "time) VALUES(?, ?, ?, ?, ?)"));
        st.bind(1, int(c.page));
        st.bind(2, c.key);
        st.bind(3, c.box);
        st.bind(4, QVariant(c.counter));
        st.bind(5, c.time.toString(Qt::ISODateWithMs));
        st.step();
    }
    tx.commit();
}

void EnsureJournal(sql::Database& db) {
    db.exec("CREATE TABLE IF NOT EXISTS note_changes("
            "page INTEGER NOT NULL, key TEXT NOT NULL, cell INTEGER NOT NULL, "
            "counter INTEGER NOT NULL, time TEXT NOT NULL, PRIMARY KEY(page, key, cell));"
            "CREATE UNIQUE INDEX IF NOT EXISTS note_changes_counter ON note_changes(counter);");
}

NoteSignatureMap NoteSignatures(sql::Database& db) {
    NoteSignatureMap sigs;
    for (const IndexedTable& t : IndexedTables(db)) {
        QStringList cols;
        for (const QString& c : t.cellColumns) cols.append(quotedName(c));
        sql::Statement st(db, QStringLiteral("SELECT CAST(%1 AS TEXT), %2 FROM %3 ORDER BY rowid")
                                  .arg(quotedName(t.keyColumn), cols.join(QLatin1Char(',')),
                                       quotedName(t.table)));
        QSet<QString> seen; // the first row of a key is the one shown
        while (st.step()) {
            const QString key = st.column(0).toString();
            if (st.column(0).isNull() || seen.contains(key)) continue;
            if (!t.onlyKey.isEmpty() && key != t.onlyKey) continue;
            seen.insert(key);
            for (int box = 1; box < st.columnCount(); ++box) {
                const QVariant v = st.column(box);
                if (v.isNull()) continue;
                sigs.insert(QStringLiteral("%1/%2/%3").arg(int(t.page)).arg(key).arg(box),
                            NoteSignature(storedBytes(v)));
            }
        }
    }
    return sigs;
}

int JournalDifferences(sql::Database& db, const NoteSignatureMap& before,
                       const NoteSignatureMap& after) {
    QSet<QString> changed;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key(), 0) != it.value()) changed.insert(it.key());
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key())) changed.insert(it.key());
    QStringList keys(changed.begin(), changed.end());
    keys.sort(); // a stable order of counters
    for (const QString& k : std::as_const(keys)) {
        const int a = int(k.indexOf(QLatin1Char('/'))), b = int(k.lastIndexOf(QLatin1Char('/')));
        journal(db, NotePage(k.left(a).toInt()), k.mid(a + 1, b - a - 1), k.mid(b + 1).toInt());
    }
    return int(keys.size());
}

} // namespace kuvano::notes
