#include "sync/sync_state.h"

#include <QFileInfo>

namespace kuvano::sync {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 1500;

// Notes are named as the change journal names them (page, key, box).
const char* const kSchema = "CREATE TABLE IF NOT EXISTS items("
                            " uid TEXT PRIMARY KEY NOT NULL,"
                            " page INTEGER NOT NULL, key TEXT NOT NULL, box INTEGER NOT NULL,"
                            " href TEXT NOT NULL DEFAULT '', etag TEXT NOT NULL DEFAULT '',"
                            " hash BLOB,"
                            " UNIQUE(page, key, box));"
                            "CREATE INDEX IF NOT EXISTS items_href ON items(href);"
                            "CREATE TABLE IF NOT EXISTS state_values("
                            " key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL);"
                            "CREATE TABLE IF NOT EXISTS conflicts("
                            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                            " page INTEGER NOT NULL, key TEXT NOT NULL, box INTEGER NOT NULL,"
                            " rtf BLOB, text TEXT NOT NULL, color INTEGER NOT NULL,"
                            " time TEXT NOT NULL, origin TEXT NOT NULL);"
                            "PRAGMA user_version = 1;";

const QString kItemColumns = QStringLiteral("uid, page, key, box, href, etag, hash");

SyncState::Item itemOf(sql::Statement& st) {
    SyncState::Item item;
    item.uid = st.column(0).toString();
    item.note = {notes::NotePage(st.column(1).toInt()), st.column(2).toString(),
                 st.column(3).toInt()};
    item.href = st.column(4).toString();
    item.etag = st.column(5).toString();
    item.hash = st.column(6).toByteArray();
    return item;
}

SyncState::Conflict conflictOf(sql::Statement& st) {
    SyncState::Conflict c;
    c.id = st.column(0).toLongLong();
    c.note = {notes::NotePage(st.column(1).toInt()), st.column(2).toString(), st.column(3).toInt()};
    c.content.rtf = st.column(4).toByteArray();
    c.content.text = st.column(5).toString();
    c.content.color = st.column(6).toInt();
    c.time = QDateTime::fromString(st.column(7).toString(), Qt::ISODateWithMs).toUTC();
    c.origin = st.column(8).toString();
    return c;
}

const QString kConflictColumns =
    QStringLiteral("id, page, key, box, rtf, text, color, time, origin");

[[noreturn]] void unusable(const QString& path, const FileError& e) {
    throw FileError(QStringLiteral("同步记录文件 %1 无法使用，可将其删除后重新同步"), path,
                    e.detail().isEmpty() ? e.text() : e.detail());
}

} // namespace

SyncState::SyncState(const QString& path) {
    try {
        if (QFileInfo::exists(path)) {
            db_.openExisting(path, kBusyTimeoutMs, [&](sql::Database& db) {
                sql::Database::wholeFileCheck(db);
                sql::Statement st(db, QStringLiteral("PRAGMA user_version"));
                const int version = st.step() ? st.column(0).toInt() : -1;
                if (version > kSchemaVersion)
                    throw FileError(QStringLiteral("同步记录文件 %1 由更新版本的程序写入"), path);
            });
            sql::Transaction tx(db_);
            db_.exec(kSchema); // a file cut short before its tables were made
            tx.commit();
        } else {
            db_.create(path, kSchema, kBusyTimeoutMs);
        }
        // Its own tables, as we made them (not another program's file of that name).
        for (const char* table : {"items", "state_values", "conflicts"})
            if (db_.tableColumns(QString::fromLatin1(table)).isEmpty())
                throw FileError(QStringLiteral("缺少表 %1").arg(QString::fromLatin1(table)));
        sql::Statement st(db_, QStringLiteral("SELECT %1 FROM items LIMIT 0").arg(kItemColumns));
        sql::Statement st2(
            db_, QStringLiteral("SELECT %1 FROM conflicts LIMIT 0").arg(kConflictColumns));
    } catch (const FileError& e) {
        db_.close();
        if (e.text().contains(QLatin1String("同步记录文件"))) throw;
        unusable(path, e);
    }
}

std::optional<SyncState::Item> SyncState::itemWhere(const QString& condition,
                                                    const std::vector<QVariant>& args) {
    sql::Statement st(
        db_, QStringLiteral("SELECT %1 FROM items WHERE %2 LIMIT 1").arg(kItemColumns, condition));
    for (size_t i = 0; i < args.size(); ++i) st.bind(int(i) + 1, args[i]);
    if (!st.step()) return std::nullopt;
    return itemOf(st);
}

