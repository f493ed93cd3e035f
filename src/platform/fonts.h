#pragma once

#include <QFont>
#include <QStringList>

namespace kuvano {

// The program names its fonts as a Windows desktop does ("宋体", "黑体",
// "Arial Black"...). The names are kept and substituted to installed fonts
// that have the glyphs, so Chinese renders and stored RTF keeps the names.
namespace fonts {

void installSubstitutes(); // idempotent; call once after the application object exists

// Every installed family plus the substituted Windows names, sorted, no duplicates.
QStringList screenFontNames();

// A font by Windows name and pixel or point size.
QFont byPixels(const QString& family, int pixels, bool bold = false);
QFont byPoints(const QString& family, int points, bool bold = false);

} // namespace fonts
} // namespace kuvano
