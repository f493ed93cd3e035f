#include "wallpaper/background_list.h"

#include "store/line_file.h"

#include <QFileInfo>

namespace kuvano::wallpaper {

ListRead ReadBackgroundList(const ProgramFolder& folder) {
    const QString path = folder.filePath(backgroundListRelativePath());
    ListRead result;
    if (QFileInfo::exists(path)) {
        linefile::ReadResult file = linefile::read(path);
        if (!file.lines) return result;
        if (!file.lines->isEmpty()) {
            result.lines = std::move(file.lines);
            return result;
        }
    }
    // Missing, or empty (the command needs at least one entry): start again
    // from the default list.
    const QStringList defaults = {defaultBackground(), defaultBackground()};
    linefile::write(path, defaults);
    result.lines = defaults;
    result.recovered = true;
    return result;
}

bool WriteBackgroundList(const ProgramFolder& folder, const QString& chosen,
                         const QStringList& entries) {
    return linefile::write(folder.filePath(backgroundListRelativePath()),
                           QStringList{chosen} + entries);
}

void LoadBGPicList(BackgroundTable& table, const ProgramFolder& folder, bool selectChosen) {
    const ListRead list = ReadBackgroundList(folder);
    if (!list.lines) return;
    const QStringList& lines = *list.lines;
    table.chosen = lines.first();
    table.entries.clear();
    for (qsizetype i = 0; i < lines.size(); ++i) table.entries.append({qint32(i), lines[i]});
    if (list.recovered) {
        table.cursor = 0;
        return;
    }
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i] == table.chosen)
            table.cursor = selectChosen ? qint32(i) : qint32(lines.size() - 1);
}

} // namespace kuvano::wallpaper
