#include "store/search_build.h"

#include "store/clock.h"
#include "store/search_schema.h"
#include "store/sqlite_db.h"
#include "store/thread_priority.h"
#include "store/untdb.h"

#include <QHash>
#include <QSet>

#include <vector>

namespace kuvano::notes {

namespace {

QString entryKey(int page, const QString& key, int box) {
    return QString::number(page) + QChar(0x1f) + key + QChar(0x1f) + QString::number(box);
}

// A note whose entry is missing or stale.
struct Todo {
    size_t table = 0;
    qint64 rowid = 0;
    QString key;
    int box = 0;
};

// An entry whose note is gone.
struct Orphan {
    int page = 0;
    QString key;
    int box = 0;
};

struct Entry {
    qint64 sig = 0;
    bool seen = false;
};

class Builder {
public:
    Builder(sql::Database& db, const BuildOptions& options, BuildProgress& progress)
        : db_(db), options_(options), progress_(progress), tables_(IndexedTables(db)) {}

    int run() {
        compare();
        progress_.total = int(todo_.size() + orphans_.size());
        progress_.counted = true;
        const size_t batch = size_t(std::max(1, options_.batchNotes));
        for (size_t i = 0; i < todo_.size() && !progress_.stop; i += batch)
            writeBatch(i, std::min(todo_.size(), i + batch));
        for (size_t i = 0; i < orphans_.size() && !progress_.stop; i += batch)
            removeBatch(i, std::min(orphans_.size(), i + batch));
        return changed_;
    }

private:
    // Every note's hash against its entry's: read only, no lock held.
    void compare() {
        QHash<QString, Entry> entries;
        {
            sql::Statement st(db_, QStringLiteral("SELECT page, key, cell, sig FROM search_text"));
            while (st.step()) {
                entries.insert(
                    entryKey(st.column(0).toInt(), st.column(1).toString(), st.column(2).toInt()),
                    {st.column(3).toLongLong(), false});
            }
        }
        for (size_t ti = 0; ti < tables_.size(); ++ti) {
            const IndexedTable& t = tables_[ti];
            QStringList sigs;
            for (const QString& c : t.cellColumns)
                sigs.append(QStringLiteral("kuvano_sig(%1)").arg(sql::quotedName(c)));
            sql::Statement st(db_,
                              QStringLiteral("SELECT rowid, CAST(%1 AS TEXT), %2 FROM %3 "
                                             "WHERE %1 IS NOT NULL%4 ORDER BY rowid")
                                  .arg(sql::quotedName(t.keyColumn), sigs.join(QLatin1Char(',')),
                                       sql::quotedName(t.table), onlyKeyCondition(t)));
            QSet<QString> keys;
            while (st.step()) {
                const QString key = st.column(1).toString();
                // A page shows the first row of its key; later ones are never seen.
                if (keys.contains(key)) continue;
                keys.insert(key);
                for (int box = 1; box <= t.cellColumns.size(); ++box) {
                    const qint64 sig = st.column(1 + box).toLongLong();
                    auto it = entries.find(entryKey(int(t.page), key, box));
                    if (it != entries.end()) {
                        it->seen = true;
                        if (it->sig == sig) continue;
                    } else if (sig == 0) {
                        continue; // no note, no entry: as it should be
                    }
                    todo_.push_back({ti, st.column(0).toLongLong(), key, box});
                }
            }
        }
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            if (it->seen) continue;
            const QStringList parts = it.key().split(QChar(0x1f));
            orphans_.push_back({parts.at(0).toInt(), parts.at(1), parts.at(2).toInt()});
        }
    }

    QString onlyKeyCondition(const IndexedTable& t) const {
        if (t.onlyKey.isEmpty()) return {};
        QString k = t.onlyKey;
        k.replace(QLatin1Char('\''), QStringLiteral("''"));
        return QStringLiteral(" AND CAST(%1 AS TEXT) = '%2'").arg(sql::quotedName(t.keyColumn), k);
    }

    // The note's hash, and its plain text when asked, if its row still has its key.
    QString cellSelect(const Todo& item, bool withText) const {
        const IndexedTable& t = tables_[item.table];
        const QString c = sql::quotedName(t.cellColumns.at(item.box - 1));
        QString what = QStringLiteral("kuvano_sig(%1)").arg(c);
        if (withText) what += QStringLiteral(", kuvano_plain(%1, %2)").arg(c).arg(t.rich ? 1 : 0);
        return QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ? AND CAST(%3 AS TEXT) = ?")
            .arg(what, sql::quotedName(t.table), sql::quotedName(t.keyColumn));
    }

