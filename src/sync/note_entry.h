#pragma once
// One note as one VJOURNAL: how a note of the notebook is named, dated and
// written for a CalDAV calendar or an .ics file, and read back.
//
// The entry carries what other programs show (DTSTART, SUMMARY = the first
// line, DESCRIPTION = the whole plain text) and, in our own X-KUVANO-…
// properties, what another copy of this program needs to give back exactly
// what was typed: the page, row key and box, the stored RTF (base64: it holds
// bytes ≥ 0x80) and a line's colour.

#include "store/search_schema.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHashFunctions>
#include <QString>

#include <optional>
#include <vector>

namespace kuvano::sync {

// A note of the notebook: its page, row key and box, as the change journal
// names it (desk: month key, cell 1..42; day: day key, 1; general: month key,
// line 1..42; calendar: "rili2011", line 1..42; yearly: the year, month
// 1..12; memo: "bwl", line 1..11).
struct NoteId {
    notes::NotePage page = notes::NotePage::Desk;
    QString key;
    int box = 0;
    bool operator==(const NoteId&) const = default;
    bool operator<(const NoteId& o) const;
};
size_t qHash(const NoteId& id, size_t seed = 0) noexcept;

// The key and box are ones the page shows (a real month, day or year, a box in range).
bool IsValid(const NoteId& id);
// Pages of RTF notes (desk, day, yearly); the others hold one-line texts.
bool IsRich(notes::NotePage page);
// Pages whose notes belong to no date (calendar notes, memo list).
bool IsUndated(notes::NotePage page);

// A note's content, whatever its page.
struct NoteContent {
    QByteArray rtf; // rich pages: the stored RTF; empty for line pages and for other programs' text
    QString text;   // the plain text (a rich note's shown text; a line's text)
    int color = 0;  // line pages (general, calendar): 0x00BBGGRR
    // No visible text: a blank line keeps no colour worth syncing, and an RTF
    // that shows nothing (a box typed into and cleared) is no note either.
    bool empty() const;
    bool operator==(const NoteContent&) const = default;
};

// A digest that tells "the same as last agreed": the RTF bytes when there are
// any (the plain text follows from them), else the text and the colour.
QByteArray ContentHash(const NoteContent& content);

// "kuvano-<page>-<key>-<box>@kuvano", page one of desk, day, general,
// calendar, yearly, memo: "kuvano-desk-20105-3@kuvano",
// "kuvano-day-2010-5-3-1@kuvano". The same note has the same UID on every machine.
QString UidOf(const NoteId& id);
// The note a UID of ours names; none for another program's UID or an invalid note.
std::optional<NoteId> NoteIdOfUid(const QString& uid);

// DTSTART: a desk cell's own date (cell 1 of May 2010 is 2010-4-25), the
// day, the first of the month of a yearly or general note; the undated
// calendar notes and memo lines take kUndatedDate.
inline const QDate kUndatedDate{2000, 1, 1};
QDate DateOf(const NoteId& id);

struct JournalEntry {
    QString uid;
    QDate date;                 // DTSTART (a day); invalid when missing
    std::optional<NoteId> note; // ours, from X-KUVANO-…; none: another program's entry
    // Another program's entry: text = DESCRIPTION (SUMMARY when none), no RTF.
    // Ours whose DESCRIPTION another program has edited since we wrote it:
    // the same, the note kept (its RTF no longer shows that text).
    NoteContent content;
    QDateTime lastModified; // UTC; invalid when absent
};

// An entry for a note: its UID, date and content, LAST-MODIFIED = `modified`.
JournalEntry EntryOf(const NoteId& id, const NoteContent& content, const QDateTime& modified = {});

// A VCALENDAR (PRODID, VERSION:2.0) holding the one VJOURNAL, DTSTAMP now.
QByteArray WriteEntry(const JournalEntry& entry);
// Throws SyncError(BadReply) for anything but a VCALENDAR with exactly one
// VJOURNAL that has a UID. Inconsistent X-KUVANO-… properties (unknown page,
// box out of range, bad base64, a UID not the note's) make another program's entry.
JournalEntry ReadEntry(const QByteArray& ics);

// Every VJOURNAL of a file (one VCALENDAR or several in a row); other
// components are passed over. Journals without a UID are not returned but
// counted in `unreadable`. Throws SyncError(BadReply) when the text is not
// iCalendar at all.
std::vector<JournalEntry> ReadEntries(const QByteArray& ics, int* unreadable = nullptr);

// What ReadEntry and the import refuse to read whole.
constexpr qint64 kMaxIcsBytes = 64 * 1024 * 1024;

namespace ical {
class Component;
}
// Builds a VJOURNAL into a calendar (for files of many entries).
void AddEntry(ical::Component& calendar, const JournalEntry& entry);
// A VCALENDAR with PRODID and VERSION and nothing else yet.
ical::Component NewCalendar();

} // namespace kuvano::sync
