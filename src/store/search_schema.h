#pragma once
// The full-text index of every note, kept in the notes file beside the notes.
//
// search_text holds one row per note box (page, row key, box number) with the
// box's plain text and a hash of the stored bytes it was read from;
// search_fts, an FTS5 table with the trigram tokenizer over that text, finds
// any substring of three characters or more, Chinese included, without a
// word splitter. Each save writes the note's entry in its own transaction,
// from the plain text its box shows (NoteStore); triggers stored in the file
// keep search_fts in step with search_text. Notes written otherwise (an
// older release, the import, a restore) are caught up by the build.

#include "store/sqlite_db.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace kuvano::notes {

// The page a note belongs to; the numbers are stored in search_text.page.
enum class NotePage { Desk = 1, Day = 2, General = 3, Calendar = 4, Yearly = 5, Memo = 6 };

// "桌面月历", "日安排", "月记事", "日历记事", "年记事", "备忘录".
QString PageCaption(NotePage page);

// A note table as the index reads it, resolved against the file's own columns.
struct IndexedTable {
    NotePage page = NotePage::Desk;
    QString table;
    QString keyColumn;
    QStringList cellColumns; // box n is cellColumns[n - 1]
    bool rich = false;       // RTF notes; otherwise one-line texts
    QString onlyKey;         // the one row key the page shows; empty: every key
};

// The note tables present in the file, with the columns found for them.
std::vector<IndexedTable> IndexedTables(sql::Database& db);

// Month key 20105 → 2010-5-1, 201011 → 2010-11-1; invalid for anything else.
QDate MonthOfKey(const QString& key);
// Day key 2010-5-3 → that date; invalid for anything else.
QDate DateOfDayKey(const QString& key);

// Where a note is shown: its page, a date in the month or year the page must
// show (invalid for the undated calendar lines and memo), and the box:
// desk cell 1..42, 1 for the day schedule, line 1..42, month 1..12, memo line 1..11.
struct NoteLocation {
    NotePage page = NotePage::Desk;
    QDate date;
    int box = 0;
};
NoteLocation LocateNote(NotePage page, const QString& key, int box);

// The date or month shown beside a found note: a desk cell's own date (cell 1
// of May 2010 is 2010-4-25), the day, or "2010年5月"; empty when undated.
QString NoteDateText(NotePage page, const QString& key, int box);

// yyyymmdd of the day or month a note belongs to, for newest-first lists;
// undated notes sort as kUndatedSortDay, before every dated one, and keys
// that cannot be read as 0, after them.
int NoteSortDay(NotePage page, const QString& key, int box);
inline constexpr int kUndatedSortDay = 99991231;

// Registers on a connection the functions the triggers and the build use:
// kuvano_plain(value, rich) the plain text of a stored note ('' when blank),
// kuvano_sig(value) a hash of its bytes (0 for NULL), kuvano_day(page, key, box).
void RegisterSearchFunctions(sql::Database& db);
// How many notes' plain texts were read so far, all connections together.
long PlainTextReads();

// Makes the index tables exist and be fit for use, on the program's own
// connection at start: creates them when missing, and empties them (for the
// build to fill again) when they were made for another index layout or
// search_fts fails its quick checks. Writes nothing when all is well.
struct SchemaState {
    bool fullText = false; // search_fts is there (FTS5 with the trigram tokenizer)
    bool emptied = false;  // the index was made or emptied now
};
SchemaState EnsureSearchSchema(sql::Database& db);
// FTS5's own check of search_fts against search_text, token by token; true
// when there is no search_fts. Takes the write lock while it runs.
bool FullTextPassesFullCheck(sql::Database& db);
// Whether the full check is due: it holds the write lock for a moment that
// grows with the notebook, so it runs only when no check has passed under
// this SQLite library, or the last pass is kFullCheckDays old (or dated after
// `today`: a clock set back). An index made or emptied has no pass.
inline constexpr int kFullCheckDays = 7;
bool FullCheckDue(sql::Database& db, const QDate& today);
// Records a pass of the full check on `today`; a record that cannot be
// written leaves the check due.
void RecordFullCheck(sql::Database& db, const QDate& today);
// Drops search_fts and every entry and makes them again, empty.
SchemaState ResetSearchIndex(sql::Database& db);
// search_fts answers a query and holds as many entries as search_text.
// Cheap: for start-up.
bool FullTextLooksSound(sql::Database& db);

// The hash of a note's stored bytes (a line's UTF-8 text) that its entry keeps.
qint64 NoteSignature(const QByteArray& stored);

// Writes one note's entry (page, key, box, sortday, sig, body), replacing an
// older one; search_fts takes it at the next flush.
QString UpsertEntrySql();
// Brings the entries whose text moved on into search_fts, in one
// transaction; returns how many. Nothing to do without search_fts.
// Changed: those of the notes the change journal has seen change since the
// last flush (a save writes its journal entry with its search entry);
// Everything: every entry, for a check that compares them all.
enum class FlushScope { Changed, Everything };
int FlushFullText(sql::Database& db, FlushScope scope = FlushScope::Changed);
// The same for the entries of these notes only (the ones a build wrote).
struct NoteEntryKey {
    NotePage page;
    QString key;
    int box;
};
int FlushFullTextOf(sql::Database& db, const std::vector<NoteEntryKey>& notes);

} // namespace kuvano::notes
