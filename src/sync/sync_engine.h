#pragma once
// One sync of a notebook with its CalDAV calendar, start to end, on the
// calling thread (the sync's worker, or `kuvano --sync`): first what the
// change journal says changed here goes up, then what changed on the server
// comes down. A note changed on both sides keeps both texts: the one changed
// later stays in the note, the other goes to the conflicts list. The notebook
// is written only with what the server gave; a failed sync leaves it as it was.

#include "sync/caldav_client.h"
#include "sync/note_entry.h"
#include "sync/sync_state.h"

#include <QUrl>

#include <functional>
#include <vector>

namespace kuvano::notes {
class NoteStore;
}
namespace kuvano::sql {
class Database;
}

namespace kuvano::sync {

struct SyncReport {
    int sent = 0;      // notes written to the server
    int removed = 0;   // notes emptied here and deleted there
    int received = 0;  // notes written here from the server
    int conflicts = 0; // texts kept in the conflicts list
    int unreadable = 0;
    int requests = 0;
    std::vector<NoteId> changedHere; // notes this sync wrote in the notebook
};

class SyncEngine {
public:
    // `store` works on `notebook`, a connection of the calling thread's own.
    SyncEngine(sql::Database& notebook, notes::NoteStore& store, SyncState& state,
               CalDavClient& client, QUrl calendar);

    // Throws SyncError (the server) or FileError (the notebook, the state file).
    SyncReport run();

private:
    void sendLocalChanges();
    void receiveServerChanges();
    SyncChanges listedChanges(bool& full);
    void applyRemote(const Member& member);
    void applyRemoval(const QUrl& href);
    void keepConflict(const NoteId& id, const NoteContent& content, const QString& origin);
    void putNote(const NoteId& id, const NoteContent& content, const QString& uid, const QUrl& href,
                 const QString& etag);
    void saveHere(const NoteId& id, const NoteContent& content);
    QUrl hrefOf(const QString& uid) const;
    std::vector<NoteId> candidates(qint64 sent, qint64 upTo);

    sql::Database& notebook_;
    notes::NoteStore& store_;
    // The network work that follows what came down.
    struct Upload {
        NoteId id;
        QString uid;
        QUrl href;
        QString etag;
    };
    struct Removal {
        QString uid;
        QUrl href;
        QString etag;
    };
    std::vector<Upload> uploads_;
    std::vector<Removal> removals_;
    SyncState& state_;
    CalDavClient& client_;
    QUrl calendar_;
    SyncReport report_;
};

// Every note of the notebook that holds anything, by the tables the pages use.
std::vector<NoteId> NonEmptyNotes(sql::Database& notebook);

} // namespace kuvano::sync
