#pragma once
// What the sync remembers between runs, in its own SQLite file beside the
// notebook (DB3/sync.sqlite): which server entry each note is (href, ETag)
// and the content both sides last agreed on, a few values (the sync token, the
// calendar's address, how far the change journal was sent), and the texts
// that lost a conflict, kept until the user has looked at them.

#include "store/sqlite_db.h"
#include "sync/note_entry.h"

#include <optional>
#include <vector>

namespace kuvano::sync {

class SyncState {
public:
    // Opens the file, creating it when missing. Throws FileError naming the
    // file when it is not a sound database of ours (nothing is written to it then).
    explicit SyncState(const QString& path);
    SyncState(const SyncState&) = delete;
    SyncState& operator=(const SyncState&) = delete;

    static QString relativePath() { return QStringLiteral("DB3/sync.sqlite"); }

    struct Item {
        QString uid;
        NoteId note;
        QString href;
        QString etag;
        QByteArray hash; // ContentHash of what the server and this notebook last agreed on
        bool operator==(const Item&) const = default;
    };
    std::optional<Item> itemOfUid(const QString& uid);
    std::optional<Item> itemOfNote(const NoteId& note);
    std::optional<Item> itemOfHref(const QString& href);
    // Inserts, or replaces the items of the same uid or the same note.
    void putItem(const Item& item);
    void removeItem(const QString& uid);
    std::vector<Item> items();

    // "token" (the sync-collection token), "calendar", "sent" (the journal
    // counter sent up to)…; empty when unset.
    QString value(const QString& key);
    void setValue(const QString& key, const QString& value);
    // Another calendar: drops the items and values, keeps the conflicts.
    void forgetServer();

    // A text that lost: the note, its content, when, and from where
    // ("服务器", "本机" or a file's name).
    struct Conflict {
        qint64 id = 0;
        NoteId note;
        NoteContent content;
        QDateTime time;
        QString origin;
    };
    qint64 addConflict(const Conflict& conflict); // returns its id
    std::vector<Conflict> conflicts();            // oldest first
    std::optional<Conflict> conflict(qint64 id);
    void dropConflict(qint64 id);

    // For transactions spanning several calls (sql::Transaction).
    sql::Database& db() { return db_; }

private:
    std::optional<Item> itemWhere(const QString& condition, const std::vector<QVariant>& args);
    sql::Database db_;
};

} // namespace kuvano::sync
