#pragma once
// The data module: the one connection to the notes database, the typed note
// store on it, the search index that follows every save, and the change
// journal.

#include "store/folder.h"
#include "store/note_store.h"
#include "store/sqlite_db.h"

#include <QString>

#include <functional>
#include <memory>

namespace kuvano::notes {

using DbError = sql::Error;
class SearchIndex;
class SnapshotStore;
struct SnapshotInfo;

// The schema of a new notes database (also used by tests).
const char* NotesSchemaSql();

class TDM {
public:
    // Opens DB3/CalendarD.mdb under the program folder, creating it from the
    // built-in schema when the file is missing. An unusable file is left as
    // it is: the error is kept (creationError()) and every later database
    // action fails with it.
    explicit TDM(const ProgramFolder& folder);
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    static QString relativePath() { return QStringLiteral("DB3/CalendarD.mdb"); }
    QString path() const;

    bool connected() const { return db_.isOpen(); }
    // Closes the connection (before the file is replaced).
    void Disconnect();
    // Opens the file again, as at creation; the error, if any, becomes the
    // creation error.
    void Reopen();
    // The first error met while the module was created (empty when none).
    const QString& creationError() const { return creationError_; }
    sql::Database& connection() { return db_; }

    // Every load and save of a page. Throws FileError, the creation error
    // when the file could not be opened.
    NoteStore& notes();

    // Writes the saves held back for a busy file, waiting for it as any
    // statement does (before the file is closed, replaced or read whole).
    // Throws FileError, keeping them.
    void WriteHeldSaves();
    bool HasHeldSaves() const { return notes_ && notes_->hasHeldSaves(); }
    // Told when saves come to be held back for a busy file, and when the
    // last of them is written.
    std::function<void(bool held)> onHeldSaves;
    // Told after each note a save changes.
    std::function<void()> onNoteChanged;

    // The index of every note, written by each save; null while there is no
    // connection.
    SearchIndex* searchIndex() { return search_.get(); }
    // Builds the index in the background now and after every reopening.
    void StartSearchBuild();

    // Puts a snapshot in place of the notes database and opens it. The
    // journal goes on from where it was, with a change of every note the
    // snapshot alters. Returns where the notes as they were are kept.
    // Throws FileError; the file is then open as it was.
    QString Restore(const SnapshotStore& snapshots, const SnapshotInfo& snapshot,
                    const QDateTime& now);

    // How long a lock held by another process may block a statement.
    static constexpr int kBusyTimeoutMs = 1500;

private:
    void open();

    ProgramFolder folder_;
    sql::Database db_;
    QString creationError_;
    std::unique_ptr<NoteStore> notes_;
    std::unique_ptr<SearchIndex> search_; // after db_: goes before the connection
    bool searchBuild_ = false;
};

} // namespace kuvano::notes
