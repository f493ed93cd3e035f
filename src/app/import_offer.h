#pragma once
// Bringing notes over from an Access-format notes database: offered at
// start-up when DB3/CalendarD.mdb is one, and from the options menu later.

#include "platform/program_folder.h"

#include <QString>

class QWidget;

namespace kuvano::notes {
class TDM;
}

namespace kuvano::app {

// Before the data module opens the database: when DB3/CalendarD.mdb is an
// Access file, asks whether to import it ("导入", the default, or "取消"),
// imports and reports. True when the notes came over; after "取消" or a
// failure nothing has changed and start-up goes on as before.
bool offerAccessImport(const ProgramFolder& folder, QWidget* parent = nullptr);

// The options menu entry "导入旧笔记…": picks an Access file (the open-file
// dialog, starting in DB3/), imports it into the running database and
// reports. True when notes were added (the page on view wants reloading).
bool importOldNotes(QWidget* parent, const ProgramFolder& folder, notes::TDM& dm);

} // namespace kuvano::app
