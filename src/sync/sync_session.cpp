#include "sync/sync_session.h"

#include "store/note_store.h"
#include "store/search_schema.h"
#include "store/sqlite_db.h"
#include "store/untdb.h"
#include "sync/sync_error.h"
#include "sync/sync_state.h"

namespace kuvano::sync {

QString DefaultCalendarName() {
    return QStringLiteral("Kuvano 笔记");
}

QUrl FindOrMakeCalendar(CalDavClient& client, const SyncSettings& settings) {
    if (!settings.calendar.isEmpty()) return client.calendar(settings.calendar).href;
    for (const CalendarInfo& c : client.calendars())
        if (c.displayName == DefaultCalendarName() && c.takesJournals) return c.href;
    return client.makeCalendar(DefaultCalendarName()).href;
}

SyncOutcome SyncOnce(const ProgramFolder& folder, const SyncSettings& settings,
                     const QString& password, const DavOptions& options,
                     const std::function<void(CalDavClient*)>& started) {
    SyncOutcome out;
    try {
        if (!settings.configured())
            throw FileError(QStringLiteral("还没有设置同步服务器（选项菜单“同步设置…”）"));
        CalDavClient client({settings.url, settings.user, password, settings.allowInsecureHttp},
                            options);
        if (started) started(&client);
        const QUrl calendar = FindOrMakeCalendar(client, settings);
        if (settings.calendar.isEmpty()) out.calendarFound = calendar;

        sql::Database notebook;
        notebook.openAnother(folder.filePath(notes::TDM::relativePath()),
                             notes::TDM::kBusyTimeoutMs, false);
        notes::RegisterSearchFunctions(notebook);
        notes::EnsureJournal(notebook); // a notebook of an older release
        notes::NoteStore store(notebook);
        SyncState state(folder.filePath(SyncState::relativePath()));
        SyncEngine engine(notebook, store, state, client, calendar);
        out.report = engine.run();
        out.ok = true;
    } catch (const SyncError& e) {
        out.message = e.message();
        out.transient = e.transient();
    } catch (const FileError& e) {
        out.message = e.message();
    } catch (const std::exception& e) {
        out.message = QString::fromLocal8Bit(e.what());
    }
    return out;
}

} // namespace kuvano::sync
