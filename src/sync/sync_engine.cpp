#include "sync/sync_engine.h"

#include "store/note_store.h"
#include "store/search_schema.h"
#include "store/sqlite_db.h"
#include "sync/note_access.h"
#include "sync/sync_error.h"

#include <QSet>

#include <algorithm>

namespace kuvano::sync {

using notes::NotePage;

namespace {

const QString kSent = QStringLiteral("sent");
const QString kToken = QStringLiteral("token");
const QString kCalendar = QStringLiteral("calendar");
const QString kCollectionSync = QStringLiteral("sync-collection");
const QString kHere = QStringLiteral("本机");
const QString kServer = QStringLiteral("服务器");

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// One spelling of a resource's address, however the server encoded it: the
// state file finds an entry by it.
QString hrefKey(const QUrl& href) {
    QUrl u = href.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveQuery | QUrl::RemoveFragment);
    u.setPath(u.path(QUrl::FullyDecoded), QUrl::DecodedMode);
    return u.toString(QUrl::FullyEncoded);
}

// A resource name for an entry: the UID where it is plain, else its hex, so
// that no server spells it otherwise.
QString fileNameOf(const QString& uid) {
    const bool plain = !uid.isEmpty() && std::all_of(uid.begin(), uid.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'-' || c == u'_' || c == u'.';
    });
    return (plain ? uid : QString::fromLatin1(uid.toUtf8().toHex())) + QStringLiteral(".ics");
}

} // namespace

std::vector<NoteId> NonEmptyNotes(sql::Database& notebook) {
    std::vector<NoteId> out;
    for (const notes::IndexedTable& t : notes::IndexedTables(notebook)) {
        QStringList columns{quoted(t.keyColumn)};
        for (const QString& c : t.cellColumns) columns.append(quoted(c));
        QString sql = QStringLiteral("SELECT %1 FROM %2")
                          .arg(columns.join(QLatin1Char(',')), quoted(t.table));
        if (!t.onlyKey.isEmpty()) sql += QStringLiteral(" WHERE %1 = ?").arg(quoted(t.keyColumn));
        sql::Statement st(notebook, sql);
        if (!t.onlyKey.isEmpty()) st.bind(1, t.onlyKey);
        QSet<QString> seen; // the first row of a key is the one the page shows
        while (st.step()) {
            const QString key = st.column(0).toString();
            if (key.isEmpty() || seen.contains(key)) continue;
            seen.insert(key);
            for (int box = 1; box <= t.cellColumns.size(); ++box) {
                const QVariant v = st.column(box);
                if (v.isNull() || v.toByteArray().isEmpty()) continue;
                out.push_back({t.page, key, box});
            }
        }
    }
    return out;
}

SyncEngine::SyncEngine(sql::Database& notebook, notes::NoteStore& store, SyncState& state,
                       CalDavClient& client, QUrl calendar)
    : notebook_(notebook), store_(store), state_(state), client_(client),
      calendar_(std::move(calendar)) {}

SyncReport SyncEngine::run() {
    report_ = {};
    const int requestsBefore = client_.requestCount();
    // One connection for the whole run, not one per request.
    const CalDavClient::Batch batch(client_);
    // Another calendar than last time: what this notebook knew of the old one
    // means nothing there.
    if (state_.value(kCalendar) != calendar_.toString()) {
        state_.forgetServer();
        state_.setValue(kCalendar, calendar_.toString());
    }
    sendLocalChanges();
    receiveServerChanges();
    report_.requests = client_.requestCount() - requestsBefore;
    return report_;
}

