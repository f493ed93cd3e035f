#pragma once
// The notebook as an iCalendar file (.ics) and back: every note a VJOURNAL,
// the official days off and make-up working days as all-day VEVENTs.

#include "store/note_store.h"
#include "sync/sync_state.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace kuvano::sync {

// A day off (休) or make-up working day (班) of the official arrangement.
struct DayOffEntry {
    QDate date;
    bool workday = false; // 班; else 休
    QString name;         // the holiday's name ("春节"); may be empty
    bool operator==(const DayOffEntry&) const = default;
};
// The listed days of the years fromYear..toYear, as the calendars show them
// (the built-in arrangement with the user's own file laid over it). The
// arrangement names no holidays: names are empty.
std::vector<DayOffEntry> CollectDaysOff(int fromYear, int toYear);

struct IcsExportOptions {
    // Only the notes dated in this year (by DTSTART); the undated calendar
    // notes and memo lines go only into a whole export.
    std::optional<int> year;
    // Written as all-day, transparent VEVENTs (those of `year` only, when given).
    std::vector<DayOffEntry> daysOff;
};
// Writes every non-empty note as one file, atomically. Returns how many notes
// were written. Throws FileError naming the file.
int ExportICalendar(notes::NoteStore& store, const QString& path, const IcsExportOptions& options);

struct IcsImportReport {
    int added = 0;     // into an empty box (or a day's schedule that was empty)
    int updated = 0;   // replaced a note's text, or added below a day's schedule
    int unchanged = 0; // the note already held it
    int conflicts = 0; // the note held other text: the one changed earlier kept aside
    int skipped = 0;   // unreadable or undated entries
};
// "新增 3 条，更新 1 条，…": the parts that are not zero; "没有可导入的记事" when all are.
QString DescribeImport(const IcsImportReport& report);

// Reads a .ics file of VJOURNALs into the notes: ours into their boxes,
// other programs' into the day schedule of their date (below any text the
// day already holds). Where a note holds other text, the one changed later
// wins (LAST-MODIFIED against the journal's last change; on a tie, and when
// neither time is known, the note stays) and the other is kept in
// SyncState's conflicts with the file's name as origin. All or nothing: a
// file that is not iCalendar, is too large or cannot be read throws FileError
// naming it, and nothing is written.
IcsImportReport ImportICalendar(notes::NoteStore& store, SyncState& state, const QString& path);

} // namespace kuvano::sync
