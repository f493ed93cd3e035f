#pragma once
// Read-only access to Access (Jet 3 and Jet 4) database files: the tables of
// a file and every row of a table, columns by position, long values whole.
// The file is never written.

#include "errors/file_error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace kuvano::access {

// A file that cannot be read, or a value that cannot be read whole.
class Error : public FileError {
public:
    using FileError::FileError;
};

// An Access file names its format at byte 4: "Standard Jet DB" (or "Standard ACE DB").
bool hasAccessHeader(const QByteArray& firstBytes);
bool isAccessFile(const QString& path);

enum class ColumnKind {
    Boolean,
    Integer,  // byte, integer, long integer
    Real,     // single, double
    DateTime, // a day count from 1899-12-30, read as a date and time
    Text,     // up to 255 characters
    Memo,     // long text
    Ole,      // long binary
    Other,    // money, numeric, replication ID, binary...: read as text
};

struct Column {
    QString name;
    int type = 0; // the file's own type code
    ColumnKind kind = ColumnKind::Other;
};

class Database;

// The rows of one table in stored order. Lives no longer than its Database.
class Table {
public:
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    ~Table();

    const QString& name() const;
    const std::vector<Column>& columns() const;
    // Rows the file's table definition announces (a damaged file may hold fewer).
    qint64 announcedRows() const;

    // Moves to the next row; false after the last. Throws Error when a value
    // of the row cannot be read whole.
    bool next();
    // A value of the current row: invalid for NULL; QString for text, memo and
    // other kinds; QByteArray for OLE; qlonglong, double, bool or QDateTime.
    const QVariant& value(int position) const;

private:
    friend class Database;
    struct Impl;
    explicit Table(std::unique_ptr<Impl> d);
    std::unique_ptr<Impl> d_;
};

class Database {
public:
    // Opens the file for reading only. Throws Error when it is no Access file
    // or its catalogue cannot be read.
    explicit Database(const QString& path);
    // The same over a file's bytes held in memory.
    explicit Database(QByteArray bytes);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // 3 for Jet 3 (Access 97), 4 for Jet 4 (Access 2000–2003), 5 and more for ACE.
    int jetVersion() const;
    // The user tables, in catalogue order (system tables left out).
    QStringList tables() const;
    // A table by name, without regard to case. Throws Error when it is
    // missing or its definition cannot be read.
    Table table(const QString& name) const;

private:
    friend class Table;
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kuvano::access
