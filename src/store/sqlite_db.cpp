#include "store/sqlite_db.h"

#include "store/private_files.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace kuvano::sql {

namespace {
QString errorText(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("数据库未打开");
}

// What a user can do something about, by the engine's primary result code.
QString chineseText(int code) {
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        return QStringLiteral("笔记数据库文件 %1 不是有效的数据库文件");
    case SQLITE_CORRUPT:
        return QStringLiteral("笔记数据库文件 %1 已损坏，可从备份恢复");
    case SQLITE_READONLY:
        return QStringLiteral("笔记数据库文件 %1 是只读的，笔记无法保存");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("笔记数据库文件 %1 正被另一个程序使用");
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满，笔记无法写入 %1");
    case SQLITE_CANTOPEN:
        return QStringLiteral("笔记数据库文件 %1 无法打开");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("没有权限使用笔记数据库文件 %1");
    case SQLITE_IOERR:
        return QStringLiteral("读写笔记数据库文件 %1 时出错");
    default:
        return QStringLiteral("笔记数据库文件 %1 出错");
    }
}
} // namespace

void Database::fail(const QString& detail) const {
    const int code = db_ ? sqlite3_extended_errcode(db_) : SQLITE_CANTOPEN;
    const QString engine = detail.isEmpty() ? errorText(db_) : detail;
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        throw Busy(chineseText(code), path_, engine);
    throw FileError(chineseText(code), path_, engine);
}