std::optional<SyncState::Item> SyncState::itemOfUid(const QString& uid) {
    return itemWhere(QStringLiteral("uid = ?"), {uid});
}

std::optional<SyncState::Item> SyncState::itemOfNote(const NoteId& note) {
    return itemWhere(QStringLiteral("page = ? AND key = ? AND box = ?"),
                     {int(note.page), note.key, note.box});
}

std::optional<SyncState::Item> SyncState::itemOfHref(const QString& href) {
    if (href.isEmpty()) return std::nullopt;
    return itemWhere(QStringLiteral("href = ?"), {href});
}

void SyncState::putItem(const Item& item) {
    // REPLACE drops every row that either uniqueness (uid, note) collides with.
    sql::Statement st(
        db_,
        QStringLiteral("INSERT OR REPLACE INTO items(%1) VALUES(?,?,?,?,?,?,?)").arg(kItemColumns));
    st.bind(1, item.uid);
    st.bind(2, int(item.note.page));
    st.bind(3, item.note.key);
    st.bind(4, item.note.box);
    st.bind(5, item.href.isNull() ? QString(QLatin1String("")) : item.href);
    st.bind(6, item.etag.isNull() ? QString(QLatin1String("")) : item.etag);
    st.bind(7, item.hash.isNull() ? QVariant() : QVariant(item.hash));
    st.step();
}

void SyncState::removeItem(const QString& uid) {
    sql::Statement st(db_, QStringLiteral("DELETE FROM items WHERE uid = ?"));
    st.bind(1, uid);
    st.step();
}

std::vector<SyncState::Item> SyncState::items() {
    std::vector<Item> out;
    sql::Statement st(db_, QStringLiteral("SELECT %1 FROM items ORDER BY uid").arg(kItemColumns));
    while (st.step()) out.push_back(itemOf(st));
    return out;
}

QString SyncState::value(const QString& key) {
    sql::Statement st(db_, QStringLiteral("SELECT value FROM state_values WHERE key = ?"));
    st.bind(1, key);
    return st.step() ? st.column(0).toString() : QString();
}

void SyncState::setValue(const QString& key, const QString& value) {
    sql::Statement st(
        db_, QStringLiteral("INSERT OR REPLACE INTO state_values(key, value) VALUES(?, ?)"));
    st.bind(1, key);
    st.bind(2, value.isNull() ? QString(QLatin1String("")) : value);
    st.step();
}

void SyncState::forgetServer() {
    sql::Transaction tx(db_);
    db_.exec("DELETE FROM items; DELETE FROM state_values;");
    tx.commit();
}

qint64 SyncState::addConflict(const Conflict& c) {
    sql::Statement st(db_, QStringLiteral("INSERT INTO conflicts(page, key, box, rtf, text, color, "
                                          "time, origin) VALUES(?,?,?,?,?,?,?,?)"));
    st.bind(1, int(c.note.page));
    st.bind(2, c.note.key);
    st.bind(3, c.note.box);
    st.bind(4, c.content.rtf.isEmpty() ? QVariant() : QVariant(c.content.rtf));
    st.bind(5, c.content.text.isNull() ? QString(QLatin1String("")) : c.content.text);
    st.bind(6, c.content.color);
    st.bind(7, c.time.toUTC().toString(Qt::ISODateWithMs));
    st.bind(8, c.origin.isNull() ? QString(QLatin1String("")) : c.origin);
    st.step();
    return db_.lastInsertRowid();
}

std::vector<SyncState::Conflict> SyncState::conflicts() {
    std::vector<Conflict> out;
    sql::Statement st(db_,
                      QStringLiteral("SELECT %1 FROM conflicts ORDER BY id").arg(kConflictColumns));
    while (st.step()) out.push_back(conflictOf(st));
    return out;
}

std::optional<SyncState::Conflict> SyncState::conflict(qint64 id) {
    sql::Statement st(
        db_, QStringLiteral("SELECT %1 FROM conflicts WHERE id = ?").arg(kConflictColumns));
    st.bind(1, QVariant(id));
    if (!st.step()) return std::nullopt;
    return conflictOf(st);
}

void SyncState::dropConflict(qint64 id) {
    sql::Statement st(db_, QStringLiteral("DELETE FROM conflicts WHERE id = ?"));
    st.bind(1, QVariant(id));
    st.step();
}

} // namespace kuvano::sync
