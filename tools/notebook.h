#pragma once
// Made-up notebooks of many years, for benchmarks and for trying the program
// as a long-time user would: every table the pages read is filled, the rich
// notes with RTF from our own writer. The same arguments always give the same
// notes.
//
// Needs a QGuiApplication (the notes are built as QTextDocuments).

#include <QByteArray>
#include <QString>

namespace kuvano::notebook {

struct Spec {
    int years = 11;       // whole years, ending with lastYear
    int noteBytes = 4096; // RTF size of each rich note, about
    int lastYear = 0;     // 0: the current year
    bool dayNotes = true; // a day schedule for every day of the years
};

struct Counts {
    int months = 0;      // TailiNew, edtText and edtTextColor rows
    int days = 0;        // TailiNew_day rows
    int years = 0;       // YearJishi rows
    qint64 rtfBytes = 0; // all rich notes together
};

// A rich note of about targetBytes of RTF: mixed Chinese and Latin runs in
// several faces, sizes and colours. title opens it as its first line.
QByteArray noteRtf(quint64 seed, int targetBytes, const QString& title);

// A one-line note of the general and calendar pages (a few to twenty characters).
QString lineNote(quint64 seed);

// Creates DB3/CalendarD.mdb under programFolder with the program's schema and
// fills it. Refuses (throws) when the file already exists: it never replaces
// anyone's notes. Throws sql::Error.
Counts makeNotebook(const QString& programFolder, const Spec& spec);

} // namespace kuvano::notebook
