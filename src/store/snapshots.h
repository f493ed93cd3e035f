#pragma once
// Dated snapshots of the notes database in DB3/backup/, and restoring one.
//
// A snapshot is CalendarD-YYYYMMDD-HHMM.mdb: a page-for-page copy made with
// SQLite's online backup over a connection of its own (the notes database is
// in WAL mode, so the copy reads while the user types), switched to a
// self-contained rollback journal, checked with integrity_check and only then
// renamed to its good name. A half-written or failed snapshot therefore never
// carries a good snapshot's name.

#include "store/folder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kuvano::notes {

struct SnapshotInfo {
    QString path;
    QDateTime taken; // local time, to the minute, from the file name
};

// How many notes a database holds, as the restore window lists them.
struct NoteCounts {
    int deskMonths = 0;    // TailiNew rows
    int dayNotes = 0;      // TailiNew_day rows
    int generalMonths = 0; // edtText rows
    int years = 0;         // YearJishi rows
};

class SnapshotStore {
public:
    explicit SnapshotStore(const ProgramFolder& folder);

    static QString relativeFolder() { return QStringLiteral("DB3/backup"); }
    QString folderPath() const;
    QString databasePath() const;

    // Good snapshots, newest first. Files of other names (temporary files,
    // the copies moved aside by a restore) are not listed.
    std::vector<SnapshotInfo> list() const;
    std::optional<SnapshotInfo> newest() const;
    // True when no snapshot is younger than a day.
    bool due(const QDateTime& now) const;

    // Copies the database into a new snapshot named after now and returns
    // it. Throws sql::Error (the engine's or the file system's reason) and
    // leaves no file of a good snapshot's name behind on failure.
    SnapshotInfo take(const QDateTime& now) const;

    // Deletes the snapshots the rotation does not keep; returns their paths.
    QStringList rotate(const QDateTime& now) const;

    // The snapshots to delete: all but the newest of each of the 7 latest
    // days that have one, and the newest of each of the last 12 months.
    static std::vector<SnapshotInfo> expired(const std::vector<SnapshotInfo>& newestFirst,
                                             const QDateTime& now);

    // Puts a snapshot in place of the notes database, whose connection must
    // be closed. The snapshot is copied beside the database first; then the
    // current file (with its -wal) is kept as
    // backup/CalendarD-before-restore-YYYYMMDD-HHMM.mdb, which the rotation
    // never deletes, and the copy renamed into place; returns the kept
    // file's path. Throws sql::Error; on failure the current database is
    // back where it was.
    QString restore(const SnapshotInfo& snapshot, const QDateTime& now) const;

    // A damaged database at start-up: moves it (and its -wal/-shm) aside as
    // DB3/CalendarD-damaged-YYYYMMDD-HHMM.mdb, never over an existing file,
    // and copies the snapshot in its place. Returns the damaged file's new
    // path. Throws sql::Error; on failure nothing has moved.
    QString replaceDamaged(const SnapshotInfo& snapshot, const QDateTime& now) const;

    // The copies restores kept of the notes they replaced, newest first.
    std::vector<SnapshotInfo> beforeRestoreCopies() const;

    // A restore cut short where the current file had to move rather than
    // take a second name: no notes database, but a copy on its way in
    // (CalendarD.mdb.part) or a copy kept before the restore that is newer
    // than every snapshot (so the program has not run on since). Returns
    // the newest copy kept, to be put back.
    std::optional<SnapshotInfo> interruptedRestore() const;

    // Copies a kept copy back as the notes database; the copy stays.
    // Throws sql::Error.
    void putBack(const SnapshotInfo& copy) const;

    static QString stamp(const QDateTime& t); // YYYYMMDD-HHMM

private:
    ProgramFolder folder_;
};

// A file SQLite cannot read as a sound database, so that a restore can
// help; an empty file is one. A lock held elsewhere, a read-only file or an
// Access file (which the importer takes) is not damage.
bool looksDamaged(const QString& path);

// Counts the notes of a database file, opened read-only, once a quick check
// of every page found it sound. Throws sql::Error (a damaged file too).
NoteCounts countNotes(const QString& path);

} // namespace kuvano::notes
