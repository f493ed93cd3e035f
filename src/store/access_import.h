#pragma once
// Bringing notes over from an Access-format notes database (the Jet file an
// older notes program kept as DB3/CalendarD.mdb) into ours. The Access file is
// only ever read; every import is one transaction.

#include "errors/file_error.h"
#include "store/folder.h"
#include "store/sqlite_db.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kuvano::notes {

class TDM;

// An import that did not happen: the database is as it was, the Access file
// untouched. The message says why, in Chinese.
class ImportError : public FileError {
public:
    using FileError::FileError;
};

struct ImportReport {
    int deskMonths = 0;
    int dayNotes = 0;
    int generalMonths = 0;
    int calendarNotes = 0; // non-empty calendar-page notes
    int years = 0;
    int memoLines = 0;    // non-empty memo lines
    QStringList skipped;  // what was left out, changed or kept, one line each
    QString accessKeptAs; // start-up import: where the Access file now is
    QString backup;       // later import: the copy of the database made first

    QString text() const; // the short report shown to the user
};

// Reads every table of the Access file that the program knows and writes its
// rows into db, all in one transaction. A row whose key is already there and
// holds notes keeps them and is listed; an empty one takes the imported row.
// beforeWriting runs once the file is known to be readable and to hold the
// program's tables, before anything is written. Throws ImportError (nothing
// written) when the file cannot be read, holds none of the program's tables
// or the write fails.
ImportReport importAccessFile(const QString& accessPath, sql::Database& db,
                              const std::function<void()>& beforeWriting = {});

// The start-up import of DB3/CalendarD.mdb when it is an Access file: a new
// notes database is built from the built-in schema, then the Access file is
// moved aside as DB3/CalendarD-access.mdb (a number added when that name is
// taken) and the new database takes its place. On failure nothing has moved.
ImportReport importAccessAtStartup(const ProgramFolder& folder);

// A later import into the running database: the database is first copied to
// DB3/CalendarD-before-import-YYYYMMDD-HHMM.mdb, then the rows are merged.
ImportReport importAccessIntoRunning(const ProgramFolder& folder, TDM& dm,
                                     const QString& accessPath);

// A day key in one of the regional short date forms (2010/6/1, 2010-6-1,
// 2010.6.1, 2010年6月1日, with or without leading zeros) as a date.
std::optional<QDate> dateOfDayKey(const QString& key);

} // namespace kuvano::notes