std::vector<NoteId> SyncEngine::candidates(qint64 sent, qint64 upTo) {
    std::vector<NoteId> ids;
    // The first sync with this calendar, or a journal behind what was sent
    // (the file replaced by an older copy): every note is looked at. The
    // notes agreed with the server since are skipped by their hash.
    if (sent <= 0 || upTo < sent) {
        ids = NonEmptyNotes(notebook_);
        for (const SyncState::Item& item : state_.items()) ids.push_back(item.note);
    }
    for (const notes::NoteChange& c : store_.changesSince(std::max<qint64>(sent, 0)))
        ids.push_back({c.page, c.key, c.box});
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

void SyncEngine::sendLocalChanges() {
    const qint64 upTo = store_.lastChange();
    bool ok = false;
    const qint64 sent = state_.value(kSent).toLongLong(&ok);
    for (const NoteId& id : candidates(ok ? sent : 0, upTo)) {
        const NoteContent content = LoadNote(store_, id);
        const std::optional<SyncState::Item> item = state_.itemOfNote(id);
        const QByteArray hash = ContentHash(content);
        if (item && item->hash == hash) continue; // the server has it already
        try {
            if (IsBlank(content)) {
                if (!item) continue;
                client_.remove(item->href, item->etag);
                state_.removeItem(item->uid);
                ++report_.removed;
            } else {
                const QString uid = item ? item->uid : UidOf(id);
                putNote(id, content, uid, item ? QUrl(item->href) : hrefOf(uid),
                        item ? item->etag : QString());
            }
        } catch (const SyncError& e) {
            // Changed on the server meanwhile (or made there by another copy
            // first): what it holds comes down next, and the rule for a note
            // changed on both sides decides.
            if (e.kind() != SyncError::Kind::PreconditionFailed) throw;
        }
    }
    state_.setValue(kSent, QString::number(upTo));
}

void SyncEngine::putNote(const NoteId& id, const NoteContent& content, const QString& uid,
                         const QUrl& href, const QString& etag) {
    JournalEntry entry;
    entry.uid = uid;
    entry.date = DateOf(id);
    entry.note = id;
    entry.content = content;
    entry.lastModified = LastLocalChange(notebook_, id);
    if (!entry.lastModified.isValid()) entry.lastModified = QDateTime::currentDateTimeUtc();
    const QString newEtag = client_.put(href, WriteEntry(entry), etag);
    state_.putItem({uid, id, hrefKey(href), newEtag, ContentHash(content)});
    ++report_.sent;
}

QUrl SyncEngine::hrefOf(const QString& uid) const {
    QString path = calendar_.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    QUrl href = calendar_;
    href.setPath(path + fileNameOf(uid), QUrl::StrictMode);
    return href;
}

SyncChanges SyncEngine::listedChanges(bool& full) {
    // Servers without sync-collection: every member's etag, against those known.
    full = true;
    SyncChanges changes;
    std::vector<QUrl> fetchThese;
    for (const Member& m : client_.members(calendar_)) {
        const std::optional<SyncState::Item> item = state_.itemOfHref(hrefKey(m.href));
        if (item && item->etag == m.etag) {
            changes.changed.push_back(m); // unchanged: listed, nothing to fetch
            continue;
        }
        fetchThese.push_back(m.href);
    }
    for (Member& m : client_.fetch(calendar_, fetchThese)) changes.changed.push_back(std::move(m));
    return changes;
}

void SyncEngine::receiveServerChanges() {
    if (state_.value(kCollectionSync).isEmpty())
        state_.setValue(kCollectionSync, client_.supportsSyncCollection(calendar_)
                                             ? QStringLiteral("1")
                                             : QStringLiteral("0"));
    const QString token = state_.value(kToken);
    SyncChanges changes;
    bool full = token.isEmpty();
    if (state_.value(kCollectionSync) != QLatin1String("1")) {
        changes = listedChanges(full);
    } else {
        try {
            changes = client_.changesSince(calendar_, token);
        } catch (const SyncError& e) {
            if (e.kind() != SyncError::Kind::TokenExpired) throw;
            changes = client_.changesSince(calendar_, QString()); // start over
            full = true;
        }
    }
    // A full listing: what this notebook knew there and is no longer listed is gone.
    std::vector<QUrl> gone;
    if (full) {
        QSet<QString> listed;
        for (const Member& m : changes.changed) listed.insert(hrefKey(m.href));
        for (const SyncState::Item& item : state_.items())
            if (!listed.contains(item.href)) gone.push_back(QUrl(item.href));
    }
    // Everything is fetched before the notebook is touched: a server that
    // fails meanwhile leaves it as it was. Updates before removals: a note
    // that moved to another entry is not emptied.
    for (const Member& m : changes.changed) applyRemote(m);
    for (const QUrl& href : changes.removed) applyRemoval(href);
    for (const QUrl& href : gone) applyRemoval(href);
    // What goes back up (a note kept here in a conflict, a day's merged
    // entries), once the notebook holds what came down. Should this fail, the
    // token stays, and the next sync meets the same changes again.
    for (const Removal& r : removals_) {
        client_.remove(r.href, r.etag);
        state_.removeItem(r.uid);
    }
    for (const Upload& u : uploads_) putNote(u.id, LoadNote(store_, u.id), u.uid, u.href, u.etag);
    removals_.clear();
    uploads_.clear();
    if (!changes.token.isEmpty()) state_.setValue(kToken, changes.token);
    // What this sync wrote here is journalled after `sent`; it is the server's
    // already, so the next sync skips it by its hash.
}

void SyncEngine::saveHere(const NoteId& id, const NoteContent& content) {
    SaveNote(store_, id, content);
    report_.changedHere.push_back(id);
}

void SyncEngine::keepConflict(const NoteId& id, const NoteContent& content, const QString& origin) {
    if (IsBlank(content)) return;
    // Kept already by a sync that failed after keeping it.
    for (const SyncState::Conflict& c : state_.conflicts())
        if (c.note == id && ContentHash(c.content) == ContentHash(content)) return;
    SyncState::Conflict c;
    c.note = id;
    c.content = content;
    c.time = QDateTime::currentDateTimeUtc();
    c.origin = origin;
    state_.addConflict(c);
    ++report_.conflicts;
}

void SyncEngine::applyRemote(const Member& member) {
    const std::optional<SyncState::Item> byHref = state_.itemOfHref(hrefKey(member.href));
    // Our own upload, or unchanged in a full listing.
    if (byHref && byHref->etag == member.etag && !member.etag.isEmpty()) return;
    JournalEntry entry;
    try {
        entry = ReadEntry(member.data);
    } catch (const SyncError&) {
        ++report_.unreadable; // another program's entry we cannot read stays as it is
        return;
    }
    const std::optional<SyncState::Item> known = state_.itemOfUid(entry.uid);
    NoteId id;
    bool foreign = false;
    if (entry.note) {
        id = *entry.note;
    } else if (known) {
        id = known->note; // another program's entry, landed here before
    } else {
        if (!entry.date.isValid()) {
            ++report_.unreadable;
            return;
        }
        id = {NotePage::Day, notes::dayKey(entry.date), 1};
        foreign = true;
    }
    const QString href = hrefKey(member.href);
    const NoteContent here = LoadNote(store_, id);
    const std::optional<SyncState::Item> agreed = state_.itemOfNote(id);
    const QByteArray hereHash = ContentHash(here);

    if (foreign && !IsBlank(here)) {
        // Another program's new entry on a day that holds a note: its text
        // goes below the note's, and the entry becomes that note's from now
        // on (written back with our properties, so other copies find the note).
        if (!here.text.contains(entry.content.text)) { // not merged by an interrupted sync
            NoteContent merged;
            merged.text = here.text + QLatin1Char('\n') + entry.content.text;
            merged.rtf = AppendTextToRtf(here.rtf, here.text, entry.content.text);
            saveHere(id, merged);
            ++report_.received;
        }
        uploads_.push_back({id, entry.uid, member.href, member.etag});
        if (agreed && agreed->uid != entry.uid)
            removals_.push_back({agreed->uid, QUrl(agreed->href), agreed->etag});
        return;
    }

    const NoteContent& there = entry.content;
    const bool changedHere = agreed ? agreed->hash != hereHash : !IsBlank(here);
    if (agreed && agreed->uid != entry.uid) {
        // The note now lives in another entry (another copy merged a day's
        // entries): drop the old one's record; its removal follows.
        state_.removeItem(agreed->uid);
    }
    if (!changedHere || ContentHash(there) == hereHash) {
        if (ContentHash(there) != hereHash) {
            saveHere(id, there);
            ++report_.received;
        }
        state_.putItem({entry.uid, id, href, member.etag, ContentHash(LoadNote(store_, id))});
        return;
    }
    // Changed on both sides: the later change stays, the other is kept.
    const QDateTime hereTime = LastLocalChange(notebook_, id);
    const bool thereWins =
        !hereTime.isValid() || !entry.lastModified.isValid() || entry.lastModified >= hereTime;
    if (thereWins) {
        keepConflict(id, here, kHere);
        saveHere(id, there);
        ++report_.received;
        state_.putItem({entry.uid, id, href, member.etag, ContentHash(LoadNote(store_, id))});
    } else {
        keepConflict(id, there, kServer);
        uploads_.push_back({id, entry.uid, member.href, member.etag});
    }
}

void SyncEngine::applyRemoval(const QUrl& href) {
    const std::optional<SyncState::Item> item = state_.itemOfHref(hrefKey(href));
    if (!item) return;
    state_.removeItem(item->uid);
    const NoteContent here = LoadNote(store_, item->note);
    if (ContentHash(here) == item->hash) {
        if (!IsBlank(here)) saveHere(item->note, NoteContent{});
        return;
    }
    // Emptied there but changed here since: the text here stays and goes up
    // again as a new entry.
    if (!IsBlank(here))
        uploads_.push_back({item->note, UidOf(item->note), hrefOf(UidOf(item->note)), {}});
}

} // namespace kuvano::sync
