#pragma once
// Shared by the sync tests: notes of every page, and a plain-text reader for
// the RTF these tests store (the program's reader needs Qt Gui).

#include "sync/note_entry.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace kuvano::sync::test {

struct PageNote {
    const char* name;
    NoteId id;
    NoteContent content;
};

// One note of each page, with text that iCalendar must escape or fold:
// Chinese, commas, semicolons, backslashes, line ends, a long line, and RTF
// holding bytes ≥ 0x80.
std::vector<PageNote> NotesOfEveryPage();

// Reads RTF as RtfOfText writes it and "{\rtf1 text}" as the store tests
// do: \par as line ends, \uN?, escaped braces; other control words dropped.
QString PlainTextOfTestRtf(const QByteArray& rtf);

} // namespace kuvano::sync::test
