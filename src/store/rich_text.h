#pragma once
// The plain text of a stored rich-text note, for the index build and the
// import. Reading RTF takes the program's RTF reader, which needs Qt Gui; the
// store has none, so the program hands it its reader once at start.

#include <QByteArray>
#include <QString>

namespace kuvano::notes {

using PlainTextReader = QString (*)(const QByteArray& rtf);
void setPlainTextReader(PlainTextReader reader);
// The text a box shows for the note; empty when no reader was set.
QString plainTextOf(const QByteArray& rtf);

} // namespace kuvano::notes
