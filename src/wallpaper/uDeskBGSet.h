#pragma once
// The content picture: the notes of the desk-calendar page (a month grid of
// 6 x 7 cells under weekday titles, 750 x 500) or of the general notes page
// (21 lines of two notes, 660 x 500), black text on white, saved as
// source/DeskTopBG/Content.bmp. White is the transparent colour of the mix, so
// only the text reaches the wallpaper.

#include "platform/program_folder.h"

#include <QColor>
#include <QDate>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>

namespace kuvano::wallpaper {

inline constexpr int kContentEntries = 42;

// One entry of the content table.
struct TMonthCon {
    QString dayLabel; // month page only: "1".."31", or "S" for a day of another month
    QString note;     // the cell's note, trimmed
};

using ContentTable = std::array<TMonthCon, kContentEntries>;

// What the month fill step reads from the desk-calendar page: the shown date,
// and for day cells 1..42 (index 0..41) the date of the grid cell under the
// cell (its tab order minus one) and the cell's plain text.
struct DeskPageTexts {
    QDate shownDate;
    std::array<QDate, kContentEntries> cellDates;
    std::array<QString, kContentEntries> texts;
};

// Removes leading and trailing characters up to code 32 (spaces, tabs, line
// breaks, control characters); line breaks inside stay.
QString TrimControls(const QString& text);

// Day labels and notes of all 42 entries. Only month numbers are compared:
// a day of the same month number in another year still gets its number.
void FillMonthContent(ContentTable& table, const DeskPageTexts& page);
// Notes of all 42 entries from the general notes Edit1..Edit42; day labels stay.
void FillNotesContent(ContentTable& table, const std::array<QString, kContentEntries>& texts);

// Colours of the drawing: text in the window-text colour, lines and outline
// in the window-background colour (so, in the usual scheme, white on white).
struct ContentColors {
    QColor text = Qt::black;
    QColor lines = Qt::white;
};

inline constexpr QSize kMonthPictureSize{750, 500};
inline constexpr QSize kNotesPictureSize{660, 500};

// Where entry e (0..41) is drawn, as Windows rectangles: left, top inclusive,
// right, bottom exclusive.
QRect MonthEntryRect(int entry);
QRect NotesEntryRect(int entry);

QImage DrawMonthPicture(const ContentTable& table, const ContentColors& colors = {});
QImage DrawNotesPicture(const ContentTable& table, const ContentColors& colors = {});

// The holder of the composer's content side, created once: the composer
// folder, the content picture's path, the current background file and the
// content table. Never shown.
class TDeskBGSetFrm {
public:
    explicit TDeskBGSetFrm(const ProgramFolder& folder);

    const QString& composerFolder() const { return folder_; } // ends in '/'
    const QString& contentPath() const { return contentPath_; }
    QString backgroundPath; // the background file of the current command
    ContentTable content;

    // Draw the table and replace Content.bmp; PictureError when it cannot be written.
    void DrawMonthContent() const;
    void DrawNotesContent() const;

private:
    QString folder_;
    QString contentPath_;
};

} // namespace kuvano::wallpaper
