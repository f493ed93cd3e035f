#pragma once
// One whole sync of a program folder's notebook: the notebook and the sync's
// state opened on the calling thread, the calendar found or made, the
// engine run. What the worker, `kuvano --sync` and the tests all call.

#include "store/folder.h"
#include "sync/caldav_client.h"
#include "sync/sync_engine.h"
#include "sync/sync_settings.h"

#include <QString>
#include <QUrl>

#include <functional>

namespace kuvano::sync {

// The calendar made for the notes when the user names none.
QString DefaultCalendarName();

struct SyncOutcome {
    bool ok = false;
    bool transient = false; // down or slow: worth trying again soon
    QString message;        // why it failed, in Chinese; empty on success
    SyncReport report;
    QUrl calendarFound; // set when the settings named none and one was found or made
};

// The calendar of `settings`, else the one named DefaultCalendarName() at the
// server's calendar home taking journal entries, else a new one made there.
QUrl FindOrMakeCalendar(CalDavClient& client, const SyncSettings& settings);

// Never throws. `started`, when given, gets the client before its first
// request, so that another thread may cancel it.
SyncOutcome SyncOnce(const ProgramFolder& folder, const SyncSettings& settings,
                     const QString& password, const DavOptions& options = {},
                     const std::function<void(CalDavClient*)>& started = {});

} // namespace kuvano::sync
