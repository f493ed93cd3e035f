#pragma once
// The wallpaper confirmation option ("ask before the wallpaper is changed"),
// kept in DB3/configSetBg.ini: first line > 0 means ask.

#include "platform/program_folder.h"

namespace kuvano::wallpaper {

inline QString confirmFileRelativePath() {
    return QStringLiteral("DB3/configSetBg.ini");
}

// Reads the option; a missing file is created holding "1" and the option is
// on. A first line that is not an integer (or an empty file) reads as on.
bool readConfirmOption(const ProgramFolder& folder);

} // namespace kuvano::wallpaper
