#pragma once
// The list of background pictures, DB3/BGPicList.ini: line 0 the chosen
// background, lines 1..n the entries, each a bare file name in
// source/DeskTopBG/. Names are compared exactly (case-sensitive); the same
// name may occur more than once; "A1.bmp" is the permanent entry.

#include "platform/program_folder.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kuvano::wallpaper {

inline QString backgroundListRelativePath() {
    return QStringLiteral("DB3/BGPicList.ini");
}
inline QString defaultBackground() {
    return QStringLiteral("A1.bmp");
}

// One entry of the background table: its line in the list file and the name there.
struct TPicBGList {
    qint32 position = 0;
    QString name;
};

// The main window's background table, chosen background and background
// cursor: the cursor names the entry the next wallpaper command uses.
struct BackgroundTable {
    QList<TPicBGList> entries; // one per line of the list file, line 0 included
    QString chosen;
    qint32 cursor = 0;
};

// The list file's lines. A missing or empty file is first written with the
// default two lines ("A1.bmp", "A1.bmp"), and `recovered` set. An unreadable
// file gives nothing.
struct ListRead {
    std::optional<QStringList> lines;
    bool recovered = false;
};
ListRead ReadBackgroundList(const ProgramFolder& folder);

// Replaces the file with the chosen background and the entries, in order.
bool WriteBackgroundList(const ProgramFolder& folder, const QString& chosen,
                         const QStringList& entries);

// Reads the file into the table. The cursor goes to the last entry bearing the
// chosen name when `selectChosen`, else to the last entry; after writing the
// default file it is 0. An unreadable file leaves the table as it was.
void LoadBGPicList(BackgroundTable& table, const ProgramFolder& folder, bool selectChosen);

} // namespace kuvano::wallpaper
