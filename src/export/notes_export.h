#pragma once
// Export of the notes of the page on view to a plain text file: the title
// line, then one entry per box, each note continuing on further lines where
// it holds line breaks. The main window collects the boxes' plain texts;
// everything from there to the file is here.

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

namespace kuvano::exporting {

constexpr int kDeskCells = 42;

// A note's TEXT: blanks and control characters (every character up to
// code 32, line breaks included) removed from both ends; inner line breaks
// stay.
QString TrimText(const QString& text);

struct DeskCell {
    QDate date; // the grid day the cell belongs to
    QString text;
};

// "2010年6月-月记事", then "6月1号：…" for the shown month's days and
// "记录：…" for the days of the months around it.
QStringList DeskExportLines(const QDate& shown, const std::array<DeskCell, kDeskCells>& cells);
// "2010年-年度记事", then "一月份：…" .. "十二月份…".
QStringList YearExportLines(int year, const std::array<QString, 12>& months);
// "一般记事", then "记录：…" for each of the 42 lines.
QStringList GeneralExportLines(const std::array<QString, kDeskCells>& texts);

// The file the chosen name gives: ".txt" is always appended.
QString ExportFileName(const QString& chosen);

// The bytes of an export: UTF-8 without a byte-order mark, every line
// (the last one too) ended by CR LF.
QByteArray EncodeExport(const QStringList& lines);

// Writes through a temporary file renamed into place, replacing an existing
// file; no partial file is ever left. Returns the system's reason on failure,
// an empty string on success.
QString WriteExportFile(const QString& path, const QStringList& lines);

} // namespace kuvano::exporting
