#pragma once
// RAII wrappers over the SQLite C interface: the connection, prepared
// statements and a transaction guard that rolls back unless committed.

#include "errors/file_error.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace kuvano::sql {

// An engine error: a Chinese text by the engine's result code, the file, and
// the engine's own message.
using Error = FileError;

// The file held by another connection for longer than the busy timeout: the
// same error, told apart so that a save can wait for the file instead.
class Busy : public FileError {
public:
    using FileError::FileError;
};

// A table or column name for statement text: in double quotes, any quote doubled.
QString quotedName(const QString& identifier);

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Read-only checks of a file about to be opened for writing: throws
    // Error when the file is not fit. Nothing may be written here, and every
    // statement must be finished on return: one still stepping holds a read
    // transaction, inside which a file in rollback mode (a restored
    // snapshot) could not switch to WAL.
    using FileCheck = std::function<void(Database&)>;

    // Opens an existing file for reading and writing (never creates it).
    // Throws Error when the file is missing, locked, read-only, not a
    // database or refused by check; nothing is written to such a file.
    void openExisting(const QString& path, int busyTimeoutMs,
                      const FileCheck& check = wholeFileCheck);
    // PRAGMA quick_check: reads every page of the file.
    static void wholeFileCheck(Database& db);
    // Creates a new database file, readable by its owner only, and runs the
    // schema script in it.
    void create(const QString& path, const char* schemaSql, int busyTimeoutMs);
    // A further connection to a file this program has already opened and
    // checked: no checks and no change of journal mode. Read only when asked.
    void openAnother(const QString& path, int busyTimeoutMs, bool readOnly);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    void exec(const char* sql); // a script without results; throws on error
    sqlite3* handle() const { return db_; }
    bool inTransaction() const;
    long long lastInsertRowid() const;
    QString lastError() const;
    // The error of the last failed call: its Chinese text, this file, and
    // `detail` (or the engine's message).
    [[noreturn]] void fail(const QString& detail = {}) const;
    const QString& path() const { return path_; }
    // How long a statement may wait for a lock another connection holds.
    void setBusyTimeout(int ms);
    int busyTimeout() const { return busyTimeoutMs_; }

    // Column names of a table, read once per connection (the schema does not
    // change while the program runs).
    const QStringList& tableColumns(const QString& table);

private:
    void openHandle(const QString& path, int flags);
    void configure(int busyTimeoutMs);
    sqlite3* db_ = nullptr;
    QString path_;
    int busyTimeoutMs_ = 0;
    QHash<QString, QStringList> columns_;
    // Prepared statements kept for reuse, by their text: the same few
    // statements run on every keystroke. A Statement takes its text's from
    // here and puts it back, reset, when it ends.
    friend class Statement;
    QHash<QString, sqlite3_stmt*> idle_;
};

class Statement {
public:
    Statement(Database& db, const QString& sql); // prepares; throws on error
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int parameterCount() const;
    QString parameterName(int index) const; // 1-based, with its ':' prefix
    void bind(int index, const QVariant& value);
    bool step(); // true: a row is ready; false: done; throws on error
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QVariant column(int column) const; // NULL → invalid QVariant; blob → QByteArray

private:
    Database& db_;
    QString sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; the destructor rolls back when commit() was not
// reached. Nested guards join the outer transaction.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool owner_ = false;
    bool done_ = false;
};

// A busy timeout for a scope; the one found is put back at its end.
class BusyTimeout {
public:
    BusyTimeout(Database& db, int ms) : db_(db), was_(db.busyTimeout()) { db_.setBusyTimeout(ms); }
    ~BusyTimeout() { db_.setBusyTimeout(was_); }
    BusyTimeout(const BusyTimeout&) = delete;
    BusyTimeout& operator=(const BusyTimeout&) = delete;

private:
    Database& db_;
    int was_;
};

} // namespace kuvano::sql
