#pragma once

#include <QString>

class QWidget;

namespace kuvano {
class ProgramFolder;
}

namespace kuvano::app {

// The user's own arrangement of days off and make-up working days, for the years published after
// this release: DB3/holidays.txt, in the form of the built-in table.
inline const QString kDayOffFile = QStringLiteral("DB3/holidays.txt");

// Reads the file when there is one and lays its days over the built-in arrangement (a listed date
// replaces the built-in entry of that date). Lines that do not read are skipped; one message names
// the file and the first of them, and the other lines still count. A file that cannot be read at
// all gets a message too. Run at start, before the calendars are created. Returns the number of
// days taken.
int loadDayOffFile(const ProgramFolder& folder, QWidget* parent = nullptr);

} // namespace kuvano::app
