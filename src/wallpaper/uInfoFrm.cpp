#include "wallpaper/uInfoFrm.h"

#include "platform/line_file.h"

#include <QFileInfo>

namespace kuvano::wallpaper {

bool readConfirmOption(const ProgramFolder& folder) {
    const QString path = folder.filePath(confirmFileRelativePath());
    if (!QFileInfo::exists(path)) {
        linefile::write(path, {QStringLiteral("1")});
        return true;
    }
    const linefile::ReadResult file = linefile::read(path);
    if (!file.lines || file.lines->isEmpty()) return true;
    bool ok = false;
    const int value = file.lines->first().trimmed().toInt(&ok);
    return ok ? value > 0 : true;
}

} // namespace kuvano::wallpaper
