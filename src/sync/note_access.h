#pragma once
// One note of the notebook read and written by its NoteId, through the page
// loads and saves of NoteStore (so the search entry and the change journal
// follow as for typing), and the RTF made for a rich note that came as text.

#include "store/note_store.h"
#include "sync/note_entry.h"

#include <QHash>

namespace kuvano::sync {

// The note as stored (held-back saves included). A rich note's text is its
// plain text through notes::plainTextOf, so the program's plain-text reader
// must have been set (as for the search index); without it the text is empty.
// Throws FileError, and for an invalid id.
NoteContent LoadNote(notes::NoteStore& store, const NoteId& id);

// Stores the content in the note's box: a line page's sheet (or a year's
// months) is loaded, the one box changed and the whole saved, so the journal
// records just that box. A rich note given text without RTF gets RTF made from
// the text; a line takes the text's lines joined by blanks. Empty content
// clears the box. Throws FileError (also when a day has several rows).
void SaveNote(notes::NoteStore& store, const NoteId& id, const NoteContent& content);

// When the note last changed here, from the change journal (UTC); invalid when never.
QDateTime LastLocalChange(sql::Database& db, const NoteId& id);
// The same for every note in the journal at once.
QHash<NoteId, QDateTime> LocalChangeTimes(notes::NoteStore& store);

// Whether the content shows nothing. Unlike NoteContent::empty(), an RTF
// note counts as blank only when its text could be read (the plain-text
// reader is set): an unread note is never taken for an empty one.
bool IsBlank(const NoteContent& content);

// RTF that the program's reader shows as `text`: one paragraph per line,
// every character beyond ASCII as a \uN escape (read the same whatever font
// the box gives it).
QByteArray RtfOfText(const QString& text);
// `rtf` with `text` added below it as paragraphs of their own, keeping its
// formatting; when `rtf` is not RTF, RTF of the two texts one below the other.
QByteArray AppendTextToRtf(const QByteArray& rtf, const QString& shownText, const QString& text);

} // namespace kuvano::sync
