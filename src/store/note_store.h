#pragma once
// The notes as the pages save and load them: one call per thing a page
// stores, each its own transaction, in which the search entry and the change
// journal are written too. The tables and their keys are the notebook's file
// format; which row of a key counts, and where each box is kept, is decided
// here and nowhere else.

#include "store/note_keys.h"
#include "store/search_schema.h"
#include "store/sqlite_db.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace kuvano::notes {

constexpr int kYearNotes = 12;
constexpr int kMemoNotes = 11;

// A one-line note: its text and its colour (0x00BBGGRR).
struct LineNote {
    QString text;
    int color = 0;
};
using LineNotes = std::array<LineNote, kDeskCells>;

// The two pages of one-line notes, each kept in a texts and a colours table.
enum class LineBook { General, Calendar };

// A rich-text note as a box gives it: the stored RTF and the plain text the
// box shows (what the search finds).
struct RichNote {
    QByteArray rtf;
    QString plain;
};

// One entry of the change journal: the note (page, row key, box) last
// changed under `counter`, at `time` (UTC).
struct NoteChange {
    qint64 counter = 0;
    NotePage page = NotePage::Desk;
    QString key;
    int box = 0;
    QDateTime time;
    bool operator==(const NoteChange&) const = default;
};

class NoteStore {
public:
    explicit NoteStore(sql::Database& db);
    NoteStore(const NoteStore&) = delete;
    NoteStore& operator=(const NoteStore&) = delete;

    // Whether saves write the search entry of the note they store (off when
    // the index is unusable, and for the benchmark's baseline).
    void setIndexing(bool on) { indexing_ = on; }
    bool indexing() const { return indexing_; }
    // The connection the notes are on (for reads across pages, as the export's).
    sql::Database& database() { return db_; }

    // Loads; every one throws FileError. A key without a row gives empty notes.
    std::array<QByteArray, kDeskCells> loadDeskMonth(const QString& monthKey);
    // The day's note when the day has exactly one row, else nothing.
    std::optional<QByteArray> loadDaySchedule(const QString& dayKey);
    struct Lines {
        std::optional<std::array<QString, kDeskCells>> texts; // none: no texts row
        std::optional<std::array<int, kDeskCells>> colors;    // none: no colours row; NULL → 0
    };
    Lines loadLines(LineBook book, const QString& key);
    std::array<QByteArray, kYearNotes> loadYear(int year);
    std::array<QString, kMemoNotes> loadMemo();

    // Saves: each one transaction, the key's row made when missing. Throw FileError.
    // A save that finds the file held by another program is not waited for:
    // it is held back (loads show it) and written as soon as the file is free.
    void saveDeskCell(const QString& monthKey, int cell, const RichNote& note); // cell 1..42
    // False when the day's rows are not exactly one, even after adding one.
    bool saveDaySchedule(const QString& dayKey, const RichNote& note);
    // All 42 texts and colours of a sheet, texts first.
    void saveLines(LineBook book, const QString& key, const LineNotes& lines);
    void saveYear(int year, const std::array<RichNote, kYearNotes>& notes);
    // False when the line already holds the text (nothing written).
    bool saveMemoLine(int line, const QString& text); // line 1..11

    // Told after each note a save changes (the sync waits for typing to stop).
    std::function<void()> onNoteChanged;

    // Saves held back because another program holds the file.
    bool hasHeldSaves() const { return !held_.empty(); }
    // Writes them now, waiting up to `waitMs` for the file; throws FileError
    // (Busy when it is still held), keeping them.
    void writeHeldSaves(int waitMs);
    // Told when saves come to be held back, and when the last is written.
    std::function<void(bool held)> onHeldChanged;
    // How long a keystroke's save waits for a lock before it is held back:
    // long enough for this program's own index build, short enough to type on.
    static constexpr int kFirstTryMs = 100;
    static constexpr int kRetryEveryMs = 250;

    // The journal: the notes changed after `counter`, oldest change first,
    // each once with its latest change; and the newest counter (0 when none).
    std::vector<NoteChange> changesSince(qint64 counter);
    qint64 lastChange();
    // Replaces the journal with another copy's entries (the running file's,
    // over the older journal of a snapshot put in its place).
    void carryJournal(const std::vector<NoteChange>& entries);

private:
    void writeDeskCell(const QString& monthKey, int cell, const RichNote& note);
    bool writeDaySchedule(const QString& dayKey, const RichNote& note);
    void writeLines(LineBook book, const QString& key, const LineNotes& lines);
    void writeYear(int year, const std::array<RichNote, kYearNotes>& notes);
    bool writeMemoLine(int line, const QString& text);
    // Runs `write` unless saves are already held back; holds it back (through
    // `hold`) when the file is busy. True when written now.
    bool writeOrHold(const std::function<void()>& write, const std::function<void()>& hold);
    void retryHeld();
    // Runs `write` (a save's transaction), once more without the index when
    // the index's failure cost the transaction.
    void writeSafely(const std::function<void()>& write);

    // The latest text of each note waiting for the file, by note.
    struct Held {
        std::map<std::pair<QString, int>, RichNote> desk; // month key, cell
        std::map<QString, RichNote> days;
        std::map<std::pair<int, QString>, LineNotes> lines; // book, key
        std::map<int, std::array<RichNote, kYearNotes>> years;
        std::map<int, QString> memo; // line
        bool empty() const {
            return desk.empty() && days.empty() && lines.empty() && years.empty() && memo.empty();
        }
    };
    Held held_;
    QTimer retry_;

    struct Table {
        QString name;
        QString key;         // the key column
        QStringList columns; // box n is columns[n - 1]
    };
    const Table& table(int which);
    qint64 firstRowOf(const Table& t, const QVariant& key);
    qint64 rowOrInsert(const Table& t, const QVariant& key);
    // Every box of the first row of `key`, in box order; none without a row.
    std::optional<std::vector<QVariant>> boxesOf(const Table& t, const QVariant& key);
    void writeBox(const Table& t, qint64 rowid, int box, const QVariant& value);
    void noteChanged(NotePage page, const QString& key, int box, const QVariant& stored,
                     const QString& plain);

    sql::Database& db_;
    bool indexing_ = true;
    std::vector<std::optional<Table>> tables_;
};

// Records, in the caller's transaction, a change of each note whose stored
// value differs between `before` and `after` (as read by NoteSignatures).
using NoteSignatureMap = QHash<QString, qint64>; // "page/key/box" → signature of the stored value
NoteSignatureMap NoteSignatures(sql::Database& db);
int JournalDifferences(sql::Database& db, const NoteSignatureMap& before,
                       const NoteSignatureMap& after);

// Makes the journal's table when missing (a file of an older release).
void EnsureJournal(sql::Database& db);

} // namespace kuvano::notes
