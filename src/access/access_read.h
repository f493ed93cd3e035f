#pragma once
// Reading an Access file whole, in a separate reader process. The Access
// library follows broken page chains and missing page maps of a damaged file
// into crashes, endless loops and unbounded memory; in its own process that
// ends in an error for that file, never in the program's end.

#include "access/access_db.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace kuvano::access {

struct TableData {
    QString name;
    std::vector<Column> columns;
    qint64 announcedRows = 0;
    std::vector<std::vector<QVariant>> rows; // values as Table::value gives them
};

struct FileData {
    int jetVersion = 0;
    QStringList tableNames;        // every user table, in catalogue order
    std::vector<TableData> tables; // the tables asked for that the file holds
};

// Reads the named tables (names without regard to case; none: every table).
// Throws Error when the file is no Access file, cannot be read, or the reader
// fails, runs out of time or of memory on it.
FileData readFile(const QString& path, const QStringList& tables = {});

// The reader program: the program folder's "kuvano-mdb-reader" unless set
// (tests set the one they built).
QString readerProgram();
void setReaderProgram(const QString& path);

// The reader program's side: reads argv[1] (the tables argv[2]...) and writes
// what readFile parses to the standard output. Returns the exit code.
int runReader(int argc, char** argv);

// What readFile makes of the reader's output; throws Error on output that is
// cut short or malformed.
FileData parseReaderOutput(const QByteArray& output);

} // namespace kuvano::access
