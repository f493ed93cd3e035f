#pragma once
// Shared by the sync tests: notes of every page, and a plain-text reader for
// the RTF these tests store (the program's reader needs Qt Gui).

#include "store/rich_text.h"
#include "store/untdb.h"
#include "support/temp_folder.h"
#include "sync/note_entry.h"
#include "sync/sync_state.h"

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

// A fresh notebook with the sync's state beside it, its rich notes read by
// PlainTextOfTestRtf while it lives.
struct Book {
    Book() { notes::setPlainTextReader(&PlainTextOfTestRtf); }
    ~Book() { notes::setPlainTextReader(nullptr); }
    kuvano::test::TempProgramFolder pf;
    notes::TDM dm{pf.folder()};
    notes::NoteStore& notes = dm.notes();
    SyncState state{pf.path(SyncState::relativePath())};
    QString file(const char* name) const { return pf.path(QString::fromLatin1(name)); }
};

} // namespace kuvano::sync::test