    void writeBatch(size_t from, size_t to) {
        struct Read {
            const Todo* item;
            qint64 sig;
            QString body;
        };
        std::vector<Read> reads;
        // The plain texts are read before the write lock is taken.
        for (size_t i = from; i < to; ++i) {
            const Todo& item = todo_[i];
            sql::Statement st(db_, cellSelect(item, true));
            st.bind(1, qlonglong(item.rowid));
            st.bind(2, item.key);
            if (!st.step()) continue; // the row is gone, and its entry with it
            reads.push_back({&item, st.column(0).toLongLong(), st.column(1).toString()});
        }
        sql::Transaction tx(db_);
        sql::Statement upsert(db_, UpsertEntrySql());
        std::vector<NoteEntryKey> written;
        for (const Read& r : reads) {
            const Todo& item = *r.item;
            {
                // A note changed since it was read was indexed by its own write.
                sql::Statement check(db_, cellSelect(item, false));
                check.bind(1, qlonglong(item.rowid));
                check.bind(2, item.key);
                if (!check.step() || check.column(0).toLongLong() != r.sig) continue;
            }
            const int page = int(tables_[item.table].page);
            upsert.bind(1, page);
            upsert.bind(2, item.key);
            upsert.bind(3, item.box);
            upsert.bind(4, NoteSortDay(NotePage(page), item.key, item.box));
            upsert.bind(5, qlonglong(r.sig));
            upsert.bind(6, r.body);
            upsert.step();
            upsert.reset();
            written.push_back({NotePage(page), item.key, item.box});
            ++changed_;
        }
        FlushFullTextOf(db_, written);
        tx.commit();
        finishBatch(int(to - from));
    }

    const IndexedTable* tableOf(int page) const {
        for (const IndexedTable& t : tables_)
            if (int(t.page) == page) return &t;
        return nullptr;
    }

    void removeBatch(size_t from, size_t to) {
        sql::Transaction tx(db_);
        sql::Statement remove(
            db_, QStringLiteral("DELETE FROM search_text WHERE page = ? AND key = ? AND cell = ?"));
        for (size_t i = from; i < to; ++i) {
            const Orphan& o = orphans_[i];
            const IndexedTable* t = tableOf(o.page);
            if (t && o.box >= 1 && o.box <= t->cellColumns.size()) {
                // The note may have been written since the comparison.
                sql::Statement st(db_,
                                  QStringLiteral("SELECT kuvano_sig(%1) FROM %2 WHERE "
                                                 "CAST(%3 AS TEXT) = ?%4 ORDER BY rowid LIMIT 1")
                                      .arg(sql::quotedName(t->cellColumns.at(o.box - 1)),
                                           sql::quotedName(t->table), sql::quotedName(t->keyColumn),
                                           onlyKeyCondition(*t)));
                st.bind(1, o.key);
                if (st.step() && st.column(0).toLongLong() != 0) continue;
            }
            remove.bind(1, o.page);
            remove.bind(2, o.key);
            remove.bind(3, o.box);
            remove.step();
            remove.reset();
            ++changed_;
        }
        tx.commit();
        finishBatch(int(to - from));
    }

    void finishBatch(int n) {
        progress_.done += n;
        if (options_.afterBatch) options_.afterBatch(progress_.done, progress_.total);
    }

    sql::Database& db_;
    const BuildOptions& options_;
    BuildProgress& progress_;
    std::vector<IndexedTable> tables_;
    std::vector<Todo> todo_;
    std::vector<Orphan> orphans_;
    int changed_ = 0;
};

} // namespace

int BuildSearchIndex(const QString& databasePath, const BuildOptions& options,
                     BuildProgress& progress) {
    sql::Database db;
    db.openAnother(databasePath, TDM::kBusyTimeoutMs, false);
    // Entries lost to a power cut are found missing and written by the next run.
    db.exec("PRAGMA synchronous=NORMAL");
    RegisterSearchFunctions(db);
    int changed = Builder(db, options, progress).run();
    // The full check, token by token, once the entries match the notes: an
    // index that fails it is emptied and built again from the notes. It
    // holds the write lock for its run (about 0.5 s for eleven years of
    // notes), so not at every start: when it is due.
    const QDate today = clock::today();
    if (progress.stop || !FullCheckDue(db, today)) return changed;
    if (FullTextPassesFullCheck(db)) {
        RecordFullCheck(db, today);
    } else {
        ResetSearchIndex(db);
        progress.counted = false;
        progress.done = 0;
        changed += Builder(db, options, progress).run();
    }
    return changed;
}

SearchIndexBuilder::SearchIndexBuilder(QString databasePath, BuildOptions options)
    : path_(std::move(databasePath)), options_(std::move(options)) {}

SearchIndexBuilder::~SearchIndexBuilder() {
    stop();
}

void SearchIndexBuilder::start() {
    if (status().busy()) return;
    if (thread_.joinable()) thread_.join();
    progress_.stop = false;
    progress_.counted = false;
    progress_.done = 0;
    progress_.total = 0;
    {
        std::lock_guard lock(mutex_);
        error_.clear();
    }
    state_ = State::Checking;
    thread_ = std::thread([this] { run(); });
}

void SearchIndexBuilder::stop() {
    progress_.stop = true;
    if (thread_.joinable()) thread_.join();
    if (status().busy()) state_ = State::Idle;
}

void SearchIndexBuilder::run() {
    lowerThreadPriority();
    try {
        BuildSearchIndex(path_, options_, progress_);
        state_ = progress_.stop ? State::Idle : State::Ready;
    } catch (const std::exception& e) {
        std::lock_guard lock(mutex_);
        const auto* dbError = dynamic_cast<const sql::Error*>(&e);
        error_ = dbError ? dbError->message() : QString::fromLocal8Bit(e.what());
        state_ = State::Failed;
    }
}

SearchIndexBuilder::Status SearchIndexBuilder::status() const {
    Status s;
    s.state = state_;
    if (s.state == State::Checking && progress_.counted) s.state = State::Building;
    s.done = progress_.done;
    s.total = progress_.total;
    std::lock_guard lock(mutex_);
    s.error = error_;
    return s;
}

} // namespace kuvano::notes