QString quotedName(const QString& identifier) {
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

Database::~Database() {
    close();
}

const QStringList& Database::tableColumns(const QString& table) {
    const QString key = table.toLower();
    auto it = columns_.find(key);
    if (it == columns_.end()) {
        QString quotedName = table;
        quotedName.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        Statement st(*this, QStringLiteral("select * from \"%1\" where 0").arg(quotedName));
        QStringList names;
        for (int c = 0; c < st.columnCount(); ++c) names.append(st.columnName(c));
        it = columns_.insert(key, names);
    }
    return it.value();
}

void Database::close() {
    columns_.clear();
    path_.clear();
    for (sqlite3_stmt* st : std::as_const(idle_)) sqlite3_finalize(st);
    idle_.clear();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

QString Database::lastError() const {
    return errorText(db_);
}

long long Database::lastInsertRowid() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

bool Database::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

void Database::exec(const char* sql) {
    if (!db_) fail();
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        const QString text = msg ? QString::fromUtf8(msg) : lastError();
        sqlite3_free(msg);
        fail(text);
    }
}

void Database::setBusyTimeout(int ms) {
    busyTimeoutMs_ = ms;
    if (db_) sqlite3_busy_timeout(db_, ms);
}

void Database::configure(int busyTimeoutMs) {
    // A lock held by another process must end in an error, not a hang.
    setBusyTimeout(busyTimeoutMs);
    exec("PRAGMA journal_mode=WAL");
    // Every save is on disk before the routine that made it returns.
    exec("PRAGMA synchronous=FULL");
}

void Database::openHandle(const QString& path, int flags) {
    const QByteArray native = QFile::encodeName(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(native.constData(), &db, flags, nullptr);
    db_ = db;
    path_ = path;
    if (rc != SQLITE_OK) {
        const FileError e(chineseText(rc), path, errorText(db_));
        close();
        throw e;
    }
}

void Database::openExisting(const QString& path, int busyTimeoutMs, const FileCheck& check) {
    close();
    if (!QFileInfo::exists(path)) throw Error(QStringLiteral("找不到笔记数据库文件 %1"), path);
    openHandle(path, SQLITE_OPEN_READWRITE);
    try {
        setBusyTimeout(busyTimeoutMs);
        if (sqlite3_db_readonly(db_, "main") == 1)
            throw Error(chineseText(SQLITE_READONLY), path,
                        QStringLiteral("attempt to write a readonly database"));
        // Read-only checks first: a file that is not a sound database must
        // not be touched, and switching the journal mode would write to it.
        check(*this);
        configure(busyTimeoutMs);
    } catch (...) {
        close();
        throw;
    }
}

void Database::wholeFileCheck(Database& db) {
    Statement check(db, QStringLiteral("PRAGMA quick_check(1)"));
    if (!check.step() || check.column(0).toString() != QLatin1String("ok"))
        throw Error(chineseText(SQLITE_CORRUPT), db.path(),
                    QStringLiteral("database disk image is malformed"));
}

void Database::openAnother(const QString& path, int busyTimeoutMs, bool readOnly) {
    close();
    if (!QFileInfo::exists(path)) throw Error(QStringLiteral("找不到笔记数据库文件 %1"), path);
    openHandle(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    setBusyTimeout(busyTimeoutMs);
}

void Database::create(const QString& path, const char* schemaSql, int busyTimeoutMs) {
    close();
    openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
    // SQLite makes the -wal, -shm and journal files with the database's own
    // mode, so an owner-only database keeps its companions owner-only too.
    // The file exists (empty) once opened; nothing is written before this.
    privatefiles::restrict(path);
    try {
        configure(busyTimeoutMs);
        Transaction tx(*this);
        exec(schemaSql);
        tx.commit();
    } catch (...) {
        close();
        QFile::remove(path); // a half-made new file would block the next creation
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw;
    }
}

Statement::Statement(Database& db, const QString& sql) : db_(db), sql_(sql) {
    if (!db.handle()) db.fail();
    if (auto it = db.idle_.find(sql); it != db.idle_.end()) {
        stmt_ = it.value();
        db.idle_.erase(it);
        return;
    }
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(db.handle(), utf8.constData(), int(utf8.size()),
                           SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK) {
        try {
            db.fail();
        } catch (...) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw;
        }
    }
    if (!stmt_) db.fail(QStringLiteral("empty statement"));
}

Statement::~Statement() {
    if (!stmt_) return;
    // Kept for the next statement of the same text, reset and unbound, while
    // the connection it was made on is open. One per text: the program runs
    // a fixed set of texts, so the cap only guards against a runaway caller.
    constexpr qsizetype kMaxIdle = 64;
    if (sqlite3_db_handle(stmt_) == db_.handle() && db_.idle_.size() < kMaxIdle &&
        !db_.idle_.contains(sql_)) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        db_.idle_.insert(sql_, stmt_);
        return;
    }
    sqlite3_finalize(stmt_);
}

int Statement::parameterCount() const {
    return sqlite3_bind_parameter_count(stmt_);
}

QString Statement::parameterName(int index) const {
    const char* name = sqlite3_bind_parameter_name(stmt_, index);
    return name ? QString::fromUtf8(name) : QString();
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob64(stmt_, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                 SQLITE_TRANSIENT);
    } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
               value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::Bool) {
        rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
    } else if (value.typeId() == QMetaType::Double) {
        rc = sqlite3_bind_double(stmt_, index, value.toDouble());
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        rc = sqlite3_bind_text64(stmt_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) db_.fail();
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    try {
        db_.fail();
    } catch (...) {
        sqlite3_reset(stmt_);
        throw;
    }
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

QVariant Statement::column(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt_, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, column));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(stmt_, column);
        const int size = sqlite3_column_bytes(stmt_, column);
        return QVariant(QByteArray(static_cast<const char*>(data), size));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        const int size = sqlite3_column_bytes(stmt_, column);
        return QVariant(QString::fromUtf8(text, size));
    }
    }
}

Transaction::Transaction(Database& db) : db_(db) {
    if (!db_.inTransaction()) {
        db_.exec("BEGIN IMMEDIATE");
        owner_ = true;
    }
}

Transaction::~Transaction() {
    if (owner_ && !done_ && db_.inTransaction()) {
        try {
            db_.exec("ROLLBACK");
        } catch (const Error&) {
        }
    }
}

void Transaction::commit() {
    if (owner_ && !done_) db_.exec("COMMIT");
    done_ = true;
}

} // namespace kuvano::sql
