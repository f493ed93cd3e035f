#include "store/untdb.h"

#include "store/search_index.h"
#include "store/snapshots.h"

#include <QFileInfo>

namespace kuvano::notes {

namespace {

// The tables the pages read and write, and the two the data module opens.
constexpr const char16_t* kNotesTables[] = {
    u"TailiNew",  u"TailiNew_day", u"edtText",   u"edtTextColor", u"RiliJishi",
    u"RiliColor", u"YearJishi",    u"beiwanglu", u"Taili",        u"TailiColor"};

// Steps a statement once, fetching every column of the row it finds (a
// column's overflow pages are read only when it is fetched).
void readFirstRow(sql::Database& db, const QString& text) {
    sql::Statement st(db, text);
    if (!st.step()) return;
    for (int c = 0; c < st.columnCount(); ++c) st.column(c);
}

// Start-up check of an existing file, before anything may be written to it.
// It reads a number of pages that does not grow with the notes: the header
// and the schema, then in each notes table the first and the last row, and
// the first and the last entry of each of its indexes, which walks every
// b-tree from its root down both edges (the pages a lookup or an append
// goes through first). A damaged page elsewhere shows when it is read, with
// the engine's message; the whole-file check reads every page and belongs
// to the background. A database holding none of the notes tables is another
// program's, and is refused untouched.
void checkNotesFile(sql::Database& db) {
    QStringList tables;
    std::vector<std::pair<QString, QString>> indexes; // index, its table
    {
        sql::Statement schema(db, QStringLiteral("select type, name, tbl_name from sqlite_schema"));
        while (schema.step()) {
            const QString type = schema.column(0).toString();
            const QString table = schema.column(2).toString();
            bool ours = false;
            for (const char16_t* t : kNotesTables)
                ours = ours || table.compare(QString::fromUtf16(t), Qt::CaseInsensitive) == 0;
            if (!ours) continue;
            if (type == QLatin1String("table"))
                tables.append(table);
            else if (type == QLatin1String("index"))
                indexes.emplace_back(schema.column(1).toString(), table);
        }
    }
    if (tables.isEmpty())
        throw DbError(QStringLiteral("文件 %1 不是记事本数据库：找不到记事表"), db.path());
    for (const QString& t : std::as_const(tables)) {
        for (const char* order : {"", " desc"})
            readFirstRow(db, QStringLiteral("select * from %1 order by rowid%2 limit 1")
                                 .arg(sql::quotedName(t), QLatin1String(order)));
    }
    for (const auto& [index, table] : indexes) {
        QString column;
        {
            sql::Statement info(
                db, QStringLiteral("pragma index_info(%1)").arg(sql::quotedName(index)));
            if (info.step()) column = info.column(2).toString();
        }
        if (column.isEmpty()) continue; // an index on an expression: no plain order to walk
        for (const char* order : {"", " desc"})
            readFirstRow(db, QStringLiteral("select %1 from %2 indexed by %3 order by %1%4 limit 1")
                                 .arg(sql::quotedName(column), sql::quotedName(table),
                                      sql::quotedName(index), QLatin1String(order)));
    }
}

} // namespace

TDM::TDM(const ProgramFolder& folder) : folder_(folder) {
    open();
}

QString TDM::path() const {
    return folder_.filePath(relativePath());
}

void TDM::open() {
    const QString file = path();
    creationError_.clear();
    try {
        if (QFileInfo::exists(file))
            db_.openExisting(file, kBusyTimeoutMs, checkNotesFile);
        else
            db_.create(file, NotesSchemaSql(), kBusyTimeoutMs);
        // The tables opened at start: a file without them is not ours to write.
        for (const char16_t* t : {u"Taili", u"TailiColor", u"Beiwanglu"})
            db_.tableColumns(QString::fromUtf16(t));
        EnsureJournal(db_);
    } catch (const FileError& e) {
        creationError_ = e.about(file).message();
    }
    if (db_.isOpen()) {
        notes_ = std::make_unique<NoteStore>(db_);
        notes_->onNoteChanged = [this] {
            if (onNoteChanged) onNoteChanged();
        };
        notes_->onHeldChanged = [this](bool held) {
            if (onHeldSaves) onHeldSaves(held);
        };
        search_ = std::make_unique<SearchIndex>(db_, file);
        notes_->setIndexing(search_->available());
        if (searchBuild_) search_->startBuild();
    }
}

NoteStore& TDM::notes() {
    if (!notes_ || !creationError_.isEmpty())
        throw FileError(creationError_.isEmpty() ? QStringLiteral("笔记数据库没有打开")
                                                 : creationError_,
                        path());
    return *notes_;
}

void TDM::StartSearchBuild() {
    searchBuild_ = true;
    if (search_) search_->startBuild();
}

void TDM::WriteHeldSaves() {
    if (notes_) notes_->writeHeldSaves(kBusyTimeoutMs);
}

void TDM::Disconnect() {
    // The last chance for held-back saves: a caller that can still stop
    // (restore, close) wrote them first through WriteHeldSaves().
    try {
        WriteHeldSaves();
    } catch (const FileError&) {
    }
    // The file is left whole for whoever opens it next, older programs included.
    if (search_ && search_->available()) {
        try {
            search_->flush();
        } catch (const FileError&) {
            // The next build finds the entries that did not make it.
        }
    }
    search_.reset();
    notes_.reset();
    db_.close();
}

void TDM::Reopen() {
    Disconnect();
    open();
}

QString TDM::Restore(const SnapshotStore& snapshots, const SnapshotInfo& snapshot,
                     const QDateTime& now) {
    // What the notes were, to tell the journal which of them the snapshot alters.
    NoteSignatureMap before;
    std::vector<NoteChange> journal;
    WriteHeldSaves(); // what was typed is part of the notes the snapshot replaces
    if (notes_ && creationError_.isEmpty()) {
        before = NoteSignatures(db_);
        journal = notes_->changesSince(0);
    }
    QString aside;
    try {
        Disconnect();
        aside = snapshots.restore(snapshot, now);
    } catch (const FileError&) {
        Reopen();
        throw;
    }
    Reopen();
    if (!creationError_.isEmpty()) throw FileError(creationError_, path());
    sql::Transaction tx(db_);
    notes_->carryJournal(journal);
    JournalDifferences(db_, before, NoteSignatures(db_));
    tx.commit();
    return aside;
}

TDM::~TDM() {
    Disconnect();
}

} // namespace kuvano::notes
